#include "files/cvn_file.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "files/text_lines.h"
#include "platform/ondrel_error.h"
#include "test_support/failure_of.h"

namespace ondrel {
namespace {

using test_support::FailureOf;

TModel richModel() {
    TModel model = DefaultModel();
    model.species.append({"\u0416elezo", 0.76, 2.5e-7});  // no Cyrillic in Windows-1252
    model.species.append({"Caf\u00E9", 1.5, 0.001});
    model.reactions.append({3, 0, 1, 2, 1000, 0.5});
    model.reactions.append({4, 5, 1, 0, 1e-5, 0});
    model.temperature = 310;
    model.area = 0.0707;
    model.diffusionScale = 1e-6;
    model.concScale = 1e-3;
    model.pilot.Einitial = -0.2;
    model.pilot.Eswitch1 = 0.65;
    model.pilot.Eswitch2 = -0.25;
    model.pilot.Efinal = 0.1;
    model.pilot.scanRate = 0.05;
    model.pilot.halfCycles = 3;
    return model;
}

TEST(CvnFile, WritesItsSectionsInOrderWithCrLf) {
    const std::string text = WriteCvn(DefaultModel(), '.');
    const std::string expected =
        "Method:\r\n0\r\nGeneral:\r\n298.15\r\n0.01\r\n1E-5\r\n1E-6\r\n"
        "Especes:\r\n3\r\nnom:\r\nE1\r\n1\r\n0\r\nnom:\r\nE2\r\n1\r\n0\r\nnom:\r\nE3\r\n1\r\n1\r\n"
        "ReactionsRedox:\r\n2\r\nredox:\r\n1\r\n2\r\n1.4\r\n0.03\r\n0.48\r\n"
        "redox:\r\n2\r\n3\r\n1.25\r\n1\r\n0.5\r\n"
        "Pilot:\r\n1.1\r\n1.6\r\n1.1\r\n1\r\n1.1\r\n2\r\n"
        "irComp:\r\n0\r\nicComp:\r\n0\r\nResistance:\r\n0\r\nCapacit\xE9\r\n0\r\n"
        "HomegeneousReactions:\r\n0\r\n";
    EXPECT_EQ(text, expected);
}

TEST(CvnFile, ARoundTripGivesTheSameModel) {
    for (char separator : {'.', ','}) {
        const TModel written = richModel();
        TModel read;  // an empty model: everything must come from the file
        ReadCvn(WriteCvn(written, separator), read, separator);
        EXPECT_EQ(read.species, (TEspeces([&] {
                      TEspeces s = written.species;
                      s[4].name = "?elezo";
                      return s;
                  }())));
        EXPECT_EQ(read.couples, written.couples);
        EXPECT_EQ(read.reactions, written.reactions);
        EXPECT_EQ(read.temperature, 310);
        EXPECT_EQ(read.area, 0.0707);
        EXPECT_EQ(read.diffusionScale, 1e-6);
        EXPECT_EQ(read.concScale, 1e-3);
        EXPECT_EQ(read.pilot.Einitial, -0.2);
        EXPECT_EQ(read.pilot.Efinal, 0.1);
        EXPECT_EQ(read.pilot.halfCycles, 3);
    }
}

TEST(CvnFile, TheImplicitSolverIsAnExtraSectionThatClassicFilesDoNotHave) {
    TModel model = richModel();
    const std::string classic = WriteCvn(model, '.');
    EXPECT_EQ(classic.find("Solver:"), std::string::npos);
    model.solver = Solver::Implicit;
    const std::string implicit = WriteCvn(model, '.');
    // The same file with two more lines at its end.
    EXPECT_EQ(implicit, classic + "Solver:\r\nimplicit\r\n");
    TModel read;
    ReadCvn(implicit, read, '.');
    EXPECT_EQ(read.solver, Solver::Implicit);
    EXPECT_EQ(read.reactions, model.reactions);
    // A file without the section is classic, whatever the model was.
    ReadCvn(classic, read, '.');
    EXPECT_EQ(read.solver, Solver::Classic);
    EXPECT_EQ(FailureOf([&] { ReadCvn(classic + "Solver:\r\nmagic\r\n", read, '.'); }),
              "Line " + std::to_string(std::count(classic.begin(), classic.end(), '\n') + 2) +
                  ": the solver is classic or implicit, not 'magic'");
}

TEST(CvnFile, TheCellsSwitchesAndValuesAreWrittenAndReadBack) {
    TModel written = DefaultModel();
    written.pilot.irComp = 1;
    written.pilot.resistance = 12.5;
    written.pilot.capacitance = 20;
    TModel read = DefaultModel();
    ReadCvn(WriteCvn(written, '.'), read, '.');
    EXPECT_EQ(read.pilot, written.pilot);
    EXPECT_NE(WriteCvn(written, '.').find("Resistance:\r\n12.5\r\n"), std::string::npos);
    EXPECT_NE(WriteCvn(written, '.').find("Capacit\xE9\r\n20\r\n"), std::string::npos);
    // Each switch from its own field.
    EXPECT_NE(WriteCvn(written, '.').find("irComp:\r\n1\r\nicComp:\r\n0\r\n"), std::string::npos);
    written.pilot.irComp = 0;
    written.pilot.icComp = 1;
    EXPECT_NE(WriteCvn(written, '.').find("irComp:\r\n0\r\nicComp:\r\n1\r\n"), std::string::npos);
    ReadCvn(WriteCvn(written, '.'), read, '.');
    EXPECT_EQ(read.pilot, written.pilot);
}

TEST(CvnFile, TheQuietTimeAndStaircaseAreLinesOfTheirOwnThatPlainProgramsDoNotHave) {
    TModel written = richModel();
    written.solver = Solver::Implicit;
    const std::string plain = WriteCvn(written, ',');
    for (const char* keyword : {"QuietTime:", "StepHeight:", "SamplingPoint:"})
        EXPECT_EQ(plain.find(keyword), std::string::npos) << keyword;
    written.pilot.halfCycles = 7;
    written.pilot.quietTime = 2.5;
    written.pilot.stepHeight = 0.002;
    written.pilot.samplingPoint = 0.25;
    const std::string text = WriteCvn(written, ',');
    EXPECT_NE(text.find("Capacit\xE9\r\n0\r\nQuietTime:\r\n2,5\r\nStepHeight:\r\n0,002\r\n"
                        "SamplingPoint:\r\n0,25\r\nHomegeneousReactions:"),
              std::string::npos)
        << text;
    TModel read;
    ReadCvn(text, read, ',');
    EXPECT_EQ(read.pilot, written.pilot);
    EXPECT_EQ(read.pilot.halfCycles, 7);
    // A program read without them is a plain sweep, whatever the model
    // held before.
    ReadCvn(plain, read, ',');
    EXPECT_EQ(read.pilot.quietTime, 0);
    EXPECT_EQ(read.pilot.stepHeight, 0);
    EXPECT_EQ(read.pilot.samplingPoint, 1);
    // A value that does not convert names its line.
    const std::string bad =
        plain.substr(0, plain.find("HomegeneousReactions:")) + "QuietTime:\r\nlong\r\n";
    const std::string failure = FailureOf([&] { ReadCvn(bad, read, ','); });
    EXPECT_EQ(failure.rfind("Line " + std::to_string(std::count(bad.begin(), bad.end(), '\n')), 0),
              0u)
        << failure;
}

TEST(CvnFile, SectionsMayComeInAnyOrderAmongOtherLines) {
    const std::string text =
        "a comment\nPilot:\n0\n-0.5\n0\n0\n0.25\n1\nsomething\n"
        "ReactionsRedox:\n1\nredox:\n1\n2\n-0.1\n0.5\n0.4\n"
        "Especes:\n2\nnom:\nOx\n1\n1\nnom:\nA name of fifteen\n1\n0\n"
        "General:\n300\n0.02\n2E-5\n1E-3\n";
    TModel model = DefaultModel();
    ReadCvn(text, model, '.');
    ASSERT_EQ(model.species.count(), 2);
    EXPECT_EQ(model.species[2].name, "A name of fi");
    ASSERT_EQ(model.couples.count(), 1);
    EXPECT_EQ(model.couples[1], (TRedox{1, 2, -0.1, 0.5, 0.4}));
    EXPECT_EQ(model.pilot.Eswitch1, -0.5);
    EXPECT_EQ(model.pilot.halfCycles, 1);
    EXPECT_EQ(model.temperature, 300);
    EXPECT_EQ(model.diffusionScale, 2e-5);
}

TEST(CvnFile, OnlyTheSectionsPresentChangeTheModel) {
    TModel model = DefaultModel();
    ReadCvn("Especes:\r\n0\r\n", model, '.');
    EXPECT_TRUE(model.species.empty());
    EXPECT_EQ(model.couples, DefaultModel().couples);
    EXPECT_EQ(model.pilot, DefaultModel().pilot);
    EXPECT_EQ(model.temperature, 298.15);

    // A record whose first line is not its keyword is skipped, one line used.
    model = DefaultModel();
    ReadCvn("Especes:\n2\nnot a record\nnom:\nX\n1\n0\n", model, '.');
    ASSERT_EQ(model.species.count(), 1);
    EXPECT_EQ(model.species[1].name, "X");
}

TEST(CvnFile, AFileIsReadUnderEitherDecimalMarkAndWrittenUnderItsOwn) {
    for (const char written : {'.', ','})
        for (const char reading : {'.', ','}) {
            SCOPED_TRACE(testing::Message() << written << " read under " << reading);
            const std::string file = WriteCvn(richModel(), written);
            TModel model = DefaultModel();
            ReadCvn(file, model, reading);
            EXPECT_EQ(model.temperature, richModel().temperature);
            EXPECT_EQ(model.area, richModel().area);
            EXPECT_EQ(model.pilot.Einitial, richModel().pilot.Einitial);
            EXPECT_EQ(model.couples[1].alpha, richModel().couples[1].alpha);
            // Written again under its own mark it is the same file.
            EXPECT_EQ(WriteCvn(model, written), file);
        }
    EXPECT_NE(WriteCvn(richModel(), ',').find("0,0707"), std::string::npos);
}

TEST(CvnFile, AValueThatDoesNotConvertStopsTheReadNamingItsLine) {
    std::string file = WriteCvn(richModel(), ',');
    file.replace(file.find("0,0707"), 6, "0,07,07");
    TModel model = DefaultModel();
    try {
        ReadCvn(file, model, '.');
        ADD_FAILURE() << "a number with two decimal marks read";
    } catch (const EConvertError& error) {
        // The area, line 5 ("298.15" was written "310").
        EXPECT_STREQ(error.what(),
                     "Line 5: '0,07,07' is not a valid floating point value (the decimal mark "
                     "may be the cause: a number is read with one \".\" or \",\" as its "
                     "decimal mark and no other)");
    }
    // A failed load changes nothing, not even what was read before the fault.
    EXPECT_EQ(model, DefaultModel());

    EXPECT_THROW(ReadCvn("Especes:\n3\nnom:\nA\n1\n", model, '.'), EConvertError);
    try {
        ReadCvn("General:\nwarm\n", model, ',');
        ADD_FAILURE() << "a word read as a number";
    } catch (const EConvertError& error) {
        EXPECT_STREQ(error.what(), "Line 2: 'warm' is not a valid floating point value");
    }
    EXPECT_THROW(ReadCvn("ReactionsRedox:\nmany\n", model, '.'), EConvertError);
}

TEST(TextLines, SplitAtCrLfOrEitherAlone) {
    EXPECT_EQ(SplitLines("a\r\nb\rc\nd"), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitLines("a\r\n\r\nb\r\n"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(JoinLines({"a", "b"}), "a\r\nb\r\n");
}

TEST(CvnFile, ATextWithoutAnySectionHoldsNoModelAndChangesNothing) {
    const std::string utf16("\xFF\xFEM\0e\0t\0h\0o\0d\0:\0\r\0\n\0", 20);
    for (const std::string& text : {std::string(),
                                    std::string("\x7F"
                                                "ELF\x02\x01\x01\0\0",
                                                9),
                                    std::string("hello\r\nworld\r\n"), utf16}) {
        TModel model = DefaultModel();
        try {
            ReadCvn(text, model, '.');
            ADD_FAILURE() << "read a model from " << text.size() << " bytes";
        } catch (const Exception& error) {
            EXPECT_EQ(std::string(error.what())
                          .rfind("The file holds no model: none of the "
                                 "section keywords Method:, General:, "
                                 "Especes:, ReactionsRedox:, Pilot:, "
                                 "HomegeneousReactions: was found",
                                 0),
                      0u)
                << error.what();
        }
        EXPECT_EQ(model, DefaultModel());
    }
    TModel model = DefaultModel();
    EXPECT_THROW(ReadCvn(utf16, model, '.'), Exception);
    try {
        ReadCvn(utf16, model, '.');
    } catch (const Exception& error) {
        EXPECT_NE(std::string(error.what()).find("UTF-16"), std::string::npos);
    }
}

TEST(CvnFile, AByteOrderMarkIsSkippedAndHugeValuesOrCountsAreRefused) {
    TModel model = DefaultModel();
    ReadCvn("\xEF\xBB\xBFGeneral:\r\n300\r\n0.02\r\n1E-5\r\n1E-6\r\n", model, '.');
    EXPECT_EQ(model.temperature, 300);

    TModel untouched = DefaultModel();
    try {
        ReadCvn("Especes:\r\n1\r\nnom:\r\nA\r\n1e309\r\n1\r\n", untouched, '.');
        ADD_FAILURE() << "1e309 was read";
    } catch (const EConvertError& error) {
        EXPECT_EQ(std::string(error.what()).rfind("Line 5: '1e309' is too large", 0), 0u)
            << error.what();
    }
    EXPECT_EQ(untouched, DefaultModel());

    try {
        ReadCvn("ReactionsRedox:\r\n2000000000\r\nredox:\r\n", untouched, '.');
        ADD_FAILURE() << "two thousand million couples announced";
    } catch (const EConvertError& error) {
        EXPECT_STREQ(error.what(),
                     "Line 2: 2000000000 records are announced, but the file ends before them");
    }
    EXPECT_THROW(ReadCvn("Especes:\r\n-1\r\n", untouched, '.'), EConvertError);
    EXPECT_EQ(untouched, DefaultModel());
}

}  // namespace
}  // namespace ondrel
