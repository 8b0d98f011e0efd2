#include "mec_file.h"

#include <algorithm>
#include <array>
#include <vector>

#include "../platform/float_text.h"
#include "../platform/message_text.h"
#include "../platform/ondrel_error.h"
#include "text_lines.h"

namespace ondrel {

namespace {

constexpr double kDiffusionToCm2PerS = 1e-5;
constexpr double kDiffusionFromCm2PerS = 1e5;
constexpr double kCelsiusZero = 273.15;

// Header tokens whose one value the reader passes over.
constexpr std::array<std::string_view, 26> kIgnoredTokens = {
    "EXT", "TP", "DAT", "FLS", "DR", "TR", "PC",  "DE1", "CP", "CT", "ET", "SI", "VD",
    "NC",  "SC", "AM",  "NP",  "FR", "PH", "WRK", "RU",  "ST", "T1", "T2", "PT", "REF"};

std::vector<std::string_view> tokensOf(std::string_view line) {
    std::vector<std::string_view> tokens;
    std::size_t at = 0;
    while (true) {
        at = line.find_first_not_of(" \t", at);
        if (at == std::string_view::npos)
            return tokens;
        const std::size_t end = std::min(line.find_first_of(" \t", at), line.size());
        tokens.push_back(line.substr(at, end - at));
        at = end;
    }
}

std::string number(double value) {
    return FiniteToText(value, '.');
}

// The lines after the title, each split into tokens, with conversions that
// name the line they fail on.
class MecLines {
public:
    MecLines(std::string_view text, char separator)
        : lines_(SplitLines(text)), separator_(separator) {}

    // The tokens of the next line; the file may not end here.
    const std::vector<std::string_view>& next(const char* expected) {
        ++at_;
        if (at_ >= lines_.size())
            throw Exception("Line " + std::to_string(at_ + 1) + ": the *.MEC file ends where " +
                            expected + " was expected");
        tokens_ = tokensOf(lines_[at_]);
        return tokens_;
    }

    std::string_view field(std::size_t index) const {
        if (index >= tokens_.size())
            throw EConvertError(where() + "a value is missing");
        return tokens_[index];
    }
    // A number field as read with its decimal mark adapted to the user's.
    std::string adapted(std::size_t index) const {
        return WithDecimalMark(field(index), separator_);
    }
    double real(std::size_t index) const {
        const std::string text = adapted(index);
        try {
            return TextToFloat(text, separator_);
        } catch (const EConvertError& error) {
            throw EConvertError(where() + error.what());
        }
    }
    int integer(std::size_t index) const {
        const std::string_view text = field(index);
        try {
            return TextToInt(text);
        } catch (const EConvertError& error) {
            throw EConvertError(where() + error.what());
        }
    }
    int count(const char* what) {
        next(what);
        const int n = integer(0);
        if (n < 0)
            throw EConvertError(where() + "a negative count");
        return n;
    }

    std::string where() const { return "Line " + std::to_string(at_ + 1) + ": "; }

private:
    std::vector<std::string> lines_;
    std::size_t at_ = 0;  // line 0, the title, is never read
    std::vector<std::string_view> tokens_;
    char separator_;
};

void readHeader(MecLines& lines, TModel& model, MecHeader& header) {
    TPilot& pilot = model.pilot;
    while (true) {
        const auto& tokens = lines.next("END");
        if (tokens.empty())
            throw Exception(lines.where() + "an empty line in the header of the *.MEC file");
        const std::string_view token = tokens[0];
        if (token == "END")
            return;
        if (token == "SR") {
            pilot.scanRate = lines.real(1);
            header.SR = lines.adapted(1);
        } else if (token == "IP") {
            pilot.Einitial = lines.real(1);
            header.IP = lines.adapted(1);
        } else if (token == "V1" || token == "E1") {
            pilot.Eswitch1 = lines.real(1);
            header.V1 = lines.adapted(1);
        } else if (token == "V2" || token == "E2") {
            if (lines.field(1) != "PASS")
                pilot.Eswitch2 = lines.real(1);
            header.V2 = lines.adapted(1);
        } else if (token == "FP") {
            pilot.Efinal = lines.real(1);
            header.FP = lines.adapted(1);
        } else if (token == "AR") {
            model.area = lines.real(1);
            header.AR = lines.adapted(1);
        } else if (token == "CLL") {
            const std::string_view sub = lines.field(1);
            if (sub == "TE") {
                model.temperature = lines.real(2) + kCelsiusZero;
                header.TE = lines.adapted(2);
            } else if (sub != "DL" && sub != "AP" && sub != "IR") {
                throw Exception(lines.where() + "Unknow token in *.MEC file: CLL " +
                                ShownText(sub));
            }
        } else if (std::find(kIgnoredTokens.begin(), kIgnoredTokens.end(), token) ==
                   kIgnoredTokens.end()) {
            throw Exception(lines.where() + "Unknow token: " + ShownText(token) + " in *.MEC file");
        }
    }
}

}  // namespace

std::string WriteMec(const TModel& model, const std::string& date, const std::string& time) {
    const TPilot& pilot = model.pilot;
    std::vector<std::string> lines = {
        "/* Mechanism */",
        "EXT CV",
        "DAT BINARY",
        "FLS NORMAL",
        "DR " + date,
        "TR " + time,
        "PC I E T",
        "CLL TE " + number(model.temperature - kCelsiusZero),
        "AR " + number(model.area),
        "IP " + number(pilot.Einitial),
        "V1 " + number(pilot.Eswitch1),
        "V2 PASS",
        "FP " + number(pilot.Efinal),
        "NC 1",
        "CLL IR N /* None */",
        "RU 0",
        "CLL DL 0",
        "CLL AP F /* Fast Chem (Approx. in Boxes) */",
        "END",
    };

    lines.push_back(std::to_string(model.species.count()) +
                    "  /* No. of species. Follow Conc. and Diff. coeff. */");
    for (const TEspece& s : model.species)
        lines.push_back(number(s.C) + " " + number(s.D * kDiffusionToCm2PerS));

    // 0xE0 is alpha and 0xC4 a horizontal line in code page 437.
    lines.push_back(std::to_string(model.couples.count()) +
                    "  /* No. of redox. Follow [Ox] [Red] [e-] [E] [Ke] [\xE0] */");
    for (const TRedox& c : model.couples)
        lines.push_back(std::to_string(c.ox) + " " + std::to_string(c.red) + " 1 " +
                        number(c.E0 * 1000) + " " + number(c.k0) + " " + number(c.alpha));

    lines.push_back(std::to_string(model.reactions.count()) +
                    " /* No. of reactions. Follow [a] + [b] <\xC4\xC4> [c] + [d] [Kf] [Kb] */");
    for (const TChemical& r : model.reactions)
        lines.push_back(std::to_string(r.reagent1) + " " + std::to_string(r.reagent2) + " " +
                        std::to_string(r.product1) + " " + std::to_string(r.product2) + " " +
                        number(r.kf) + " " + number(r.kb));
    return JoinLines(lines);
}

MecHeader ReadMec(std::string_view text, TModel& target, char separator) {
    // Read into a copy: a file that fails part way changes nothing.
    if (LooksUtf16(text))
        throw EConvertError(Utf16Message("The *.MEC file"));
    TModel model = target;
    MecLines lines(text, separator);
    MecHeader header;
    readHeader(lines, model, header);
    model.pilot.Eswitch2 = model.pilot.Efinal;
    model.pilot.halfCycles = 2;

    const int nSpecies = lines.count("the species count");
    model.species.clear();
    for (int i = 0; i < nSpecies; ++i) {
        lines.next("a species line");
        TEspece species{"Espece", lines.real(1) * kDiffusionFromCm2PerS, lines.real(0)};
        model.species.append(species);
    }

    const int nCouples = lines.count("the couple count");
    model.couples.clear();
    for (int i = 0; i < nCouples; ++i) {
        lines.next("a couple line");
        model.couples.append(TRedox{lines.integer(0), lines.integer(1), lines.real(3) * 0.001,
                                    lines.real(4), lines.real(5)});
    }

    const int nReactions = lines.count("the reaction count");
    model.reactions.clear();
    for (int i = 0; i < nReactions; ++i) {
        lines.next("a reaction line");
        model.reactions.append(TChemical{lines.integer(0), lines.integer(1), lines.integer(2),
                                         lines.integer(3), lines.real(4), lines.real(5)});
    }
    target = std::move(model);
    return header;
}

}  // namespace ondrel
