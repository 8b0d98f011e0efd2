// ondrel-sim --fit run as a script runs it.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "files/cvn_file.h"
#include "files/voltammogram_file.h"
#include "fit_cases.h"
#include "test_support/process_run.h"
#include "test_support/temp_dir.h"

namespace ondrel {
namespace {

using test_support::ProcessResult;
using test_support::TempDir;

ProcessResult runSim(const std::vector<std::string>& arguments) {
    return test_support::RunProcess(ONDREL_SIM, arguments, {});
}

// The row of a parameter in the result table, split at its tabs.
std::vector<std::string> row(const std::string& table, const std::string& name) {
    std::istringstream in(table);
    for (std::string line; std::getline(in, line);) {
        if (!line.starts_with(name + "\t"))
            continue;
        std::vector<std::string> fields;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, '\t');)
            fields.push_back(cell);
        return fields;
    }
    return {};
}

// Two recordings of one couple, at the model's 0.1 V/s and at 0.5 V/s under
// a program file of their own; the model to fit starts 20 mV and a factor of
// five off.
struct FitFiles {
    TempDir dir;
    FitFiles() {
        const TModel truth = FitCoupleModel(0, 0.01, 0.5);
        const TModel fast = FitCoupleModel(0, 0.01, 0.5, 0.5);
        dir.write("slow.OCV", WriteVoltammogram(SimulatedRecording(truth, 0.01, 3, 4).curve,
                                                CurveFormat::Ocv, CurveOrigin::Measured));
        dir.write("fast.OCV", WriteVoltammogram(SimulatedRecording(fast, 0.01, 4, 4).curve,
                                                CurveFormat::Ocv, CurveOrigin::Measured));
        dir.write("fast.CVN", WriteCvn(fast, '.'));
        TModel start = truth;
        start.couples[1].E0 = 0.02;
        start.couples[1].k0 = 0.05;
        dir.write("start.CVN", WriteCvn(start, '.'));
    }
    std::string operator/(const std::string& name) const { return (dir / name).string(); }
};

TEST(OndrelSimFit, FitsRecordingsUnderTheirProgramsAndWritesTheFittedModel) {
    const FitFiles files;
    const ProcessResult result = runSim(
        {files / "start.CVN", "--fit", files / "slow.OCV", files / "fast.OCV:" + files / "fast.CVN",
         "--vary", "E0(1)", "k0(1)", "--bounds", "k0(1)=1e-4:1", "--out", files / "fitted.CVN"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(result.out.starts_with("parameter\tvalue\tstandard error\tunit\t"));
    const std::vector<std::string> E0 = row(result.out, "E0(1)");
    ASSERT_GE(E0.size(), 4u) << result.out;
    EXPECT_LT(std::fabs(std::stod(E0[1])), 0.001);
    EXPECT_GT(std::stod(E0[2]), 0);
    EXPECT_EQ(E0[3], "V");
    const std::vector<std::string> k0 = row(result.out, "k0(1)");
    ASSERT_GE(k0.size(), 6u);
    EXPECT_NEAR(std::stod(k0[4]), -2, 0.05);
    for (const char* figure : {"status\tconverged", "reduced chi2\t", "points\t", "simulations\t",
                               "time\t", "correlation\tE0(1)\tk0(1)"})
        EXPECT_NE(result.out.find(figure), std::string::npos) << figure;
    EXPECT_NE(result.err.find("iteration 1: residual sum"), std::string::npos);

    TModel fitted;
    ReadCvn(test_support::ReadFile(files / "fitted.CVN"), fitted, '.');
    EXPECT_LT(std::fabs(fitted.couples[1].E0), 0.001);
    EXPECT_NEAR(fitted.couples[1].k0, 0.01, 0.001);
    EXPECT_EQ(fitted.pilot.scanRate, 0.1);  // the model's own program
}

TEST(OndrelSimFit, BadRequestsAreRefusedWithAMessageAndWriteNothing) {
    const FitFiles files;
    const std::string out = files / "fitted.CVN";
    struct Case {
        std::vector<std::string> arguments;
        int exitCode;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{files / "start.CVN", "--fit", files / "slow.OCV", "--vary", "kf(1)"},
         1,
         "The model has no parameter kf(1) (it has E0(1) k0(1) alpha(1)"},
        {{files / "start.CVN", "--fit", files / "slow.OCV", "--vary", "E0(1)", "--bounds",
          "E0(1)=0.1:-0.1"},
         1,
         "E0(1): the bounds 0.1:-0.1 are reversed"},
        {{files / "start.CVN", "--fit", files / "slow.OCV", "--vary", "E0(1)", "--bounds",
          "alpha(1)=0.2:0.8"},
         2,
         "alpha(1) is not varied"},
        {{files / "start.CVN", "--fit", files / "slow.OCV", "--vary", "E0(1)", "--bounds",
          "E0(1)=a:1"},
         2,
         "'a' is not a number"},
        {{files / "start.CVN", "--fit", files / "slow.OCV"}, 2, "--vary needs at least one"},
        {{files / "start.CVN", "--fit", files / "missing.OCV", "--vary", "E0(1)"},
         1,
         "missing.OCV"},
        {{files / "start.CVN", "--fit", files / "slow.OCV", "--vary", "E0(1)", "--out",
          files / "fitted.txt"},
         1,
         "Extension non reconnue"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = c.arguments;
        if (std::find(arguments.begin(), arguments.end(), "--out") == arguments.end()) {
            arguments.push_back("--out");
            arguments.push_back(out);
        }
        const ProcessResult result = runSim(arguments);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.message << "\n" << result.err;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
        EXPECT_TRUE(result.out.empty()) << result.out;
        EXPECT_FALSE(std::filesystem::exists(out)) << c.message;
    }
}

}  // namespace
}  // namespace ondrel
