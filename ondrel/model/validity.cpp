#include "validity.h"

#include <utility>

namespace ondrel {

namespace {
bool isSpecies(int index, int count) {
    return index >= 1 && index <= count;
}
bool isSlot(int index, int count) {
    return index >= 0 && index <= count;
}

// Why a couple cannot run, naming it by its place in the list and the
// species it lacks: "Couple 2: Red is species 7, beyond the 3 of the list".
std::string coupleProblem(const TRedox& couple, int number, const TEspeces& species) {
    const std::string name = "Couple " + std::to_string(number) + ": ";
    for (const auto& [role, index] : {std::pair{"Ox", couple.ox}, std::pair{"Red", couple.red}}) {
        if (index == 0)
            return name + role + " is Dummy, no species";
        if (!isSpecies(index, species.count()))
            return name + role + " is species " + std::to_string(index) + ", beyond the " +
                   std::to_string(species.count()) + " of the list";
    }
    return name + "Ox and Red are both " + SpeciesName(species, couple.ox);
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
    int number = 0;
    for (const TRedox& couple : model.couples) {
        ++number;
        if (!CoupleRunnable(couple, count))
            problems.push_back(std::string(kInvalidRedox) + " " +
                               coupleProblem(couple, number, model.species));
    }
    for (const TChemical& reaction : model.reactions)
        if (!ReactionValid(reaction, count))
            problems.push_back(kInvalidChemical);
    return problems;
}

}  // namespace ondrel
