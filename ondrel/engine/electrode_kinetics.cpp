#include "electrode_kinetics.h"

namespace ondrel {

std::vector<bool> SpeciesInUse(const TModel& model) {
    std::vector<bool> used(model.species.count(), false);
    for (const TRedox& c : model.couples)
        used[c.ox - 1] = used[c.red - 1] = true;
    for (const TChemical& r : model.reactions)
        for (int s : {r.reagent1, r.reagent2, r.product1, r.product2})
            if (s > 0)
                used[s - 1] = true;
    return used;
}

}  // namespace ondrel
