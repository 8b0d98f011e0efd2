#include "record_texts.h"

#include "../platform/float_text.h"

namespace ondrel {

std::string SpeciesText(const TEspece& s, char separator) {
    return s.name + "  C: " + FloatToText(s.C, separator) + "  D: " + FloatToText(s.D, separator);
}

std::string CoupleText(const TRedox& c, const TEspeces& species, char separator) {
    return SpeciesName(species, c.ox) + " + e <=> " + SpeciesName(species, c.red) +
           "  E\u00B0:" + FormatNumber("%6.3f", c.E0, separator) +
           " k\u00B0:" + FormatNumber("%6.3e", c.k0, separator) +
           " a:" + FormatNumber("%5.3f", c.alpha, separator);
}

std::string ReactionSides(const TChemical& r, const TEspeces& species) {
    auto side = [&](int first, int second) {
        std::string text = SpeciesName(species, first);
        if (second != 0)
            text += " + " + SpeciesName(species, second);
        return text;
    };
    return side(r.reagent1, r.reagent2) + " <=> " + side(r.product1, r.product2);
}

std::string ReactionText(const TChemical& r, const TEspeces& species, char separator) {
    return ReactionSides(r, species) + " Kf: " + FloatToText(r.kf, separator) +
           " Kb: " + FloatToText(r.kb, separator);
}

std::string FreshCoupleText(char separator) {
    return std::string("Dummy +e <=> Dummy  E\u00B0 0") + separator + "00 V";
}

}  // namespace ondrel
