#include "files/mec_file.h"

#include <gtest/gtest.h>

#include "files/text_lines.h"
#include "platform/ondrel_error.h"

namespace ondrel {
namespace {

TModel mechanism() {
    TModel model = DefaultModel();
    model.species.append({"P", 0.76, 2.5e-7});
    model.reactions.append({3, 0, 4, 0, 1000, 0.5});
    model.reactions.append({1, 2, 4, 0, 1e-5, 0});
    model.temperature = 310.5;
    model.area = 0.0707;
    model.pilot.Einitial = -0.2;
    model.pilot.Eswitch1 = 0.65;
    model.pilot.Eswitch2 = -0.25;
    model.pilot.Efinal = 0.1;
    model.pilot.halfCycles = 3;
    return model;
}

// A header around the given lines, and an empty mechanism after it.
std::string withHeader(const std::string& lines) {
    return "/* Mechanism */\r\n" + lines + "END\r\n0\r\n0\r\n0\r\n";
}

void expectNear(double read, double written) {
    EXPECT_NEAR(read, written, 1e-12 * std::max(1.0, std::abs(written)));
}

TEST(MecFile, WritesTheHeaderAndBlocksInOrder) {
    const std::string text = WriteMec(DefaultModel(), "07/12/2026", "23:15:00");
    const std::vector<std::string> lines = SplitLines(text);
    const std::vector<std::string> expected = {
        "/* Mechanism */",
        "EXT CV",
        "DAT BINARY",
        "FLS NORMAL",
        "DR 07/12/2026",
        "TR 23:15:00",
        "PC I E T",
        "CLL TE 25",
        "AR 0.01",
        "IP 1.1",
        "V1 1.6",
        "V2 PASS",
        "FP 1",
        "NC 1",
        "CLL IR N /* None */",
        "RU 0",
        "CLL DL 0",
        "CLL AP F /* Fast Chem (Approx. in Boxes) */",
        "END",
        "3  /* No. of species. Follow Conc. and Diff. coeff. */",
        "0 1E-5",
        "0 1E-5",
        "1 1E-5",
        "2  /* No. of redox. Follow [Ox] [Red] [e-] [E] [Ke] [\xE0] */",
        "1 2 1 1400 0.03 0.48",
        "2 3 1 1250 1 0.5",
        "0 /* No. of reactions. Follow [a] + [b] <\xC4\xC4> [c] + [d] [Kf] [Kb] */"};
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(text.substr(0, 17), "/* Mechanism */\r\n");
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

TEST(MecFile, ARoundTripKeepsTheNumbersButNotTheNamesOrTheReturnSweep) {
    const TModel written = mechanism();
    const std::string text = WriteMec(written, "d", "t");
    // "." decimals whatever the user's separator is.
    EXPECT_NE(text.find("0.0707"), std::string::npos);
    EXPECT_EQ(text.find(','), std::string::npos);
    for (char separator : {'.', ','}) {
        TModel read = DefaultModel();
        read.pilot.Eswitch2 = 7;
        read.pilot.halfCycles = 3;
        ReadMec(text, read, separator);

        ASSERT_EQ(read.species.count(), written.species.count());
        for (int i = 1; i <= read.species.count(); ++i) {
            EXPECT_EQ(read.species[i].name, "Espece");
            expectNear(read.species[i].C, written.species[i].C);
            expectNear(read.species[i].D, written.species[i].D);
        }
        ASSERT_EQ(read.couples.count(), written.couples.count());
        for (int i = 1; i <= read.couples.count(); ++i) {
            EXPECT_EQ(read.couples[i].ox, written.couples[i].ox);
            EXPECT_EQ(read.couples[i].red, written.couples[i].red);
            expectNear(read.couples[i].E0, written.couples[i].E0);
            expectNear(read.couples[i].k0, written.couples[i].k0);
            expectNear(read.couples[i].alpha, written.couples[i].alpha);
        }
        ASSERT_EQ(read.reactions.count(), 2);
        for (int i = 1; i <= 2; ++i) {
            const TChemical &r = read.reactions[i], &w = written.reactions[i];
            EXPECT_EQ(std::tie(r.reagent1, r.reagent2, r.product1, r.product2),
                      std::tie(w.reagent1, w.reagent2, w.product1, w.product2));
            expectNear(r.kf, w.kf);
            expectNear(r.kb, w.kb);
        }
        expectNear(read.temperature, written.temperature);
        expectNear(read.area, written.area);
        expectNear(read.pilot.Einitial, written.pilot.Einitial);
        expectNear(read.pilot.Eswitch1, written.pilot.Eswitch1);
        EXPECT_EQ(read.pilot.Eswitch2, read.pilot.Efinal);
        expectNear(read.pilot.Efinal, written.pilot.Efinal);
        EXPECT_EQ(read.pilot.halfCycles, 2);
    }
}

TEST(MecFile, HeaderKeywordsSetTheProgramAndAreHandedBackAsRead) {
    TModel model = DefaultModel();
    const MecHeader header = ReadMec(withHeader("SR 0.1 /* V/s */\r\nIP -0.5\r\nE1 0.75\r\n"
                                                "V2 PASS\r\nFP -0.45\r\nAR 0.2\r\nCLL TE 25\r\n"
                                                "CLL DL 0\r\nTP 3 4 5\r\nREF SCE\r\n"),
                                     model, ',');
    EXPECT_EQ(model.pilot.scanRate, 0.1);
    EXPECT_EQ(model.pilot.Einitial, -0.5);
    EXPECT_EQ(model.pilot.Eswitch1, 0.75);
    EXPECT_EQ(model.pilot.Efinal, -0.45);
    EXPECT_EQ(model.pilot.Eswitch2, -0.45);  // "PASS", then the final potential
    EXPECT_EQ(model.area, 0.2);
    EXPECT_DOUBLE_EQ(model.temperature, 298.15);
    EXPECT_EQ(model.species.count(), 0);
    EXPECT_EQ(header.SR, "0,1");
    EXPECT_EQ(header.IP, "-0,5");
    EXPECT_EQ(header.V1, "0,75");
    EXPECT_EQ(header.V2, "PASS");
    EXPECT_EQ(header.FP, "-0,45");
    EXPECT_EQ(header.AR, "0,2");
    EXPECT_EQ(header.TE, "25");
}

TEST(MecFile, UnknownTokensAndBrokenFilesStopTheReadWithAMessage) {
    auto failure = [](const std::string& text) -> std::string {
        TModel model = DefaultModel();
        try {
            ReadMec(text, model, '.');
        } catch (const Exception& error) {
            return error.what();
        }
        return "no error";
    };
    // Each names its line, the title being line 1.
    EXPECT_EQ(failure(withHeader("SR 1\r\n/* a comment */\r\n")),
              "Line 3: Unknow token: /* in *.MEC file");
    EXPECT_EQ(failure(withHeader("SR 1\r\nIP 0\r\nZZ 4\r\n")),
              "Line 4: Unknow token: ZZ in *.MEC file");
    EXPECT_EQ(failure(withHeader("CLL XX 1\r\n")), "Line 2: Unknow token in *.MEC file: CLL XX");
    EXPECT_EQ(failure(withHeader("SR 1\r\n\r\n")),
              "Line 3: an empty line in the header of the *.MEC file");
    EXPECT_EQ(failure("/* Mechanism */\r\nSR 1\r\n"),
              "Line 3: the *.MEC file ends where END was expected");
    EXPECT_EQ(failure("/* Mechanism */\r\nEND\r\n2\r\n1 1E-5\r\n"),
              "Line 5: the *.MEC file ends where a species line was expected");
    EXPECT_EQ(failure(withHeader("SR fast\r\n")),
              "Line 2: 'fast' is not a valid floating point value");
    EXPECT_EQ(failure("/* Mechanism */\r\nEND\r\n1\r\n1\r\n"), "Line 4: a value is missing");

    std::string utf16 = "\xFF\xFE";
    for (const char c : withHeader("SR 1\r\n"))
        utf16 += std::string{c, '\0'};
    EXPECT_EQ(failure(utf16),
              "The *.MEC file is UTF-16 text, not Windows text: save it as ANSI text");

    // A failed load changes nothing, not even what was read before the fault.
    TModel model = DefaultModel();
    EXPECT_THROW(ReadMec("x\r\nIP 0.3\r\nBAD 1\r\n", model, '.'), Exception);
    EXPECT_EQ(model, DefaultModel());
}

}  // namespace
}  // namespace ondrel
