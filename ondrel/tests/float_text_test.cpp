#include <gtest/gtest.h>

#include <cmath>

#include "platform/codepage.h"
#include "platform/date_time.h"
#include "platform/float_text.h"
#include "platform/ondrel_error.h"

namespace ondrel {
namespace {

TEST(FloatToText, WritesGeneralFormatWithFifteenDigits) {
    EXPECT_EQ(FloatToText(298.15, '.'), "298.15");
    EXPECT_EQ(FloatToText(0.01, '.'), "0.01");
    EXPECT_EQ(FloatToText(1e-5, '.'), "1E-5");
    EXPECT_EQ(FloatToText(2.5e-7, '.'), "2.5E-7");
    EXPECT_EQ(FloatToText(1e-4, '.'), "0.0001");
    EXPECT_EQ(FloatToText(1e15, '.'), "1E15");
    EXPECT_EQ(FloatToText(123456789012345, '.'), "123456789012345");
    EXPECT_EQ(FloatToText(-1.25e20, '.'), "-1.25E20");
    EXPECT_EQ(FloatToText(1.0 / 3, '.'), "0.333333333333333");
    EXPECT_EQ(FloatToText(0.0, '.'), "0");
    EXPECT_EQ(FloatToText(-0.0, '.'), "0");
    EXPECT_EQ(FloatToText(1.1, ','), "1,1");
    EXPECT_EQ(FloatToText(2.5e-7, ','), "2,5E-7");
}

TEST(TextToFloat, ReadsWholeNumbersWithTheGivenSeparatorOnly) {
    EXPECT_EQ(TextToFloat("1E-5", '.'), 1e-5);
    EXPECT_EQ(TextToFloat(" -2.5e+3 ", '.'), -2500);
    EXPECT_EQ(TextToFloat("1,5", ','), 1.5);
    EXPECT_EQ(TextToFloat("7", ','), 7);
    EXPECT_THROW(TextToFloat("1,5", '.'), EConvertError);
    EXPECT_THROW(TextToFloat("1.5", ','), EConvertError);
    EXPECT_THROW(TextToFloat("", '.'), EConvertError);
    EXPECT_THROW(TextToFloat("12abc", '.'), EConvertError);
    EXPECT_THROW(TextToFloat("1e", '.'), EConvertError);
    EXPECT_THROW(TextToFloat("0x10", '.'), EConvertError);
    try {
        TextToFloat("1,5", '.');
    } catch (const EConvertError& error) {
        EXPECT_STREQ(error.what(), "'1,5' is not a valid floating point value");
    }
    // Every written number reads back to the same value.
    for (double value : {298.15, 1e-5, 2.5e-7, -1.25e20, 1.0 / 3, 0.48})
        for (char separator : {'.', ','})
            EXPECT_EQ(TextToFloat(FloatToText(value, separator), separator),
                      std::stod(FloatToText(value, '.')));
}

TEST(TextToFloat, NumbersBeyondADoubleAreConversionErrors) {
    EXPECT_THROW(TextToFloat("1e309", '.'), EConvertError);
    EXPECT_THROW(TextToFloat("-1,5E400", ','), EConvertError);
    const std::string millionDigits = "1" + std::string(1000000, '0');
    try {
        TextToFloat(millionDigits, '.');
        ADD_FAILURE() << "a million digits became a number";
    } catch (const EConvertError& error) {
        // The message shows the start of the text, not all of it.
        EXPECT_LT(std::string(error.what()).size(), 200u);
        EXPECT_NE(std::string(error.what()).find("too large"), std::string::npos);
    }
    EXPECT_EQ(TextToFloat("1e-400", '.'), 0);  // too small is 0, as written
    EXPECT_EQ(TextToFloat("1.7976931348623157e308", '.'), 1.7976931348623157e308);
}

TEST(TextToFloat, AMessageShowsTheValueWholeUpToItsLengthLimit) {
    auto failure = [](std::string_view text) -> std::string {
        try {
            TextToFloat(text, '.');
        } catch (const EConvertError& error) {
            return error.what();
        }
        return "no error";
    };
    // A NUL or other control byte would end or garble the message.
    EXPECT_EQ(failure(std::string_view("29\0"
                                       "8",
                                       4)),
              "'29\\x008' is not a valid floating point value");
    EXPECT_EQ(failure("1\t2\x1B"), "'1\\x092\\x1B' is not a valid floating point value");
    EXPECT_EQ(failure(std::string(45, 'x')),
              "'" + std::string(40, 'x') + "...' is not a valid floating point value");
}

TEST(FormatNumber, GivesTheWholeTextOfAnyNumber) {
    const std::string huge = FormatNumber("%6.3f", 1e300, ',');
    EXPECT_EQ(huge.size(), 305u);
    EXPECT_EQ(huge.substr(huge.size() - 4), ",000");
    EXPECT_EQ(FormatNumber("%6.3e", 2.5e-7, '.'), "2.500e-07");
}

TEST(FiniteToText, RefusesWhatNoReaderTakesBack) {
    EXPECT_EQ(FiniteToText(2.5e-7, ','), "2,5E-7");
    EXPECT_THROW(FiniteToText(INFINITY, '.'), Exception);
    EXPECT_THROW(FiniteToText(NAN, '.'), Exception);
}

TEST(TextToInt, ReadsDecimalIntegers) {
    EXPECT_EQ(TextToInt("42"), 42);
    EXPECT_EQ(TextToInt(" -3"), -3);
    EXPECT_THROW(TextToInt("3.0"), EConvertError);
    EXPECT_THROW(TextToInt(""), EConvertError);
    EXPECT_THROW(TextToInt("99999999999"), EConvertError);
}

TEST(CodePage, WindowsAnsiBytesBecomeUnicodeAndBack) {
    EXPECT_EQ(FromCodePage("Capacit\xE9", kWindowsAnsi), "Capacit\u00E9");
    EXPECT_EQ(ToCodePage("\u00B5A 25\u00B0", kWindowsAnsi),
              "\xB5"
              "A 25\xB0");
    EXPECT_EQ(ToCodePage("\u0416", kWindowsAnsi), "?");  // no Cyrillic in 1252
    EXPECT_EQ(FromCodePage("\xC4\xC4", kDosCodePage), "\u2500\u2500");
}

}  // namespace
}  // namespace ondrel

namespace ondrel {
namespace {

TEST(DateTime, StampsFollowTheUsersTimeLocale) {
    setenv("TZ", "UTC", 1);
    tzset();
    setenv("LC_ALL", "C", 1);
    const std::time_t moment = 1796684400;  // 2026-12-07 23:00:00 UTC
    EXPECT_EQ(ShortDateText(moment), "12/07/26");
    EXPECT_EQ(TimeText(moment), "23:00:00");
    unsetenv("LC_ALL");
}

}  // namespace
}  // namespace ondrel
