#include <gtest/gtest.h>

#include "model/model.h"
#include "model/record_texts.h"
#include "model/validity.h"

namespace ondrel {
namespace {

TEST(Model, TheDefaultModelOxidisesE3InTwoSteps) {
    const TModel model = DefaultModel();
    ASSERT_EQ(model.species.count(), 3);
    EXPECT_EQ(model.species[1], (TEspece{"E1", 1, 0}));
    EXPECT_EQ(model.species[3], (TEspece{"E3", 1, 1}));
    ASSERT_EQ(model.couples.count(), 2);
    EXPECT_EQ(model.couples[1], (TRedox{1, 2, 1.4, 0.03, 0.48}));
    EXPECT_EQ(model.couples[2], (TRedox{2, 3, 1.25, 1.0, 0.5}));
    EXPECT_TRUE(model.reactions.empty());
    EXPECT_EQ(model.temperature, 298.15);
    EXPECT_EQ(model.area, 0.01);
    EXPECT_EQ(model.diffusionScale, 1e-5);
    EXPECT_EQ(model.concScale, 1e-6);
    EXPECT_EQ(model.pilot.halfCycles, 2);
    EXPECT_TRUE(SnapshotProblems(model).empty());
}

TEST(Model, ListsAreOneBasedAndIndexZeroIsDummy) {
    TEspeces species;
    species.append({"A", 1, 1});
    species.append({"C", 1, 0});
    species.insert(2, {"B", 1, 0});
    EXPECT_EQ(species[2].name, "B");
    EXPECT_EQ(species[3].name, "C");
    species.remove(1);
    EXPECT_EQ(species[1].name, "B");
    EXPECT_THROW(species[0], std::out_of_range);
    EXPECT_THROW(species[3], std::out_of_range);
    EXPECT_EQ(SpeciesName(species, 0), "Dummy");
    EXPECT_EQ(SpeciesName(species, 2), "C");
}

TEST(Model, NamesKeepTheirFirstTwelveCharacters) {
    EXPECT_EQ(SpeciesNameCut("ABCDEFGHIJKLMNO"), "ABCDEFGHIJKL");
    EXPECT_EQ(SpeciesNameCut("Fe(CN)6"), "Fe(CN)6");
    EXPECT_EQ(SpeciesNameCut("\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9"
                             "\u00E9\u00E9"),
              "\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9");
}

TEST(Validity, CouplesNeedTwoSpeciesAnAlphaInsideZeroOneAndAnE0InsideFiveVolts) {
    const int n = 3;
    EXPECT_EQ(CoupleEditorProblem({1, 2, 0.5, 1, 0.5}, n), "");
    EXPECT_EQ(CoupleEditorProblem({1, 1, 0.5, 1, 0.5}, n), kSpeciesInvalid);
    EXPECT_EQ(CoupleEditorProblem({0, 2, 0.5, 1, 0.5}, n), kSpeciesInvalid);
    EXPECT_EQ(CoupleEditorProblem({1, 2, 0.5, 1, 1.0}, n), kAlphaInvalid);
    EXPECT_EQ(CoupleEditorProblem({1, 2, 0.5, 1, 0.0}, n), kAlphaInvalid);
    EXPECT_EQ(CoupleEditorProblem({1, 2, 0.5, 1, 0.999}, n), "");
    EXPECT_EQ(CoupleEditorProblem({1, 2, 5.0, 1, 0.5}, n), "E\u00B0 Invalid !");
    // A run checks the species only: E0 = 5 V from a file still runs.
    EXPECT_TRUE(CoupleRunnable({1, 2, 5.0, 1, 0.5}, n));
    EXPECT_FALSE(CoupleRunnable({1, 4, 0, 1, 0.5}, n));  // no species 4
}

TEST(Validity, ReactionsNeedAReagentAndAProductOnDifferentSides) {
    const int n = 3;
    EXPECT_TRUE(ReactionValid({1, 2, 3, 0, 1, 1}, n));   // A + B <=> C
    EXPECT_FALSE(ReactionValid({1, 0, 1, 0, 1, 1}, n));  // A <=> A
    EXPECT_FALSE(ReactionValid({1, 2, 3, 2, 1, 1}, n));  // A + B <=> C + B
    EXPECT_FALSE(ReactionValid({1, 0, 2, 1, 1, 1}, n));  // A <=> B + A
    EXPECT_FALSE(ReactionValid({0, 0, 2, 0, 1, 1}, n));
    EXPECT_FALSE(ReactionValid({1, 0, 0, 0, 1, 1}, n));
    EXPECT_TRUE(ReactionValid({1, 0, 2, 0, 0, 1}, n));  // kf = 0: only backward
    EXPECT_FALSE(ReactionValid({1, 0, 2, 0, -1, 1}, n));
    EXPECT_FALSE(ReactionValid({1, 0, 2, 0, 1, -1}, n));
    EXPECT_FALSE(ReactionValid({1, 0, 7, 0, 1, 1}, n));  // no species 7

    TModel model = DefaultModel();
    model.couples.append({2, 2, 0, 1, 0.5});
    model.reactions.append({1, 0, 1, 0, 1, 1});
    model.couples.append({1, 7, 0, 1, 0.5});
    EXPECT_EQ(SnapshotProblems(model),
              (std::vector<std::string>{
                  "Invalid Redox Reaction ! Couple 3: Ox and Red are both E2",
                  "Invalid Redox Reaction ! Couple 4: Red is species 7, beyond the 3 of the list",
                  kInvalidChemical}));
}

TEST(RecordTexts, ShowNamesNumbersAndDummy) {
    const TModel model = DefaultModel();
    EXPECT_EQ(SpeciesText(NewSpecies(), '.'), "Ex  C: 0  D: 1");
    EXPECT_EQ(SpeciesText({"E3", 1, 0.5}, ','), "E3  C: 0,5  D: 1");
    EXPECT_EQ(CoupleText(model.couples[1], model.species, '.'),
              "E1 + e <=> E2  E\u00B0: 1.400 k\u00B0:3.000e-02 a:0.480");
    EXPECT_EQ(CoupleText({0, 0, 0, 1, 0.5}, model.species, ','),
              "Dummy + e <=> Dummy  E\u00B0: 0,000 k\u00B0:1,000e+00 a:0,500");
    EXPECT_EQ(ReactionText({3, 0, 1, 2, 1000, 0.5}, model.species, '.'),
              "E3 <=> E1 + E2 Kf: 1000 Kb: 0.5");
    EXPECT_EQ(ReactionText({1, 2, 3, 0, 1e-5, 1}, model.species, '.'),
              "E1 + E2 <=> E3 Kf: 1E-5 Kb: 1");
    EXPECT_EQ(FreshCoupleText(','), "Dummy +e <=> Dummy  E\u00B0 0,00 V");
}

}  // namespace
}  // namespace ondrel
