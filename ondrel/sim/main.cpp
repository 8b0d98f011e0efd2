// ondrel-sim: simulates the cyclic voltammogram of a model file without a
// window and writes the points as text.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "../engine/cv_engine.h"
#include "../engine/engine_errors.h"
#include "../engine/program_check.h"
#include "../files/cvn_file.h"
#include "../files/file_io.h"
#include "../model/validity.h"
#include "../platform/float_text.h"
#include "batch_display.h"
#include "point_table.h"

namespace {

using namespace ondrel;

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitStopped = 130;

void printUsage(std::ostream& out) {
    out << "usage: ondrel-sim [MODEL.CVN] [--out FILE]\n"
           "Simulates the model (the default model without MODEL) and writes its points,\n"
           "E (mV) and I (uA) separated by a tab, to FILE or to standard output.\n";
}

struct Arguments {
    std::string model;
    std::string out;
};

bool parse(int argc, char** argv, Arguments& arguments) {
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--out" && i + 1 < argc && arguments.out.empty()) {
            arguments.out = argv[++i];
        } else if (!word.starts_with("-") && arguments.model.empty()) {
            arguments.model = word;
        } else {
            return false;
        }
    }
    return true;
}

TModel loadModel(const std::string& path) {
    TModel model = DefaultModel();
    if (path.empty())
        return model;
    std::string extension = ExtensionOf(path);
    for (char& c : extension)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (extension != ".CVN")
        throw Exception("Extension: " + ExtensionOf(path) +
                        " non reconnue (a model file ends in .CVN)");
    ReadCvn(ReadWholeFile(path), model, UserDecimalSeparator());
    return model;
}

std::string seconds(double value) {
    return FloatToText(value, '.') + " s";
}

}  // namespace

int main(int argc, char** argv) {
    Arguments arguments;
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        printUsage(std::cout);
        return 0;
    }
    if (!parse(argc, argv, arguments)) {
        printUsage(std::cerr);
        return kExitUsage;
    }

    try {
        const TModel model = loadModel(arguments.model);
        const auto problems = SnapshotProblems(model);
        if (!problems.empty()) {
            for (const std::string& problem : problems)
                std::cerr << problem << '\n';
            std::cerr << kCantBuildExperiment << '\n';
            return kExitFailed;
        }
        if (const std::string problem = ProgramProblem(model.pilot); !problem.empty()) {
            std::cerr << problem << '\n';
            return kExitFailed;
        }

        std::vector<CVpoint> points;
        std::atomic<bool> freeze{false};
        BatchDisplay display;
        TCVEngine engine(model, points, freeze, display);
        display.watch(engine);
        BatchDisplay::catchInterrupt();

        std::cerr << "points: " << engine.nPoints() << "\nsteps: " << engine.nSteps()
                  << "\nsteps per point: " << engine.stepsPerPoint()
                  << "\nboxes: " << engine.nBoxes() << "\ndt: " << seconds(engine.dt())
                  << "\ndx: " << FloatToText(engine.dx(), '.') << " cm\n";
        const auto started = std::chrono::steady_clock::now();
        try {
            engine.Run();
        } catch (const EngineStopException& stop) {
            display.finish();
            std::cerr << stop.what() << '\n';
            return kExitStopped;
        }
        display.finish();
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started;
        std::cerr << "elapsed: " << seconds(elapsed.count()) << '\n';

        const std::string table = PointTable(points);
        if (arguments.out.empty())
            std::cout << table << std::flush;
        else
            WriteWholeFile(arguments.out, table);
        return 0;
    } catch (const std::exception& error) {
        std::cerr << error.what() << '\n';
        return kExitFailed;
    }
}
