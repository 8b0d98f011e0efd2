// ondrel-sim's command line read into its modes, without running anything.
#include <gtest/gtest.h>

#include "sim/sim_options.h"

namespace ondrel {
namespace {

std::string refusal(const std::vector<std::string>& words) {
    try {
        AsksForFit(words) ? (void)ParseFitArguments(words) : (void)ParseSimArguments(words);
    } catch (const UsageError& error) {
        return error.what();
    }
    return "accepted";
}

TEST(SimOptions, ASimulationTakesItsModelAndTheOptionsThatChangeIt) {
    const SimArguments a =
        ParseSimArguments({"m.CVN", "--solver", "implicit", "--ru", "50", "--out", "o.OCV"});
    EXPECT_EQ(a.inputs, (std::vector<std::string>{"m.CVN"}));
    EXPECT_EQ(a.out, "o.OCV");
    TModel model;
    ApplyModelOptions(a.model, model);
    EXPECT_EQ(model.solver, Solver::Implicit);
    EXPECT_EQ(model.pilot.resistance, 50);
    EXPECT_EQ(model.pilot.irComp, 1);
    EXPECT_EQ(model.pilot.icComp, 0);

    const SimArguments measured = ParseSimArguments({"--measured", "a.OCV", "--width", "7"});
    EXPECT_TRUE(measured.measured);
    EXPECT_EQ(measured.width, 7);
    EXPECT_EQ(measured.beforeMeasured, 0u);
}

TEST(SimOptions, BadCommandLinesSayWhatIsWrong) {
    EXPECT_EQ(refusal({"--out", ""}), "an empty file name after --out");
    EXPECT_EQ(refusal({"--out"}), "--out needs a value");
    EXPECT_EQ(refusal({"--ru", "1", "--ru", "2"}), "--ru is given twice");
    EXPECT_EQ(refusal({"--cdl", "-3"}), "--cdl takes a number of at least 0, not '-3'");
    EXPECT_EQ(refusal({"--solver", "magic"}), "the solver is classic or implicit, not 'magic'");
    EXPECT_EQ(refusal({"--measured", "a.OCV", "--width", "8"}),
              "the width must be an odd number from 5 to 25");
    EXPECT_EQ(refusal({"--measured", "a.OCV", "--ru", "3"}),
              "--solver, --ru and --cdl go with a simulation");
    EXPECT_EQ(refusal({"--flat"}), "--flat goes with --picture");
    EXPECT_EQ(refusal({"--frobnicate"}), "unexpected '--frobnicate'");
    EXPECT_EQ(refusal({"m.CVN", "--fit", "a.OCV"}), "--vary needs at least one parameter name");
    EXPECT_EQ(refusal({"--fit", "a.OCV", "--vary", "E0(1)"}),
              "--fit needs the model file to fit first");
    EXPECT_EQ(refusal({"m.CVN", "--fit", "a.OCV", "--vary", "E0(1)", "--magic"}),
              "unexpected '--magic' with --fit");
}

TEST(SimOptions, AFitTakesCurvesAfterFitAndNamesAfterVary) {
    const FitArguments a =
        ParseFitArguments({"m.CVN", "--fit", "a.OCV", "b.OCV:p.CVN", "--vary", "E0(1)", "k0(1)",
                           "--bounds", "k0(1)=1e-4:1", "--out", "f.CVN"});
    EXPECT_EQ(a.model, "m.CVN");
    EXPECT_EQ(a.curves, (std::vector<std::string>{"a.OCV", "b.OCV:p.CVN"}));
    EXPECT_EQ(a.vary, (std::vector<std::string>{"E0(1)", "k0(1)"}));
    EXPECT_EQ(a.bounds, (std::vector<std::string>{"k0(1)=1e-4:1"}));
    EXPECT_EQ(a.out, "f.CVN");
}

}  // namespace
}  // namespace ondrel
