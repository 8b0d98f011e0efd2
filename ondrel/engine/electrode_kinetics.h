#pragma once

#include <cmath>
#include <vector>

#include "../model/model.h"

namespace ondrel {

// Physical constants as every solver uses them.
inline constexpr double kFaradayOverR = 11604.4;  // F/R, K/V
inline constexpr double kFaraday = 96484.56;      // C/mol

// The two rate constants of a one-electron couple ox + e <=> red at a
// potential (Butler–Volmer), in the unit of the standard rate constant given.
struct TransferRates {
    double reduction;  // kf, ox + e -> red
    double oxidation;  // kb, red -> ox + e
};

inline TransferRates ButlerVolmer(double standardRate, double alpha, double E, double E0,
                                  double temperature) {
    const double f = (E - E0) * kFaradayOverR / temperature;
    return {standardRate * std::exp(-alpha * f), standardRate * std::exp((1 - alpha) * f)};
}

// By species (0-based): whether a couple or a reaction of the model names it.
// The model's indices must lie in its species list.
std::vector<bool> SpeciesInUse(const TModel& model);

}  // namespace ondrel
