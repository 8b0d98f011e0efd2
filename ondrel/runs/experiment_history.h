#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "../engine/cv_point.h"
#include "virtual_experiment.h"

namespace ondrel {

inline constexpr const char* kInvalidHistoryIndex = "Index experience invalide";

// The stored simulated experiments, in the order they were stored, each
// with its curve and whether the curve is shown.
class ExperimentHistory {
public:
    struct Entry {
        TVirtualExperiment experiment;
        std::vector<CVpoint> points;
        bool visible = true;
    };

    // The outcome of comparing a new experiment with every entry in list
    // order: the first equal entry, if any, and the result of the last
    // comparison made (noDiff when the history is empty).
    struct Comparison {
        std::optional<std::size_t> equal;
        DiffKind last = noDiff;
    };
    Comparison Compare(const TVirtualExperiment& experiment) const;

    // "Not in history (" + the kind's name + "), save ?"
    static std::string SaveQuestion(DiffKind last);

    // Stores an experiment with its curve under the next run number
    // (suffix "_0", "_1", ...) and returns its row.
    std::size_t Store(TVirtualExperiment experiment, std::vector<CVpoint> points);

    // "Delete : " + the curve's title + " ?"
    std::string DeleteQuestion(std::size_t row) const;
    void Remove(std::size_t row);

    // Throws "Index experience invalide" for a row outside the list.
    const Entry& at(std::size_t row) const;
    Entry& at(std::size_t row);

    std::size_t size() const { return entries_.size(); }
    // The run number the next stored experiment gets; it never goes back.
    int runNumber() const { return runNumber_; }

private:
    std::vector<Entry> entries_;
    int runNumber_ = 0;
};

}  // namespace ondrel
