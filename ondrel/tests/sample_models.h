#pragma once

// Models that the tests and the benchmarks both run.

#include <string>

#include "model/model.h"

namespace ondrel {

// Twelve species on the default program: six couples S1/S2 .. S11/S12
// spread over the sweep, the reduced species in solution, and five reactions
// between them, one of second order.
inline TModel TwelveSpeciesModel() {
    TModel model = DefaultModel();
    model.species.clear();
    model.couples.clear();
    for (int s = 1; s <= 12; ++s)
        model.species.append({"S" + std::to_string(s), 1, s % 2 == 0 ? 1.0 : 0.0});
    for (int c = 0; c < 6; ++c)
        model.couples.append({2 * c + 1, 2 * c + 2, 1.2 + 0.05 * c, 0.1, 0.5});
    model.reactions.append({1, 0, 4, 0, 10, 0});     // S1 -> S4
    model.reactions.append({3, 0, 6, 0, 100, 1});    // S3 <=> S6
    model.reactions.append({5, 0, 8, 0, 1e3, 0});    // S5 -> S8
    model.reactions.append({7, 0, 9, 0, 1, 1});      // S7 <=> S9
    model.reactions.append({9, 12, 11, 0, 1e3, 0});  // S9 + S12 -> S11
    return model;
}

}  // namespace ondrel
