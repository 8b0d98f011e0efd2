#include "experiment_history.h"

#include "../platform/ondrel_error.h"

namespace ondrel {

ExperimentHistory::Comparison ExperimentHistory::Compare(
    const TVirtualExperiment& experiment) const {
    Comparison comparison;
    for (std::size_t row = 0; row < entries_.size(); ++row) {
        comparison.last = CompareExperiments(experiment, entries_[row].experiment);
        if (comparison.last == noDiff) {
            comparison.equal = row;
            break;
        }
    }
    return comparison;
}

std::string ExperimentHistory::SaveQuestion(DiffKind last) {
    return std::string("Not in history (") + kDiffKindNames[last] + "), save ?";
}

std::size_t ExperimentHistory::Store(TVirtualExperiment experiment, std::vector<CVpoint> points) {
    experiment.suffix = "_" + std::to_string(runNumber_++);
    entries_.push_back({std::move(experiment), std::move(points), true});
    return entries_.size() - 1;
}

std::string ExperimentHistory::DeleteQuestion(std::size_t row) const {
    return "Delete : " + at(row).experiment.SeriesTitle() + " ?";
}

void ExperimentHistory::Remove(std::size_t row) {
    at(row);
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(row));
}

const ExperimentHistory::Entry& ExperimentHistory::at(std::size_t row) const {
    if (row >= entries_.size())
        throw Exception(kInvalidHistoryIndex);
    return entries_[row];
}

ExperimentHistory::Entry& ExperimentHistory::at(std::size_t row) {
    if (row >= entries_.size())
        throw Exception(kInvalidHistoryIndex);
    return entries_[row];
}

}  // namespace ondrel
