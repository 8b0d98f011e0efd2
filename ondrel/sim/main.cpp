// ondrel-sim: simulates the cyclic voltammogram of a model file without a
// window, or finds the peaks of recorded voltammograms and smooths them.
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <new>
#include <optional>
#include <string>

#include "../curves/peaks.h"
#include "../curves/savitzky_golay.h"
#include "../curves/simulated_curve.h"
#include "../engine/cv_engine.h"
#include "../engine/engine_errors.h"
#include "../engine/model_check.h"
#include "../files/file_io.h"
#include "../files/model_file.h"
#include "../files/voltammogram_file.h"
#include "../model/validity.h"
#include "../platform/float_text.h"
#include "../ui/pictures/voltammogram_picture.h"
#include "batch_display.h"
#include "fit_command.h"
#include "point_table.h"
#include "program_information.h"
#include "sim_options.h"
#include "usage.h"

namespace {

using namespace ondrel;

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitStopped = 130;

// How long a FIFO or device named on the command line may keep the program
// waiting for the program at its other end, or for bytes to move; Ctrl+C
// ends the wait sooner.
constexpr std::chrono::seconds kStreamWait{10};

StreamPatience batchPatience() {
    return {kStreamWait, kStreamWait, &BatchDisplay::interrupted, [](const std::string& peer) {
                std::cerr << "ondrel-sim: waiting up to " << kStreamWait.count() << " s for "
                          << peer << " (Ctrl+C stops)\n";
            }};
}

// An output that is one of the inputs under another name (a link, a path
// with other folders) would be replaced by what was read from it.
void refuseInputAsOutput(const std::string& output, const std::vector<std::string>& inputs) {
    for (const std::string& input : inputs)
        if (SameFile(output, input))
            throw Exception("The output " + output + " is the input " + input +
                            " (the same file), which it would replace");
}

TModel loadModel(const std::string& path) {
    TModel model = DefaultModel();
    if (!path.empty() &&
        !LoadModelFile(path, model, UserDecimalSeparator(), nullptr, batchPatience()))
        throw Exception("Extension: " + ExtensionOf(path) +
                        " non reconnue (a model file ends in .CVN or .MEC)");
    return model;
}

std::string seconds(double value) {
    return FloatToText(value, '.') + " s";
}

int simulate(const SimArguments& arguments) {
    const std::string modelPath = arguments.inputs.empty() ? "" : arguments.inputs[0];
    // A run's result must not be lost to an output that cannot be written.
    if (!arguments.out.empty()) {
        refuseInputAsOutput(arguments.out, arguments.inputs);
        CheckWritable(arguments.out);
    }
    TModel model = loadModel(modelPath);
    ApplyModelOptions(arguments.model, model);
    // The model's problems name its file.
    const std::string origin = modelPath.empty() ? std::string() : modelPath + ": ";
    const auto problems = SnapshotProblems(model);
    if (!problems.empty()) {
        for (const std::string& problem : problems)
            std::cerr << origin << problem << '\n';
        std::cerr << kCantBuildExperiment << '\n';
        return kExitFailed;
    }
    if (const std::string problem = ModelProblem(model); !problem.empty()) {
        std::cerr << origin << problem << '\n';
        return kExitFailed;
    }

    std::vector<CVpoint> points;
    std::atomic<bool> freeze{false};
    BatchDisplay display;
    const std::unique_ptr<CVSimulation> simulation = MakeSimulation(model, points, freeze, display);
    CVSimulation& engine = *simulation;
    const RunFigures figures = engine.figures();
    display.watch(engine);

    std::cerr << "points: " << figures.nPoints << "\nsteps: " << figures.nSteps
              << "\nsteps per point: " << figures.stepsPerPoint << "\nboxes: " << figures.nBoxes
              << "\ndt: " << seconds(figures.dt) << "\ndx: " << FloatToText(figures.dx, '.')
              << " cm\n";
    const auto started = std::chrono::steady_clock::now();
    try {
        engine.Run();
    } catch (const EngineStopException& stop) {
        display.finish();
        std::cerr << stop.what() << '\n';
        return kExitStopped;
    } catch (const std::exception&) {
        display.finish();
        throw;
    }
    display.finish();
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started;
    std::cerr << "elapsed: " << seconds(elapsed.count()) << '\n';

    if (!arguments.out.empty()) {
        const auto format = CurveFormatOf(arguments.out);
        WriteWholeFile(
            arguments.out,
            format ? WriteVoltammogram(SimulatedCurve(points), *format, CurveOrigin::Simulated)
                   : PointTable(points),
            batchPatience());
    }
    if (arguments.peaks)
        std::cout << PeakTable(FindSimulatedPeaks(SimulatedCurve(points)).peaks) << std::flush;
    else if (arguments.out.empty())
        std::cout << PointTable(points) << std::flush;
    return 0;
}

int drawPicture(const SimArguments& arguments) {
    const bool modelGiven =
        arguments.measured ? arguments.beforeMeasured == 1 : arguments.inputs.size() == 1;
    const std::string model = modelGiven ? arguments.inputs.front() : std::string();
    const std::vector<std::string> curves(
        arguments.inputs.begin() + static_cast<std::ptrdiff_t>(modelGiven), arguments.inputs.end());
    refuseInputAsOutput(arguments.picture, arguments.inputs);
    WriteVoltammogramPicture(model, curves, arguments.picture, !arguments.flat);
    return 0;
}

int examineMeasured(const SimArguments& arguments) {
    const char separator = UserDecimalSeparator();
    // Refuses an unknown extension before any work.
    const CurveFormat smoothedFormat =
        arguments.smoothed.empty() ? CurveFormat::Ocv
                                   : WriteFormatOf(arguments.smoothed, CurveOrigin::Measured);
    if (!arguments.smoothed.empty()) {
        refuseInputAsOutput(arguments.smoothed, arguments.inputs);
        CheckWritable(arguments.smoothed);
    }
    // Every curve is read and examined before anything is printed or
    // written, so that a file that is refused leaves no partial report.
    std::string report, smoothedText;
    for (std::size_t i = 0; i < arguments.inputs.size(); ++i) {
        const std::string& path = arguments.inputs[i];
        const VoltammogramRead read =
            ReadVoltammogram(ReadWholeFile(path, batchPatience()), path, separator);
        try {
            const PeakSearch search = FindMeasuredPeaks(read.curve, arguments.width);
            const std::vector<Peak> peaks = ShownPeaks(read.curve, search, arguments.threshold);
            report += (i ? "\n" : "") + path + ": " + std::to_string(read.curve.size()) + " pts\n" +
                      PeakTable(peaks) + '\n' + CoupleTable(FindCouples(read.curve, peaks));
            if (!arguments.smoothed.empty()) {
                Curve smoothed;
                Smooth(read.curve, smoothed, arguments.width);
                smoothedText = WriteVoltammogram(smoothed, smoothedFormat, CurveOrigin::Measured);
            }
        } catch (const Exception& error) {
            throw Exception(path + ": " + error.what());
        }
    }
    if (!arguments.smoothed.empty())
        WriteWholeFile(arguments.smoothed, smoothedText, batchPatience());
    std::cout << report << std::flush;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (const auto answered = suite::AnswerHelpOrVersion(argc, argv, "ondrel-sim", PrintUsage))
        return *answered;
    if (argc == 2 && std::strcmp(argv[1], "-h") == 0) {
        PrintUsage(std::cout);
        return 0;
    }
    const std::vector<std::string> words(argv + 1, argv + argc);
    if (AsksForFit(words))
        return RunFitCommand(words);
    SimArguments arguments;
    try {
        arguments = ParseSimArguments(words);
    } catch (const UsageError& error) {
        std::cerr << "ondrel-sim: " << error.what() << '\n';
        PrintUsage(std::cerr);
        return kExitUsage;
    }
    // A write past the file-size limit, or into a FIFO whose reader has
    // gone, then fails with its cause instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
    try {
        if (!arguments.picture.empty())
            return drawPicture(arguments);
        // Ctrl+C stops a run, and a wait on a FIFO, as a request.
        BatchDisplay::catchInterrupt();
        return arguments.measured ? examineMeasured(arguments) : simulate(arguments);
    } catch (const std::bad_alloc&) {
        std::cerr << "ondrel-sim: not enough memory for this model or these files\n";
        return kExitFailed;
    } catch (const std::exception& error) {
        std::cerr << error.what() << '\n';
        return BatchDisplay::interrupted() ? kExitStopped : kExitFailed;
    }
}
