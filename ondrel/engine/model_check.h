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
// An uncompensated resistance or a double-layer capacitance whose switch is
// on must be a finite number of at least 0 too. With the classic solver,
// what it cannot run is named as well (ClassicProgramProblem).
std::string ModelProblem(const TModel& model);

// ModelProblem whichever solver runs the model.
std::string ModelProblemForAnySolver(const TModel& model);

// Whether the program's uncompensated resistance or double-layer
// capacitance acts: its switch on and its value above 0.
bool CellActs(const TPilot& pilot);

}  // namespace ondrel
