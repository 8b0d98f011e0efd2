// ondrel-sim run as a script runs it.
#include <gtest/gtest.h>

#include <random>

#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include <sys/stat.h>

#include "files/cvn_file.h"
#include "files/mec_file.h"
#include "files/voltammogram_file.h"
#include "one_couple_model.h"
#include "test_support/process_run.h"
#include "test_support/temp_dir.h"

namespace ondrel {
namespace {

namespace fs = std::filesystem;

using test_support::ProcessResult;
using test_support::ReadFile;
using test_support::TempDir;
using Result = ProcessResult;

// Runs ondrel-sim; interruptOnError, when set, sends SIGINT once its
// standard error holds that text.
Result runSim(const std::vector<std::string>& arguments, const std::string& interruptOnError = {}) {
    test_support::ProcessOptions options;
    options.interruptOnError = interruptOnError;
    return test_support::RunProcess(ONDREL_SIM, arguments, options);
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

TEST(OndrelSim, SimulatesTheDefaultModelToStandardOutput) {
    TempDir dir;
    const Result result = runSim({});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto rows = lines(result.out);
    ASSERT_GT(rows.size(), 900u);
    EXPECT_EQ(rows[0], "E (mV)\tI (\u00B5A)");
    EXPECT_EQ(rows[1].substr(0, 5), "1100\t");
    for (const char* figure : {"points: 1000", "steps: 2000", "steps per point: 2",
                               "boxes: ", "dt: ", "dx: ", "elapsed: "})
        EXPECT_NE(result.err.find(figure), std::string::npos) << figure;
}

TEST(OndrelSim, WritesAModelFilesPointsToTheOutputFile) {
    TempDir dir;
    TModel model = DefaultModel();
    model.couples.remove(1);
    model.pilot.Eswitch1 = 1.4;  // 300 mV there and back
    std::ofstream(dir / "model.CVN", std::ios::binary) << WriteCvn(model, '.');
    const Result result =
        runSim({(dir / "model.CVN").string(), "--out", (dir / "iv.txt").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(result.out.empty());
    const auto rows = lines(ReadFile(dir / "iv.txt"));
    ASSERT_GT(rows.size(), 590u);
    EXPECT_LE(rows.size(), 601u);
    // Numbers always carry ".", a tab between them.
    EXPECT_EQ(rows[1].find(','), std::string::npos);
    EXPECT_NE(rows[1].find('\t'), std::string::npos);
}

TEST(OndrelSim, RefusesBadModelsAndCommandLinesWithAMessage) {
    TempDir dir;
    TModel invalid = DefaultModel();
    invalid.couples[1].red = invalid.couples[1].ox;
    std::ofstream(dir / "invalid.CVN", std::ios::binary) << WriteCvn(invalid, '.');
    Result result = runSim({(dir / "invalid.CVN").string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, (dir / "invalid.CVN").string() +
                              ": Invalid Redox Reaction ! Couple 1: Ox and Red are both E1\n"
                              "Can't Build Experiment !\n");

    TModel still = DefaultModel();
    still.pilot.scanRate = 0;
    std::ofstream(dir / "still.cvn", std::ios::binary) << WriteCvn(still, '.');
    result = runSim({(dir / "still.cvn").string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("scan rate"), std::string::npos);

    std::ofstream(dir / "broken.CVN", std::ios::binary) << "General:\r\n298\r\nabc\r\n";
    result = runSim({(dir / "broken.CVN").string(), "--out", (dir / "none.txt").string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("Line 3: 'abc'"), std::string::npos) << result.err;
    EXPECT_FALSE(fs::exists(dir / "none.txt"));

    result = runSim({(dir / "absent.CVN").string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("absent.CVN"), std::string::npos);

    EXPECT_EQ(runSim({"--frobnicate"}).exitCode, 2);
    EXPECT_EQ(runSim({"--out"}).exitCode, 2);
}

// A model of one couple that gives one peak each way.
TModel oneCouple() {
    return testing::OneCoupleModel();
}

TEST(OndrelSim, ReadsMecModelsWritesCurveFilesAndListsPeaks) {
    TempDir dir;
    std::ofstream(dir / "one.MEC", std::ios::binary) << WriteMec(oneCouple(), "d", "t");
    const Result result =
        runSim({(dir / "one.MEC").string(), "--out", (dir / "iv.PRN").string(), "--peaks"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto rows = lines(result.out);
    ASSERT_EQ(rows.size(), 3u) << result.out;
    EXPECT_EQ(rows[0], "index\tEp (mV)\tIp (\u00B5A)");
    EXPECT_EQ(rows[1].substr(0, 7), "1\t1278.");
    EXPECT_EQ(rows[2].substr(0, 8), "2\t1220.5");

    // A simulated curve so written reads back with its sign inverted.
    const VoltammogramRead read =
        ReadVoltammogram(ReadFile(dir / "iv.PRN"), (dir / "iv.PRN").string(), '.');
    ASSERT_EQ(read.curve.size(), 1200u);
    EXPECT_EQ(read.curve.front().potential, 950);
    EXPECT_LT(std::min_element(read.curve.begin(), read.curve.begin() + 600,
                               [](auto& a, auto& b) { return a.current < b.current; })
                  ->current,
              -8.8);
}

TEST(OndrelSim, MeasuredCurvesGetTheirPeaksAndASmoothedCopy) {
    TempDir dir;
    ASSERT_EQ(runSim({"--out", (dir / "sim.OCV").string()}).exitCode, 0);
    std::ofstream(dir / "flat.AA0", std::ios::binary)
        << "VM2/DAT\r\n3\r\nE (mV)\r\nI (mA)\r\nt (s)\r\n";

    Result result = runSim({"--measured", (dir / "sim.OCV").string(), "--width", "7", "--smoothed",
                            (dir / "smooth.AA0").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    auto rows = lines(result.out);
    ASSERT_GE(rows.size(), 4u) << result.out;
    EXPECT_EQ(rows[0], (dir / "sim.OCV").string() + ": 1000 pts");
    EXPECT_EQ(rows[1], "index\tEp (mV)\tIp (\u00B5A)");
    const VoltammogramRead smoothed =
        ReadVoltammogram(ReadFile(dir / "smooth.AA0"), (dir / "smooth.AA0").string(), '.');
    EXPECT_EQ(smoothed.curve.size(), 1000u);

    result = runSim({"--measured", (dir / "sim.OCV").string(), (dir / "flat.AA0").string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.out.empty()) << "a report of some curves only";
    EXPECT_EQ(result.err, (dir / "flat.AA0").string() +
                              ": The curve has 0 points, fewer than the 11 of the filter window\n");

    result = runSim(
        {"--measured", (dir / "sim.OCV").string(), "--smoothed", (dir / "smooth.csv").string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "Unknown Extension: .CSV\n");
    EXPECT_TRUE(result.out.empty());

    EXPECT_EQ(runSim({"--measured"}).exitCode, 2);
    // An empty name is no file, not the lack of one.
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{""},
          {"--out", ""},
          {"--measured", "", "--width", "7"},
          {"--measured", (dir / "sim.OCV").string(), "--smoothed", ""},
          {"--picture", ""}}) {
        result = runSim(arguments);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_EQ(result.err.rfind("ondrel-sim: an empty file name", 0), 0u) << result.err;
        EXPECT_TRUE(result.out.empty()) << result.out;
    }
    EXPECT_EQ(runSim({"--measured", "a.OCV", "--width", "8"}).exitCode, 2);
    EXPECT_EQ(runSim({"--measured", "a.OCV", "b.OCV", "--smoothed", "c.OCV"}).exitCode, 2);
    EXPECT_EQ(runSim({"--width", "7"}).exitCode, 2);
}

TEST(OndrelSim, MeasuredCurvesListTheirCouplesUnderTheirPeaks) {
    TempDir dir;
    ASSERT_EQ(runSim({"--out", (dir / "sim.OCV").string()}).exitCode, 0);
    Result result = runSim({"--measured", (dir / "sim.OCV").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    // The two couples of the default model, each read from its baselines.
    auto rows = lines(result.out);
    ASSERT_EQ(rows.size(), 1u + 5 + 1 + 3) << result.out;
    EXPECT_EQ(rows[6], "");
    EXPECT_EQ(rows[7], "Epa (mV)\tEpc (mV)\t\u0394Ep (mV)\tE\u00BD (mV)\t|Ipa/Ipc|");
    for (const std::size_t row : {8u, 9u}) {
        const std::string ratio = rows[row].substr(rows[row].rfind('\t') + 1);
        EXPECT_NEAR(std::stod(ratio), 1, 0.1) << rows[row];
    }

    // Noise of 1 % of the peak current: its wiggles are peaks only at 0.
    std::string text = ReadFile(dir / "sim.OCV");
    const Curve clean = ReadVoltammogram(text, "sim.OCV", '.').curve;
    Curve noisy = clean;
    std::mt19937 random(1);
    std::normal_distribution<double> noise(0, 0.1);
    for (CurvePoint& point : noisy)
        point.current += noise(random);
    std::ofstream(dir / "noisy.OCV", std::ios::binary)
        << WriteVoltammogram(noisy, CurveFormat::Ocv, CurveOrigin::Measured);
    result = runSim({"--measured", (dir / "noisy.OCV").string(), "--threshold", "10"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::size_t kept = lines(result.out).size();
    EXPECT_LE(kept, rows.size()) << result.out;
    EXPECT_NE(result.out.find(rows[7]), std::string::npos);
    result = runSim({"--measured", (dir / "noisy.OCV").string(), "--threshold", "0"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_GT(lines(result.out).size(), kept + 5) << result.out;

    for (const char* bad : {"-1", "ten", "inf"})
        EXPECT_EQ(runSim({"--measured", "a.OCV", "--threshold", bad}).exitCode, 2) << bad;
    EXPECT_EQ(runSim({"--threshold", "3"}).exitCode, 2);
}

TEST(OndrelSim, DrawsTheVoltammogramChartWithMeasuredCurvesIntoAPicture) {
    TempDir dir;
    Curve measured;
    for (int e = 1100; e <= 1600; e += 2)
        measured.push_back({double(e), 5 * std::sin(e / 50.0)});
    std::ofstream(dir / "m.OCV", std::ios::binary)
        << WriteVoltammogram(measured, CurveFormat::Ocv, CurveOrigin::Measured);
    std::ofstream(dir / "model.CVN", std::ios::binary) << WriteCvn(DefaultModel(), '.');

    Result result = runSim({(dir / "model.CVN").string(), "--measured", (dir / "m.OCV").string(),
                            "--picture", (dir / "chart.emf").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string emf = ReadFile(dir / "chart.emf");
    ASSERT_GT(emf.size(), 108u);
    EXPECT_EQ(emf.substr(40, 4), " EMF");
    // The axis titles are text in the picture, as UTF-16.
    const std::string title = std::string("E\0 \0(\0m\0V\0)\0", 12);
    EXPECT_NE(emf.find(title), std::string::npos);

    // The window's 3D look draws walls, a floor and a ribbon (one shape) for
    // each of the two curves; --flat leaves them out.
    auto filledShapes = [](const std::string& file) {
        int count = 0;
        for (std::size_t at = 0; at + 8 <= file.size();) {
            std::uint32_t type = 0, size = 0;
            std::memcpy(&type, file.data() + at, 4);
            std::memcpy(&size, file.data() + at + 4, 4);
            count += type == 8;  // EMR_POLYPOLYGON
            if (size == 0)
                break;
            at += size;
        }
        return count;
    };
    result = runSim({(dir / "model.CVN").string(), "--measured", (dir / "m.OCV").string(),
                     "--picture", (dir / "flat.emf").string(), "--flat"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_LE(filledShapes(ReadFile(dir / "flat.emf")) + 3, filledShapes(emf));
    EXPECT_EQ(runSim({"--flat"}).exitCode, 2);

    // Without a model: the default one; the format from the extension.
    result = runSim({"--picture", (dir / "chart.svg").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(ReadFile(dir / "chart.svg").find("<svg"), std::string::npos);
    EXPECT_TRUE(result.err.empty()) << result.err;

    // What cannot be drawn is refused and leaves no file.
    result = runSim({"--picture", (dir / "chart.gif").string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find(".gif"), std::string::npos) << result.err;
    EXPECT_FALSE(fs::exists(dir / "chart.gif"));
    std::ofstream(dir / "bad.OCV", std::ios::binary) << "2\r\n0.1, 1e-6\r\n";
    result =
        runSim({"--measured", (dir / "bad.OCV").string(), "--picture", (dir / "bad.png").string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("bad.OCV"), std::string::npos) << result.err;
    EXPECT_FALSE(fs::exists(dir / "bad.png"));
    EXPECT_EQ(runSim({"--picture", (dir / "p.png").string(), "--peaks"}).exitCode, 2);
}

TEST(OndrelSim, TheImplicitSolverRunsWhatTheModelOrTheCommandLineChooses) {
    TempDir dir;
    // Red - e -> Ox, Ox -> P at 10^9 /s: the classic engine would need
    // 2·10^9 steps.
    TModel model = DefaultModel();
    model.couples.remove(1);
    model.reactions.append({2, 0, 1, 0, 1e9, 0});
    model.solver = Solver::Implicit;
    std::ofstream(dir / "fast.CVN", std::ios::binary) << WriteCvn(model, '.');
    Result result = runSim({(dir / "fast.CVN").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.err.find("steps per point: 4"), std::string::npos) << result.err;
    EXPECT_EQ(lines(result.out).size(), 1001u);  // the header and a point per mV

    // The command line chooses over the file: the default model both ways.
    result = runSim({"--solver", "implicit", "--peaks"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const Result classic = runSim({"--solver", "classic", "--peaks"});
    ASSERT_EQ(classic.exitCode, 0) << classic.err;
    EXPECT_EQ(lines(result.out).size(), lines(classic.out).size());
    EXPECT_EQ(runSim({"--solver", "magic"}).exitCode, 2);
    EXPECT_EQ(runSim({"--measured", "x.OCV", "--solver", "implicit"}).exitCode, 2);
}

TEST(OndrelSim, RuAndCdlComeFromTheFileOrTheCommandLine) {
    TempDir dir;
    // A reversible couple: 2000 ohm of uncompensated resistance widens its
    // peaks, from the file or from --ru; the classic engine refuses them.
    TModel model = DefaultModel();
    model.couples.remove(1);
    model.couples[1].k0 = 1e4;
    model.solver = Solver::Implicit;
    std::ofstream(dir / "plain.CVN", std::ios::binary) << WriteCvn(model, '.');
    model.pilot.irComp = 1;
    model.pilot.resistance = 2000;
    std::ofstream(dir / "drop.CVN", std::ios::binary) << WriteCvn(model, '.');
    const Result plain = runSim({(dir / "plain.CVN").string(), "--peaks"});
    const Result fromFile = runSim({(dir / "drop.CVN").string(), "--peaks"});
    const Result fromLine = runSim({(dir / "plain.CVN").string(), "--ru", "2000", "--peaks"});
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    ASSERT_EQ(fromFile.exitCode, 0) << fromFile.err;
    ASSERT_EQ(fromLine.exitCode, 0) << fromLine.err;
    EXPECT_EQ(fromFile.out, fromLine.out);
    EXPECT_NE(fromFile.out, plain.out);
    // --ru 0 overrides the file's value: as without.
    EXPECT_EQ(runSim({(dir / "drop.CVN").string(), "--ru", "0", "--peaks"}).out, plain.out);
    const Result classic = runSim({(dir / "drop.CVN").string(), "--solver", "classic"});
    EXPECT_EQ(classic.exitCode, 1);
    EXPECT_NE(classic.err.find("implicit solver"), std::string::npos) << classic.err;
    EXPECT_EQ(runSim({"--cdl", "-3"}).exitCode, 2);
    EXPECT_EQ(runSim({"--ru", "lots"}).exitCode, 2);
}

TEST(OndrelSim, CtrlCStopsTheRunCleanlyWithoutAnOutputFile) {
    TempDir dir;
    TModel slow = DefaultModel();
    slow.species.append({"P", 1, 0});
    slow.reactions.append({1, 0, 4, 0, 1e8, 0});  // steps by the hundred million
    std::ofstream(dir / "slow.CVN", std::ios::binary) << WriteCvn(slow, '.');
    // Interrupted once the run has said how to stop it, well into the run.
    const Result result =
        runSim({(dir / "slow.CVN").string(), "--out", (dir / "iv.txt").string()}, "(Ctrl+C stops)");
    EXPECT_EQ(result.exitCode, 130);
    EXPECT_NE(result.err.find("Engine stopped by user"), std::string::npos) << result.err;
    EXPECT_FALSE(fs::exists(dir / "iv.txt"));
    // A long run says so before it has gone far, and its bar moves at once.
    const std::size_t estimate = result.err.find("estimated run time: about ");
    ASSERT_NE(estimate, std::string::npos) << result.err;
    EXPECT_NE(result.err.find(" for 181819000 steps (Ctrl+C stops)\n\r[", estimate),
              std::string::npos)
        << result.err;
}

TEST(OndrelSim, ModelsItCannotSimulateAreRefusedBeforeTheRunWithoutOutput) {
    TempDir dir;
    struct Case {
        std::function<void(TModel&)> change;
        const char* message;
    };
    const Case cases[] = {
        {[](TModel& m) { m.pilot.Eswitch1 = m.pilot.Einitial; }, "The first half-cycle is empty"},
        {[](TModel& m) { m.temperature = 0; }, "The temperature must be a positive number"},
        {[](TModel& m) { m.diffusionScale = -1e-5; }, "The diffusion scale must be a positive"},
        {[](TModel& m) { m.species[2].D = 0; }, "The diffusion coefficient D of species 2 (E2)"},
    };
    for (const Case& c : cases) {
        TModel model = DefaultModel();
        c.change(model);
        std::ofstream(dir / "bad.CVN", std::ios::binary) << WriteCvn(model, '.');
        const Result result =
            runSim({(dir / "bad.CVN").string(), "--out", (dir / "out.OCV").string()});
        EXPECT_EQ(result.exitCode, 1) << c.message;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
        EXPECT_EQ(result.err.find("steps:"), std::string::npos) << "a run was started";
        EXPECT_FALSE(fs::exists(dir / "out.OCV"));
    }

    // A model file that holds no model, a folder, a number beyond a double.
    std::ofstream(dir / "empty.CVN") << "";
    std::ofstream(dir / "huge.CVN") << "General:\r\n1e309\r\n0.01\r\n1E-5\r\n1E-6\r\n";
    fs::create_directory(dir / "folder.CVN");
    for (const auto& [file, message] :
         {std::pair<std::string, std::string>{"empty.CVN", "empty.CVN: The file holds no model"},
          {"huge.CVN", "huge.CVN: Line 2: '1e309' is too large"},
          {"folder.CVN", "folder.CVN: it is a directory"}}) {
        const Result result = runSim({(dir / file).string()});
        EXPECT_EQ(result.exitCode, 1) << file;
        EXPECT_NE(result.err.find(message), std::string::npos) << result.err;
    }

    // An output that cannot be written is refused before the run.
    const Result unwritable = runSim({"--out", (dir / "absent/out.OCV").string()});
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_NE(unwritable.err.find("Cannot create file"), std::string::npos) << unwritable.err;
    EXPECT_EQ(unwritable.err.find("steps:"), std::string::npos) << "a run was started";
}

TEST(OndrelSim, AnUnstableRunEndsWithAnErrorAndWritesNothing) {
    TempDir dir;
    TModel catalytic = DefaultModel();
    catalytic.couples.remove(1);
    catalytic.species.append({"Z", 1, 10});
    catalytic.reactions.append({2, 4, 3, 0, 5000, 0});  // E2 + Z -> E3, Z in excess
    // A UTF-8 byte-order mark before the model is no hindrance.
    std::ofstream(dir / "cat.CVN", std::ios::binary) << "\xEF\xBB\xBF" << WriteCvn(catalytic, '.');
    const Result result = runSim({(dir / "cat.CVN").string(), "--out", (dir / "cat.OCV").string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("The simulation became unstable at step "), std::string::npos)
        << result.err;
    EXPECT_FALSE(fs::exists(dir / "cat.OCV"));
}

TEST(OndrelSim, AFastDiffusingCoupleGivesASoundCurve) {
    TempDir dir;
    TModel model = DefaultModel();
    for (int s = 1; s <= 3; ++s)
        model.species[s].D = 1.3;
    std::ofstream(dir / "fast.CVN", std::ios::binary) << WriteCvn(model, '.');
    const Result result = runSim({(dir / "fast.CVN").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto rows = lines(result.out);
    ASSERT_EQ(rows.size(), 1001u);
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const double current = std::stod(rows[i].substr(rows[i].find('\t') + 1));
        ASSERT_LT(std::fabs(current), 100) << rows[i];  // some µA, never 1e25
    }
}

TEST(OndrelSim, OutputsThatAreFifosWithoutAReaderAreGivenUpAfterABoundedWait) {
    TempDir dir;
    const auto fifo = dir / "out.OCV";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::ofstream(dir / "sim.OCV", std::ios::binary)
        << WriteVoltammogram(Curve{{100, 1},
                                   {101, 2},
                                   {102, 3},
                                   {103, 4},
                                   {104, 5},
                                   {105, 6},
                                   {106, 5},
                                   {107, 4},
                                   {108, 3},
                                   {109, 2},
                                   {110, 1},
                                   {111, 0}},
                             CurveFormat::Ocv, CurveOrigin::Measured);
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"--out", fifo.string()},
          {"--measured", (dir / "sim.OCV").string(), "--smoothed", fifo.string()}}) {
        const Result result = runSim(arguments);
        EXPECT_EQ(result.exitCode, 1) << result.err;
        EXPECT_NE(result.err.find("ondrel-sim: waiting up to 10 s for a program that reads " +
                                  fifo.string() + " (Ctrl+C stops)\n"),
                  std::string::npos)
            << result.err;
        EXPECT_NE(result.err.find("Cannot write file " + fifo.string() +
                                  ": no program reads it (waited 10 s)\n"),
                  std::string::npos)
            << result.err;
        EXPECT_TRUE(result.out.empty()) << result.out;
        EXPECT_TRUE(fs::is_fifo(fifo));
    }
}

TEST(OndrelSim, AWaitForTheOtherEndOfAFifoIsToldAndCtrlCEndsIt) {
    TempDir dir;
    const std::string fifo = (dir / "model.CVN").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const Result result = runSim({fifo}, "(Ctrl+C stops)\n");
    EXPECT_EQ(result.exitCode, 130);
    EXPECT_EQ(result.err, "ondrel-sim: waiting up to 10 s for a program that writes to " + fifo +
                              " (Ctrl+C stops)\nStopped while waiting on " + fifo + "\n");
    EXPECT_TRUE(result.out.empty()) << result.out;
}

TEST(OndrelSim, EndlessInputsAreRefusedAtASizeNoRealFileReaches) {
    TempDir dir;
    fs::create_symlink("/dev/zero", dir / "zero.CVN");
    fs::create_symlink("/dev/urandom", dir / "noise.OCV");
    const std::string tooLarge = ": it holds more than 64 MiB, more than any model or curve file\n";
    Result result = runSim({(dir / "zero.CVN").string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "Cannot read file " + (dir / "zero.CVN").string() + tooLarge);
    result = runSim({"--measured", (dir / "noise.OCV").string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "Cannot read file " + (dir / "noise.OCV").string() + tooLarge);
}

TEST(OndrelSim, FileNamesThatAreNotUtf8AreWrittenAndReadAsGiven) {
    TempDir dir;
    const std::string ff = (dir / "o").string() + "\xFF.OCV";
    const std::string fe = (dir / "o").string() + "\xFE.OCV";
    ASSERT_EQ(runSim({"--out", ff}).exitCode, 0);
    ASSERT_EQ(runSim({"--out", fe}).exitCode, 0);
    EXPECT_TRUE(fs::exists(ff));
    EXPECT_TRUE(fs::exists(fe));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 2);

    // A model and a curve so named, also through the window's chart.
    const std::string model = (dir / "m").string() + "\xE9.CVN";
    std::ofstream(model, std::ios::binary) << WriteCvn(DefaultModel(), '.');
    const Result result = runSim({model, "--measured", ff, "--picture", (dir / "p.svg").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(ReadFile(dir / "p.svg").find("<svg"), std::string::npos);
}

TEST(OndrelSim, AnOutputThatIsAnInputIsRefusedBeforeAnythingIsWritten) {
    TempDir dir;
    const std::string modelText = WriteCvn(DefaultModel(), '.');
    const std::string model = dir.write("m.CVN", modelText);
    fs::create_symlink(model, dir / "link.CVN");
    ASSERT_EQ(runSim({"--out", (dir / "c.OCV").string()}).exitCode, 0);
    const std::string curveText = ReadFile(dir / "c.OCV");

    fs::create_directories(dir / "sub");
    fs::create_symlink(dir / "c.OCV", dir / "curve.svg");
    struct Case {
        std::vector<std::string> arguments;
        std::string output, input;
    };
    const std::string curve = (dir / "c.OCV").string();
    const std::string link = (dir / "link.CVN").string();
    const std::string other = (dir / "sub/../c.OCV").string();
    const std::string picture = (dir / "curve.svg").string();
    for (const Case& c :
         {Case{{model, "--out", model}, model, model}, Case{{model, "--out", link}, link, model},
          Case{{"--measured", curve, "--smoothed", other}, other, curve},
          Case{{model, "--measured", curve, "--picture", picture}, picture, curve}}) {
        const Result result = runSim(c.arguments);
        EXPECT_EQ(result.exitCode, 1) << c.output;
        EXPECT_EQ(result.err, "The output " + c.output + " is the input " + c.input +
                                  " (the same file), which it would replace\n");
        EXPECT_EQ(result.err.find("steps:"), std::string::npos) << "a run was started";
    }
    EXPECT_EQ(ReadFile(model), modelText);
    EXPECT_EQ(ReadFile(dir / "c.OCV"), curveText);
}

TEST(OndrelSim, ValuesBeyondTheProgramsUnitsAreRefusedWhereTheyAreReadBeforeAnyOutput) {
    TempDir dir;
    ASSERT_EQ(runSim({"--out", (dir / "good.OCV").string()}).exitCode, 0);
    const std::string amps = dir.write("amps.OCV", "2\r\n1.1, 1e-6\r\n1.2, 1e305\r\n");
    const std::string volts = dir.write("volts.OCV", "1\r\n1e306, 1e-6\r\n");
    const std::string message =
        ": '1e305' is too large a number: beyond 1.8E308 \u00B5A once "
        "converted\n";
    // Measured curves: nothing printed, no smoothed file.
    Result result = runSim({"--measured", (dir / "good.OCV").string(), amps});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "amps.OCV, line 3" + message);
    EXPECT_TRUE(result.out.empty()) << result.out;
    result = runSim({"--measured", volts, "--smoothed", (dir / "s.OCV").string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err,
              "volts.OCV, line 2: '1e306' is too large a number: beyond 1.8E308 mV once "
              "converted\n");
    EXPECT_FALSE(fs::exists(dir / "s.OCV"));
    // A picture says the same of them.
    result = runSim({"--measured", amps, "--picture", (dir / "p.png").string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "amps.OCV, line 3" + message);
    EXPECT_FALSE(fs::exists(dir / "p.png"));
}

TEST(OndrelSim, MessagesNameTheFileAndGiveTheWholeValueAndTheCause) {
    TempDir dir;
    // A NUL byte inside a value does not end the message there.
    const std::string nul = dir.write("nul.CVN", std::string("General:\r\n29\0"
                                                             "8\r\n",
                                                             14));
    Result result = runSim({nul});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "nul.CVN: Line 2: '29\\x008' is not a valid floating point value\n");

    // Model checks name the model file.
    TModel still = DefaultModel();
    still.pilot.scanRate = 0;
    const std::string stillPath = dir.write("still.CVN", WriteCvn(still, '.'));
    result = runSim({stillPath});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err.rfind(stillPath + ": ", 0), 0u) << result.err;

    // A write past the file-size limit says so.
    result = test_support::RunProcess("/bin/sh", {"-c", "ulimit -f 4; exec \"$0\" --out \"$1\"",
                                                  ONDREL_SIM, (dir / "big.txt").string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(
        result.err.find("Cannot write file " + (dir / "big.txt").string() + ": File too large\n"),
        std::string::npos)
        << result.err;
    EXPECT_FALSE(fs::exists(dir / "big.txt"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 2) << "a temporary file";
}

}  // namespace
}  // namespace ondrel
