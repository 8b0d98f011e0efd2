#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "../model/model.h"

namespace ondrel {

// One simulated experiment as the history keeps it: the mechanism, the
// program and the cell as they were when it ran.
struct TVirtualExperiment {
    std::string suffix;                // "_" and the run number, once stored
    std::string modelName = "NoName";  // the model's base name at the run
    TEspeces species;
    TRRedox couples;
    TRChems reactions;
    TPilot pilot;
    std::uint8_t method = 0;
    Solver solver = Solver::Classic;
    double temperature = 0, area = 0, diffusionScale = 0, concScale = 0;
    int plotInterval = 0, pilotRefreshInterval = 0;
    // Set when a couple or a reaction failed its check; messages holds what
    // each failure reported, in list order.
    bool invalid = false;
    std::vector<std::string> messages;

    // A copy of the model, record by record, checking every couple and
    // reaction as it goes: a failing record sets invalid, adds its message
    // ("Invalid Redox Reaction !", "Invalid Chemical Reaction !") and is
    // copied all the same.
    static TVirtualExperiment Snapshot(const TModel& model, const std::string& modelName);

    // The model this experiment was made from: lists emptied and refilled,
    // program, cell, method and intervals taken over.
    void RecallInto(TModel& model) const;

    // The history row (NoName_0) and the curve's title (NoName__0).
    std::string RowText() const { return modelName + suffix; }
    std::string SeriesTitle() const { return modelName + "_" + suffix; }
};

// How two experiments differ, the first difference found in this order.
enum DiffKind : int {
    noDiff = 0,
    speciesDiff = 1,
    redoxDiff = 2,
    chemDiff = 3,
    pilotDiff = 4,
    otherDiff = 5,
};
inline constexpr std::array<const char*, 6> kDiffKindNames = {
    "noDiff", "speciesDiff", "redoxDiff", "chemDiff", "pilotDiff", "otherDiff"};

// Compares what makes two experiments give different curves, every number
// for exact equality: species' D and C, couples, reactions, the program,
// the cell and the solver. Names, display intervals and curves are not compared (nor is
// TModel's own equality used, which compares them).
DiffKind CompareExperiments(const TVirtualExperiment& a, const TVirtualExperiment& b);

}  // namespace ondrel
