#pragma once

#include <string>

#include "collection.h"

namespace ondrel {

// A chemical species. D and C are relative to the model's diffusion scale and
// concentration normalisation factor. The engine keeps the concentration
// profiles of a run in arrays of its own.
struct TEspece {
    std::string name;  // at most 12 characters
    double D = 1;
    double C = 0;
    bool operator==(const TEspece&) const = default;
};

// A one-electron couple ox + e <=> red between two species (0 = none).
struct TRedox {
    int ox = 0;
    int red = 0;
    double E0 = 0;    // V
    double k0 = 1.0;  // cm/s
    double alpha = 0.5;
    bool operator==(const TRedox&) const = default;
};

// A homogeneous reaction r1 [+ r2] <=> p1 [+ p2] (0 = an empty slot).
struct TChemical {
    int reagent1 = 0;
    int reagent2 = 0;
    int product1 = 0;
    int product2 = 0;
    double kf = 1;
    double kb = 1;
    bool operator==(const TChemical&) const = default;
};

using TEspeces = OneBasedList<TEspece>;
using TRRedox = OneBasedList<TRedox>;
using TRChems = OneBasedList<TChemical>;

inline constexpr int kSpeciesNameLength = 12;

// The first 12 characters of a name (characters, not bytes).
std::string SpeciesNameCut(const std::string& name);

// A species made by the editor's "new" command, and the new couple and
// reaction are the records' defaults.
inline TEspece NewSpecies() {
    return {"Ex", 1, 0};
}

}  // namespace ondrel
