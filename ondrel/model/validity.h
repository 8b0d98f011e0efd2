#pragma once

#include <string>
#include <vector>

#include "model.h"

namespace ondrel {

inline constexpr const char* kSpeciesInvalid = "Species Invalid !";
inline constexpr const char* kAlphaInvalid = "Alpha Invalid !";
inline constexpr const char* kE0Invalid = "E\u00B0 Invalid !";
inline constexpr const char* kInvalidRedox = "Invalid Redox Reaction !";
inline constexpr const char* kInvalidChemical = "Invalid Chemical Reaction !";
inline constexpr const char* kCantBuildExperiment = "Can't Build Experiment !";

// The editor's checks of a couple, in order; empty when it may be applied.
std::string CoupleEditorProblem(const TRedox& couple, int speciesCount);

// The run's check of a couple: two different species of the list.
bool CoupleRunnable(const TRedox& couple, int speciesCount);

// A reaction needs a first reagent and a first product, no species on both
// sides, species of the list, and rate constants that are not negative.
bool ReactionValid(const TChemical& reaction, int speciesCount);

// What a run's snapshot reports, one message per failing couple or
// reaction, in list order; a couple's names it and the species it lacks.
std::vector<std::string> SnapshotProblems(const TModel& model);

}  // namespace ondrel
