#pragma once

#include <string>

#include "../model/model.h"

namespace ondrel {

// Why a model cannot be simulated, with the value named, or empty: a cell
// parameter that is not a positive finite number (temperature, electrode
// area, diffusion scale, concentration factor), a species of a couple or
// reaction whose D is not one, or a potential program that cannot be
// stepped (see ProgramProblem). Couples and reactions themselves are the
// snapshot's checks.
std::string ModelProblem(const TModel& model);

}  // namespace ondrel
