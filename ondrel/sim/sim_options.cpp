#include "sim_options.h"

#include <cmath>

#include "../platform/float_text.h"

namespace ondrel {

namespace {

// The value after words[i]; i moves onto it.
const std::string& valueOf(const std::vector<std::string>& words, std::size_t& i) {
    if (i + 1 >= words.size())
        throw UsageError(words[i] + " needs a value");
    return words[++i];
}

template <typename T>
void setOnce(std::optional<T>& option, T value, const std::string& word) {
    if (option)
        throw UsageError(word + " is given twice");
    option = value;
}

void setOnce(std::string& option, const std::string& value, const std::string& word) {
    if (!option.empty())
        throw UsageError(word + " is given twice");
    // An empty name (an unset shell variable) would otherwise mean no file:
    // the default model, or no output at all.
    if (value.empty())
        throw UsageError("an empty file name after " + word);
    option = value;
}

double nonNegative(const std::string& word, const std::string& text) {
    double value = -1;
    try {
        value = TextToFloat(text, '.');
    } catch (const EConvertError&) {
    }
    if (!(value >= 0) || !std::isfinite(value))
        throw UsageError(word + " takes a number of at least 0, not '" + text + "'");
    return value;
}

int filterWidth(const std::string& text) {
    int width = 0;
    try {
        width = TextToInt(text);
    } catch (const EConvertError&) {
    }
    if (width < kMinFilterWidth || width > kMaxFilterWidth || width % 2 == 0)
        throw UsageError("the width must be an odd number from 5 to 25");
    return width;
}

double prominence(const std::string& text) {
    double threshold = -1;
    try {
        threshold = TextToFloat(text, '.');
    } catch (const EConvertError&) {
    }
    if (!(threshold >= 0) || !std::isfinite(threshold))
        throw UsageError("the threshold must be a number from 0 up, not '" + text + "'");
    return threshold;
}

// One word of a simulation's command line (with its value).
void takeSimWord(const std::vector<std::string>& words, std::size_t& i, SimArguments& a) {
    const std::string& word = words[i];
    if (word.empty())
        throw UsageError("an empty file name");
    if (TakeModelOption(words, i, a.model))
        return;
    if (word == "--measured") {
        if (a.measured)
            throw UsageError("--measured is given twice");
        a.measured = true;
        a.beforeMeasured = a.inputs.size();
    } else if (word == "--picture") {
        setOnce(a.picture, valueOf(words, i), word);
    } else if (word == "--out") {
        setOnce(a.out, valueOf(words, i), word);
    } else if (word == "--smoothed") {
        setOnce(a.smoothed, valueOf(words, i), word);
    } else if (word == "--flat" || word == "--peaks") {
        bool& flag = word == "--flat" ? a.flat : a.peaks;
        if (flag)
            throw UsageError(word + " is given twice");
        flag = true;
    } else if (word == "--width") {
        if (a.widthGiven)
            throw UsageError("--width is given twice");
        a.widthGiven = true;
        a.width = filterWidth(valueOf(words, i));
    } else if (word == "--threshold") {
        if (a.thresholdGiven)
            throw UsageError("--threshold is given twice");
        a.thresholdGiven = true;
        a.threshold = prominence(valueOf(words, i));
    } else if (!word.starts_with("-")) {
        a.inputs.push_back(word);
    } else {
        throw UsageError("unexpected '" + word + "'");
    }
}

// What the words ask for together: a picture, measured curves or a
// simulation, each with the options it takes.
void checkSimMode(const SimArguments& a) {
    if (a.flat && a.picture.empty())
        throw UsageError("--flat goes with --picture");
    if (!a.picture.empty()) {
        const std::size_t models = a.measured ? a.beforeMeasured : a.inputs.size();
        if (models > 1 || a.peaks || !a.out.empty() || a.widthGiven || a.thresholdGiven ||
            !a.smoothed.empty() || a.model.any())
            throw UsageError("--picture takes one model file and --measured curves");
    } else if (a.measured) {
        if (a.model.any())
            throw UsageError("--solver, --ru and --cdl go with a simulation");
        if (a.beforeMeasured > 0 || a.inputs.empty() || !a.out.empty() || a.peaks)
            throw UsageError("--measured takes curve files, --width, --threshold and --smoothed");
        if (!a.smoothed.empty() && a.inputs.size() != 1)
            throw UsageError("--smoothed takes exactly one curve file");
    } else if (a.inputs.size() > 1 || a.widthGiven || a.thresholdGiven || !a.smoothed.empty()) {
        throw UsageError("a simulation takes one model file, --out and --peaks");
    }
}

// One word of a fit's command line; list is where loose words go (the
// curves after --fit, the names after --vary, none before either).
void takeFitWord(const std::vector<std::string>& words, std::size_t& i, FitArguments& a,
                 std::vector<std::string>*& list) {
    const std::string& word = words[i];
    if (word == "--fit") {
        list = &a.curves;
    } else if (word == "--vary") {
        list = &a.vary;
    } else if (word == "--bounds") {
        a.bounds.push_back(valueOf(words, i));
        list = nullptr;
    } else if (word == "--out") {
        const std::string& value = valueOf(words, i);
        if (!a.out.empty())
            throw UsageError("--out is given twice");
        a.out = value;
        list = nullptr;
    } else if (word.starts_with("-")) {
        throw UsageError("unexpected '" + word + "' with --fit");
    } else if (list) {
        list->push_back(word);
    } else if (a.model.empty()) {
        a.model = word;
    } else {
        throw UsageError("a fit takes one model file, not also '" + word + "'");
    }
}

}  // namespace

bool TakeModelOption(const std::vector<std::string>& words, std::size_t& i, ModelOptions& options) {
    const std::string& word = words[i];
    if (word == "--solver") {
        const std::string& name = valueOf(words, i);
        if (name != "classic" && name != "implicit")
            throw UsageError("the solver is classic or implicit, not '" + name + "'");
        setOnce(options.solver, name == "implicit" ? Solver::Implicit : Solver::Classic, word);
    } else if (word == "--ru") {
        setOnce(options.resistance, nonNegative(word, valueOf(words, i)), word);
    } else if (word == "--cdl") {
        setOnce(options.capacitance, nonNegative(word, valueOf(words, i)), word);
    } else {
        return false;
    }
    return true;
}

void ApplyModelOptions(const ModelOptions& options, TModel& model) {
    if (options.solver)
        model.solver = *options.solver;
    if (options.resistance) {
        model.pilot.irComp = 1;
        model.pilot.resistance = *options.resistance;
    }
    if (options.capacitance) {
        model.pilot.icComp = 1;
        model.pilot.capacitance = *options.capacitance;
    }
}

SimArguments ParseSimArguments(const std::vector<std::string>& words) {
    SimArguments arguments;
    for (std::size_t i = 0; i < words.size(); ++i)
        takeSimWord(words, i, arguments);
    checkSimMode(arguments);
    return arguments;
}

FitArguments ParseFitArguments(const std::vector<std::string>& words) {
    FitArguments arguments;
    std::vector<std::string>* list = nullptr;
    for (std::size_t i = 0; i < words.size(); ++i)
        takeFitWord(words, i, arguments, list);
    if (arguments.model.empty())
        throw UsageError("--fit needs the model file to fit first");
    if (arguments.curves.empty())
        throw UsageError("--fit needs at least one curve file");
    if (arguments.vary.empty())
        throw UsageError("--vary needs at least one parameter name");
    return arguments;
}

bool AsksForFit(const std::vector<std::string>& words) {
    for (const std::string& word : words)
        if (word == "--fit")
            return true;
    return false;
}

}  // namespace ondrel
