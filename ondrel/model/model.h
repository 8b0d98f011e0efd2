#pragma once

#include <cstdint>
#include <string>

#include "pilot.h"
#include "records.h"

namespace ondrel {

// How a run is computed: the explicit engine, or the implicit one for
// fast (stiff) chemistry.
enum class Solver : std::uint8_t { Classic, Implicit };

// The mechanism and its cell: what a run simulates.
struct TModel {
    TEspeces species;
    TRRedox couples;
    TRChems reactions;

    double temperature = 298.15;   // K
    double area = 0.01;            // cm²
    double diffusionScale = 1e-5;  // cm²/s for D = 1
    double concScale = 1e-6;       // mol/cm³ for C = 1
    int plotInterval = 50;         // mV
    int pilotRefreshInterval = 5;  // mV
    std::uint8_t method = 0;       // 0: cyclic voltammetry
    Solver solver = Solver::Classic;

    TPilot pilot;

    bool operator==(const TModel&) const = default;
};

// Two successive oxidations of a solution holding only E3:
// E3 - e -> E2 (1.25 V), E2 - e -> E1 (1.4 V).
TModel DefaultModel();

// "Dummy" for index 0, otherwise the species' name.
std::string SpeciesName(const TEspeces& species, int index);

}  // namespace ondrel
