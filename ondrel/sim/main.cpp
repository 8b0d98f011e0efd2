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

void printUsage(std::ostream& out) {
    out << "Usage: ondrel-sim [MODEL] [--solver classic|implicit] [--out FILE] [--peaks]\n"
           "  or:  ondrel-sim --measured CURVE... [--width W] [--threshold T] [--smoothed FILE]\n"
           "  or:  ondrel-sim [MODEL] [--measured CURVE...] --picture FILE [--flat]\n"
           "  or:  ondrel-sim MODEL --fit CURVE[:PROGRAM.CVN]... --vary NAME...\n"
           "                  [--bounds NAME=LO:HI]... [--out FITTED.CVN]\n"
           "\n"
           "Simulates MODEL (.CVN or .MEC; the default model without it). The points,\n"
           "E (mV) and I (uA) separated by a tab, go to standard output, or to FILE:\n"
           "as a .OCV, .AA0 or .PRN voltammogram by its extension, as text otherwise.\n"
           "--peaks prints the peaks of the simulated curve (index, Ep in mV, Ip in uA)\n"
           "on standard output instead of the points. --solver chooses the explicit\n"
           "engine (classic) or the implicit one, for fast chemistry, over the model's\n"
           "own choice. --ru and --cdl set the uncompensated resistance (ohm) and the\n"
           "double-layer capacitance (uF/cm2) over the model's, switched on; they act in\n"
           "the implicit solver.\n"
           "\n"
           "--measured reads recorded voltammograms (.OCV, .AA0 or .PRN) and prints the\n"
           "peaks of each, found with a Savitzky-Golay derivative of width W (5 to 25,\n"
           "odd, default 11), those that stand out of the curve's noise by T times its\n"
           "standard deviation (default 10; 0 keeps every zero of the derivative),\n"
           "and under them its couples: Epa, Epc, dEp, E1/2 (mV) and |Ipa/Ipc|, each\n"
           "peak current from its own baseline. --smoothed writes the one CURVE\n"
           "smoothed with width W to FILE, a .OCV, .AA0 or .PRN voltammogram by its\n"
           "extension.\n"
           "\n"
           "--picture simulates MODEL and draws the voltammogram chart as the window\n"
           "shows it after the run, with the recorded CURVEs overlaid, into FILE: an\n"
           "Enhanced Metafile (.EMF or .WMF), .BMP, .SVG, .PDF or .PNG by its extension.\n"
           "--flat draws it without the chart's 3D look.\n"
           "\n"
           "--fit fits MODEL's simulation to the recorded CURVEs, each recorded under the\n"
           "potential program of PROGRAM.CVN (MODEL's own without one), varying the\n"
           "parameters NAMEd (E0(1), k0(1), alpha(1), kf(2), kb(2), D(species),\n"
           "C(species), Ru, Cdl) within their bounds. It prints the fitted values with\n"
           "their standard errors, the correlations and the fit's figures as\n"
           "tab-separated text and writes the fitted model to FITTED.CVN (or .MEC).\n"
           "\n"
           "      --help     show this help and exit\n"
           "      --version  show the version and exit\n";
}

struct Arguments {
    bool measured = false;
    bool peaks = false;
    std::vector<std::string> inputs;
    std::size_t beforeMeasured = 0;  // how many inputs came before --measured
    std::string picture;
    bool flat = false;
    std::optional<Solver> solver;
    std::optional<double> resistance, capacitance;
    std::string out;
    std::string smoothed;
    int width = kDefaultFilterWidth;
    double threshold = kDefaultProminence;
};

bool readThreshold(const std::string& text, double& threshold) {
    try {
        threshold = TextToFloat(text, '.');
    } catch (const EConvertError&) {
        return false;
    }
    return threshold >= 0 && std::isfinite(threshold);
}

bool readWidth(const std::string& text, int& width) {
    try {
        width = TextToInt(text);
    } catch (const EConvertError&) {
        return false;
    }
    return width >= kMinFilterWidth && width <= kMaxFilterWidth && width % 2 == 1;
}

// Parses the command line; false after printing what is wrong with it.
bool parse(int argc, char** argv, Arguments& arguments) {
    bool widthGiven = false, thresholdGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        const bool hasValue = i + 1 < argc;
        // An empty name (an unset shell variable) would otherwise mean no
        // file: the default model, or no output at all.
        const bool namesFile = word == "--out" || word == "--smoothed" || word == "--picture";
        if (word.empty() || (namesFile && hasValue && argv[i + 1][0] == '\0')) {
            std::cerr << "ondrel-sim: an empty file name" << (namesFile ? " after " + word : "")
                      << '\n';
            return false;
        }
        if (word == "--measured" && !arguments.measured) {
            arguments.measured = true;
            arguments.beforeMeasured = arguments.inputs.size();
        } else if (word == "--picture" && hasValue && arguments.picture.empty()) {
            arguments.picture = argv[++i];
        } else if (word == "--solver" && hasValue && !arguments.solver) {
            const std::string name = argv[++i];
            if (name != "classic" && name != "implicit") {
                std::cerr << "ondrel-sim: the solver is classic or implicit, not '" << name
                          << "'\n";
                return false;
            }
            arguments.solver = name == "implicit" ? Solver::Implicit : Solver::Classic;
        } else if ((word == "--ru" && hasValue && !arguments.resistance) ||
                   (word == "--cdl" && hasValue && !arguments.capacitance)) {
            const std::string text = argv[++i];
            double value = -1;
            try {
                value = TextToFloat(text, '.');
            } catch (const EConvertError&) {
            }
            if (!(value >= 0) || !std::isfinite(value)) {
                std::cerr << "ondrel-sim: " << word << " takes a number of at least 0, not '"
                          << text << "'\n";
                return false;
            }
            (word == "--ru" ? arguments.resistance : arguments.capacitance) = value;
        } else if (word == "--flat" && !arguments.flat) {
            arguments.flat = true;
        } else if (word == "--peaks" && !arguments.peaks) {
            arguments.peaks = true;
        } else if (word == "--out" && hasValue && arguments.out.empty()) {
            arguments.out = argv[++i];
        } else if (word == "--smoothed" && hasValue && arguments.smoothed.empty()) {
            arguments.smoothed = argv[++i];
        } else if (word == "--width" && hasValue && !widthGiven) {
            widthGiven = true;
            if (!readWidth(argv[++i], arguments.width)) {
                std::cerr << "ondrel-sim: the width must be an odd number from 5 to 25\n";
                return false;
            }
        } else if (word == "--threshold" && hasValue && !thresholdGiven) {
            thresholdGiven = true;
            if (!readThreshold(argv[++i], arguments.threshold)) {
                std::cerr << "ondrel-sim: the threshold must be a number from 0 up, not '"
                          << argv[i] << "'\n";
                return false;
            }
        } else if (!word.starts_with("-")) {
            arguments.inputs.push_back(word);
        } else {
            std::cerr << "ondrel-sim: unexpected '" << word << "'\n";
            return false;
        }
    }
    if (arguments.flat && arguments.picture.empty()) {
        std::cerr << "ondrel-sim: --flat goes with --picture\n";
        return false;
    }
    if (!arguments.picture.empty()) {
        const std::size_t models =
            arguments.measured ? arguments.beforeMeasured : arguments.inputs.size();
        if (models > 1 || arguments.peaks || !arguments.out.empty() || widthGiven ||
            thresholdGiven || !arguments.smoothed.empty() || arguments.solver ||
            arguments.resistance || arguments.capacitance) {
            std::cerr << "ondrel-sim: --picture takes one model file and --measured curves\n";
            return false;
        }
    } else if (arguments.measured) {
        if (arguments.solver || arguments.resistance || arguments.capacitance) {
            std::cerr << "ondrel-sim: --solver, --ru and --cdl go with a simulation\n";
            return false;
        }
        if (arguments.beforeMeasured > 0 || arguments.inputs.empty() || !arguments.out.empty() ||
            arguments.peaks) {
            std::cerr << "ondrel-sim: --measured takes curve files, --width, --threshold and "
                         "--smoothed\n";
            return false;
        }
        if (!arguments.smoothed.empty() && arguments.inputs.size() != 1) {
            std::cerr << "ondrel-sim: --smoothed takes exactly one curve file\n";
            return false;
        }
    } else if (arguments.inputs.size() > 1 || widthGiven || thresholdGiven ||
               !arguments.smoothed.empty()) {
        std::cerr << "ondrel-sim: a simulation takes one model file, --out and --peaks\n";
        return false;
    }
    return true;
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

int simulate(const Arguments& arguments) {
    const std::string modelPath = arguments.inputs.empty() ? "" : arguments.inputs[0];
    // A run's result must not be lost to an output that cannot be written.
    if (!arguments.out.empty()) {
        refuseInputAsOutput(arguments.out, arguments.inputs);
        CheckWritable(arguments.out);
    }
    TModel model = loadModel(modelPath);
    if (arguments.solver)
        model.solver = *arguments.solver;
    if (arguments.resistance) {
        model.pilot.irComp = 1;
        model.pilot.resistance = *arguments.resistance;
    }
    if (arguments.capacitance) {
        model.pilot.icComp = 1;
        model.pilot.capacitance = *arguments.capacitance;
    }
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

int drawPicture(const Arguments& arguments) {
    const bool modelGiven =
        arguments.measured ? arguments.beforeMeasured == 1 : arguments.inputs.size() == 1;
    const std::string model = modelGiven ? arguments.inputs.front() : std::string();
    const std::vector<std::string> curves(
        arguments.inputs.begin() + static_cast<std::ptrdiff_t>(modelGiven), arguments.inputs.end());
    refuseInputAsOutput(arguments.picture, arguments.inputs);
    WriteVoltammogramPicture(model, curves, arguments.picture, !arguments.flat);
    return 0;
}

int examineMeasured(const Arguments& arguments) {
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
    if (const auto answered = suite::AnswerHelpOrVersion(argc, argv, "ondrel-sim", printUsage))
        return *answered;
    if (argc == 2 && std::strcmp(argv[1], "-h") == 0) {
        printUsage(std::cout);
        return 0;
    }
    if (AsksForFit(argc, argv))
        return RunFitCommand(argc, argv);
    Arguments arguments;
    if (!parse(argc, argv, arguments)) {
        printUsage(std::cerr);
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
