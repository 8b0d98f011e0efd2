#include "fit_command.h"

#include <algorithm>
#include <cctype>
#include <iostream>
#include <string>
#include <vector>

#include "../files/file_io.h"
#include "../files/model_file.h"
#include "../files/voltammogram_file.h"
#include "../fit/curve_fit.h"
#include "../fit/fit_table.h"
#include "../platform/float_text.h"
#include "../platform/ondrel_error.h"
#include "sim_options.h"

namespace ondrel {

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

bool endsWithModelExtension(const std::string& path) {
    std::string extension = ExtensionOf(path);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return extension == ".CVN" || extension == ".MEC";
}

TModel loadModel(const std::string& path, char separator) {
    TModel model = DefaultModel();
    if (!LoadModelFile(path, model, separator))
        throw Exception("Extension: " + ExtensionOf(path) +
                        " non reconnue (a model file ends in .CVN or .MEC)");
    return model;
}

// CURVE or CURVE:PROGRAM.CVN; the program is the model's own without one.
MeasuredCurve loadCurve(const std::string& word, const TModel& model, char separator) {
    MeasuredCurve measured;
    std::string path = word;
    measured.program = model.pilot;
    if (const std::size_t colon = word.rfind(':');
        colon != std::string::npos && endsWithModelExtension(word.substr(colon + 1))) {
        path = word.substr(0, colon);
        measured.program = loadModel(word.substr(colon + 1), separator).pilot;
    }
    measured.name = path;
    measured.curve = ReadVoltammogram(ReadWholeFile(path), path, separator).curve;
    return measured;
}

double boundNumber(const std::string& text, const std::string& bound) {
    try {
        return TextToFloat(text, '.');
    } catch (const EConvertError&) {
        throw UsageError("--bounds " + bound + ": '" + text + "' is not a number");
    }
}

// NAME=LO:HI onto the parameter list.
void applyBounds(const std::string& bound, std::vector<FitParameter>& parameters) {
    const std::size_t equals = bound.find('=');
    const std::size_t colon = bound.find(':', equals == std::string::npos ? 0 : equals);
    if (equals == std::string::npos || colon == std::string::npos)
        throw UsageError("--bounds takes NAME=LO:HI, not '" + bound + "'");
    FitParameter* p = FindParameter(parameters, bound.substr(0, equals));
    if (!p)
        throw UsageError("--bounds " + bound + ": the model has no parameter " +
                         bound.substr(0, equals) + " (it has " + ParameterNames(parameters) + ")");
    p->lower = boundNumber(bound.substr(equals + 1, colon - equals - 1), bound);
    p->upper = boundNumber(bound.substr(colon + 1), bound);
}

}  // namespace

int RunFitCommand(const std::vector<std::string>& words) {
    FitArguments arguments;
    try {
        arguments = ParseFitArguments(words);
    } catch (const UsageError& error) {
        std::cerr << "ondrel-sim: " << error.what() << '\n';
        return kExitUsage;
    }
    try {
        const char separator = UserDecimalSeparator();
        const TModel model = loadModel(arguments.model, separator);
        if (!arguments.out.empty()) {
            ModelFileText(model, arguments.out, separator);  // refuses the extension now
            CheckWritable(arguments.out);
        }
        std::vector<FitParameter> parameters = FitParameters(model);
        for (const std::string& bound : arguments.bounds)
            applyBounds(bound, parameters);
        std::vector<FitParameter> varied;
        for (const std::string& name : arguments.vary) {
            const FitParameter* p = FindParameter(parameters, name);
            if (!p)
                throw Exception("The model has no parameter " + name + " (it has " +
                                ParameterNames(parameters) + ").");
            varied.push_back(*p);
        }
        for (const std::string& bound : arguments.bounds) {
            const std::string name = bound.substr(0, bound.find('='));
            if (std::none_of(varied.begin(), varied.end(),
                             [&](const FitParameter& p) { return p.name == name; }))
                throw UsageError("--bounds " + bound + ": " + name + " is not varied");
        }
        std::vector<MeasuredCurve> curves;
        for (const std::string& word : arguments.curves) {
            curves.push_back(loadCurve(word, model, separator));
            if (!arguments.out.empty() && SameFile(arguments.out, curves.back().name))
                throw Exception("The output " + arguments.out + " is the curve " +
                                curves.back().name + " (the same file), which it would replace");
        }

        CurveFit fit(model, std::move(curves), std::move(varied));
        const FitResult result = fit.Run([](const FitProgress& progress) {
            std::cerr << "iteration " << progress.iteration << ": residual sum "
                      << FitNumber(progress.residualSum) << " uA2\n";
        });
        if (result.status == FitStatus::Failed) {
            std::cerr << result.message << '\n';
            return kExitFailed;
        }
        std::cout << FitResultTable(result) << std::flush;
        if (result.status != FitStatus::Converged) {
            std::cerr << "ondrel-sim: " << result.message << " (no model written)\n";
            return kExitFailed;
        }
        if (!arguments.out.empty())
            WriteWholeFile(arguments.out, ModelFileText(result.model, arguments.out, separator));
        return 0;
    } catch (const UsageError& error) {
        std::cerr << "ondrel-sim: " << error.what() << '\n';
        return kExitUsage;
    } catch (const std::exception& error) {
        std::cerr << error.what() << '\n';
        return kExitFailed;
    }
}

}  // namespace ondrel
