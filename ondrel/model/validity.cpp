#include "validity.h"

namespace ondrel {

namespace {
bool isSpecies(int index, int count) {
    return index >= 1 && index <= count;
}
bool isSlot(int index, int count) {
    return index >= 0 && index <= count;
}
}  // namespace

bool CoupleRunnable(const TRedox& couple, int speciesCount) {
    return isSpecies(couple.ox, speciesCount) && isSpecies(couple.red, speciesCount) &&
           couple.ox != couple.red;
}

std::string CoupleEditorProblem(const TRedox& couple, int speciesCount) {
    if (!CoupleRunnable(couple, speciesCount))
        return kSpeciesInvalid;
    if (!(couple.alpha > 0 && couple.alpha < 1))
        return kAlphaInvalid;
    if (!(couple.E0 > -5 && couple.E0 < 5))
        return kE0Invalid;
    return {};
}

bool ReactionValid(const TChemical& r, int speciesCount) {
    if (!isSpecies(r.reagent1, speciesCount) || !isSpecies(r.product1, speciesCount) ||
        !isSlot(r.reagent2, speciesCount) || !isSlot(r.product2, speciesCount))
        return false;
    if (r.reagent1 == r.product1 || r.reagent1 == r.product2)
        return false;
    if (r.reagent2 != 0 && (r.reagent2 == r.product1 || r.reagent2 == r.product2))
        return false;
    return r.kf >= 0 && r.kb >= 0;
}

std::vector<std::string> SnapshotProblems(const TModel& model) {
    std::vector<std::string> problems;
    const int count = model.species.count();
    for (const TRedox& couple : model.couples)
        if (!CoupleRunnable(couple, count))
            problems.push_back(kInvalidRedox);
    for (const TChemical& reaction : model.reactions)
        if (!ReactionValid(reaction, count))
            problems.push_back(kInvalidChemical);
    return problems;
}

}  // namespace ondrel
