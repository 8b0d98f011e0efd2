// The model editor's operations on the model and the rows it shows.
#include "model/editor.h"
#include "test_support/failure_of.h"

#include <gtest/gtest.h>

#include "model/record_texts.h"
#include "platform/ondrel_error.h"

namespace ondrel {
namespace {

using test_support::FailureOf;

TEST(Editor, ARenamedSpeciesShowsWhereverItIsUsed) {
    TModel model = DefaultModel();
    ApplySpecies(model, 2, "X", 1, 0);
    const auto couples = CoupleRows(model, '.');
    EXPECT_EQ(couples[0].substr(0, 11), "E1 + e <=> ");
    EXPECT_EQ(couples[0].substr(11, 3), "X  ");
    EXPECT_EQ(couples[1].substr(0, 11), "X + e <=> E");
    EXPECT_EQ(NameRows(model), (std::vector<std::string>{"Dummy", "E1", "X", "E3"}));
    ApplySpecies(model, 1, "ABCDEFGHIJKLMNO", 0.5, 2);
    EXPECT_EQ(model.species[1], (TEspece{"ABCDEFGHIJKL", 0.5, 2}));
}

TEST(Editor, InsertingASpeciesRaisesTheReferencesBehindIt) {
    TModel model = DefaultModel();
    model.species.append({"P", 1, 0});
    model.reactions.append({2, 3, 4, 1, 1, 1});
    EXPECT_EQ(InsertSpecies(model, 1), 2);  // after species 1
    EXPECT_EQ(model.species[2], NewSpecies());
    EXPECT_EQ(model.species[3].name, "E2");
    EXPECT_EQ(model.couples[1].ox, 1);
    EXPECT_EQ(model.couples[1].red, 3);
    EXPECT_EQ(model.couples[2].ox, 3);
    EXPECT_EQ(model.couples[2].red, 4);
    EXPECT_EQ(model.reactions[1], (TChemical{3, 4, 5, 1, 1, 1}));

    // Row 0 ("Dummy") puts the new species first; no row changes nothing.
    EXPECT_EQ(InsertSpecies(model, 0), 1);
    EXPECT_EQ(model.couples[1].ox, 2);
    const TModel before = model;
    EXPECT_EQ(InsertSpecies(model, -1), 0);
    EXPECT_EQ(InsertSpecies(model, model.species.count() + 1), 0);
    EXPECT_EQ(model, before);
}

TEST(Editor, ASpeciesInUseCannotBeKilledAndKillingLowersLaterReferences) {
    TModel model = DefaultModel();
    EXPECT_EQ(FailureOf([&] { KillSpecies(model, 3); }), "That species Can't be deleted");
    EXPECT_EQ(model, DefaultModel());
    ASSERT_TRUE(KillCouple(model, 1));  // the row of couple 2
    EXPECT_TRUE(KillSpecies(model, 3));
    EXPECT_EQ(model.species.count(), 2);

    TModel four;
    for (const char* name : {"A", "B", "C", "D"})
        four.species.append({name, 1, 0});
    four.couples.append({3, 4, 0, 1, 0.5});
    four.reactions.append({4, 0, 3, 0, 1, 1});
    EXPECT_TRUE(KillSpecies(four, 1));
    EXPECT_EQ(four.couples[1].ox, 2);
    EXPECT_EQ(four.couples[1].red, 3);
    EXPECT_EQ(four.reactions[1], (TChemical{3, 0, 2, 0, 1, 1}));
    EXPECT_EQ(SpeciesName(four.species, four.couples[1].ox), "C");

    // Row 0 and rows outside the list are left alone.
    EXPECT_FALSE(KillSpecies(four, 0));
    EXPECT_FALSE(KillSpecies(four, 9));
    EXPECT_EQ(four.species.count(), 3);
}

TEST(Editor, CouplesAndReactionsAreInsertedInFrontOfTheSelectedRow) {
    TModel model = DefaultModel();
    EXPECT_EQ(InsertCouple(model, 1), 2);
    EXPECT_EQ(model.couples[2], TRedox{});
    EXPECT_EQ(model.couples[3].E0, 1.25);
    EXPECT_EQ(InsertCouple(model, -1), 4);  // nothing selected: appended
    EXPECT_EQ(AddCouple(model), 5);
    EXPECT_FALSE(KillCouple(model, 5));
    EXPECT_TRUE(KillCouple(model, 0));
    EXPECT_EQ(model.couples[1], TRedox{});

    EXPECT_EQ(AddReaction(model), 1);
    model.reactions[1].kf = 7;
    EXPECT_EQ(InsertReaction(model, 0), 1);
    EXPECT_EQ(model.reactions[2].kf, 7);
    EXPECT_EQ(InsertReaction(model, 5), 3);
    EXPECT_TRUE(KillReaction(model, 1));
    EXPECT_EQ(model.reactions.count(), 2);
    EXPECT_EQ(model.reactions[2], TChemical{});
}

TEST(Editor, OkChecksCouplesAndReactionsBeforeStoringThem) {
    TModel model = DefaultModel();
    const TModel before = model;
    EXPECT_EQ(FailureOf([&] { ApplyCouple(model, 1, {1, 1, 0, 1, 0.5}); }), "Species Invalid !");
    EXPECT_EQ(FailureOf([&] { ApplyCouple(model, 1, {0, 2, 0, 1, 0.5}); }), "Species Invalid !");
    EXPECT_EQ(FailureOf([&] { ApplyCouple(model, 1, {1, 2, 0, 1, 1.0}); }), "Alpha Invalid !");
    EXPECT_EQ(FailureOf([&] { ApplyCouple(model, 1, {1, 2, 5.0, 1, 0.5}); }), "E\u00B0 Invalid !");
    EXPECT_EQ(model, before);
    ApplyCouple(model, 1, {1, 2, 4.999, 1, 0.5});
    EXPECT_EQ(model.couples[1].E0, 4.999);

    AddReaction(model);
    EXPECT_EQ(FailureOf([&] {
                  ApplyReaction(model, 1, {1, 2, 3, 2, 1, 1});
              }),
              "Invalid Chemical Reaction !");  // A + B <=> C + B
    EXPECT_EQ(FailureOf([&] {
                  ApplyReaction(model, 1, {1, 0, 2, 0, -1, 1});
              }),
              "Invalid Chemical Reaction !");
    ApplyReaction(model, 1, {1, 2, 3, 0, 0, 1});
    EXPECT_EQ(model.reactions[1], (TChemical{1, 2, 3, 0, 0, 1}));
}

TEST(Editor, RateConstantsAreReadAsSinglePrecisionNumbers) {
    EXPECT_EQ(ReactionRateFromText("1.23456789", '.'), static_cast<double>(1.23456789f));
    EXPECT_NE(ReactionRateFromText("1.23456789", '.'), 1.23456789);
    EXPECT_EQ(ReactionRateFromText("1000", '.'), 1000);
    EXPECT_EQ(ReactionRateFromText("2,5", ','), 2.5);
    EXPECT_THROW(ReactionRateFromText("1e39", '.'), EConvertError);
    EXPECT_THROW(ReactionRateFromText("fast", '.'), EConvertError);
}

TEST(Editor, RowTextsOfEveryList) {
    TModel model = DefaultModel();
    model.reactions.append({3, 0, 1, 2, 1000, 0.5});
    EXPECT_EQ(
        SpeciesRows(model, ','),
        (std::vector<std::string>{"Dummy", "E1  C: 0  D: 1", "E2  C: 0  D: 1", "E3  C: 1  D: 1"}));
    EXPECT_EQ(ReactionRows(model, '.'),
              (std::vector<std::string>{"E3 <=> E1 + E2 Kf: 1000 Kb: 0.5"}));
    EXPECT_EQ(ReactionTextWithoutRates(model.reactions[1], model.species), "E3 <=> E1 + E2");
    EXPECT_EQ(ReactionTextWithoutRates(TChemical{}, model.species), "Dummy <=> Dummy");
    EXPECT_EQ(ReactionTextAsTyped(model.reactions[1], model.species, "1e3", "0,50"),
              "E3 <=> E1 + E2 Kf:1e3 Kb:0,50");
    EXPECT_STREQ(kInsertedSpeciesText, "Ex  C: 0 D: 1");
    EXPECT_STREQ(kInsertedReactionText, "Dummy <=> Dummy Kf:1 Kb:1");
    EXPECT_EQ(SpeciesText(model.species[AddSpecies(model)], '.'), "Ex  C: 0  D: 1");
}

}  // namespace
}  // namespace ondrel
