#pragma once

// The command line of ondrel-sim, read into what each of its modes needs:
// a simulation, the examination of measured curves, a picture, or a fit.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "../curves/peaks.h"
#include "../curves/savitzky_golay.h"
#include "../model/model.h"
#include "../platform/ondrel_error.h"

namespace ondrel {

// A command line that does not parse; its text says what is wrong.
class UsageError : public Exception {
public:
    using Exception::Exception;
};

// Options that change the model before it is simulated or fitted; each may
// be given once.
struct ModelOptions {
    std::optional<Solver> solver;
    std::optional<double> resistance;   // ohm, switched on
    std::optional<double> capacitance;  // µF/cm², switched on

    bool any() const { return solver || resistance || capacitance; }
};

// When words[i] is a model option, reads it and its value into options,
// leaves i on its last word and returns true; false for any other word.
// Throws UsageError for a value that does not fit, or an option given twice.
bool TakeModelOption(const std::vector<std::string>& words, std::size_t& i, ModelOptions& options);

// The options onto the model.
void ApplyModelOptions(const ModelOptions& options, TModel& model);

// A simulation, the examination of measured curves (--measured) or a
// picture (--picture).
struct SimArguments {
    bool measured = false;
    bool peaks = false;
    std::vector<std::string> inputs;
    std::size_t beforeMeasured = 0;  // how many inputs came before --measured
    std::string picture;
    bool flat = false;
    ModelOptions model;
    std::string out;
    std::string smoothed;
    int width = kDefaultFilterWidth;
    double threshold = kDefaultProminence;
    bool widthGiven = false, thresholdGiven = false;
};

// The command line's words after the program's name. Throws UsageError.
SimArguments ParseSimArguments(const std::vector<std::string>& words);

// A fit: ondrel-sim MODEL --fit CURVE[:PROGRAM.CVN]... --vary NAME...
struct FitArguments {
    std::string model;
    std::vector<std::string> curves;
    std::vector<std::string> vary;
    std::vector<std::string> bounds;
    std::string out;
};

// Throws UsageError.
FitArguments ParseFitArguments(const std::vector<std::string>& words);

// Whether the command line asks for a fit.
bool AsksForFit(const std::vector<std::string>& words);

}  // namespace ondrel
