#include "float_text.h"

#include <langinfo.h>
#include <locale.h>
#include <stdlib.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>

#include "message_text.h"
#include "ondrel_error.h"

namespace ondrel {

namespace {

locale_t cLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t{});
    return locale;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

[[noreturn]] void notA(std::string_view text, const char* what) {
    throw EConvertError(QuotedText(text) + " is not a valid " + what);
}

}  // namespace

char UserDecimalSeparator() {
    static const char separator = [] {
        const locale_t user = newlocale(LC_NUMERIC_MASK, "", locale_t{});
        if (!user)
            return '.';
        const char* radix = nl_langinfo_l(RADIXCHAR, user);
        const char c = radix && radix[0] == ',' ? ',' : '.';
        freelocale(user);
        return c;
    }();
    return separator;
}

std::string FloatToText(double value, char separator) {
    return FloatToGeneral(value, 15, separator);
}

std::string FiniteToText(double value, char separator) {
    if (!std::isfinite(value))
        throw Exception("A value that is not a finite number (" + FloatToText(value, separator) +
                        ") cannot be written to a file.");
    return FloatToText(value, separator);
}

std::string FloatToGeneral(double value, int digits, char separator) {
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value > 0 ? "INF" : "-INF";
    if (value == 0)
        return "0";

    // General format as %.*g in the C locale: exponent form below 1e-4 and
    // from 10^digits on.
    char buffer[64];
    const auto end =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, digits)
            .ptr;
    std::string text(buffer, end);
    if (const auto e = text.find('e'); e != std::string::npos) {
        const bool negative = text[e + 1] == '-';
        std::string digits = text.substr(e + 2);
        digits.erase(0, digits.find_first_not_of('0'));
        text = text.substr(0, e) + "E" + (negative ? "-" : "") + digits;
    }
    if (const auto point = text.find('.'); point != std::string::npos)
        text[point] = separator;
    return text;
}

double TextToFloat(std::string_view original, char separator) {
    const std::string_view text = trimmed(original);
    std::string plain;
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        plain += text[i++];
    std::size_t digits = 0;
    while (i < text.size() && isDigit(text[i]))
        plain += text[i++], ++digits;
    if (i < text.size() && text[i] == separator) {
        plain += '.';
        ++i;
        while (i < text.size() && isDigit(text[i]))
            plain += text[i++], ++digits;
    }
    if (digits == 0)
        notA(original, "floating point value");
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        plain += 'e';
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            plain += text[i++];
        std::size_t exponentDigits = 0;
        while (i < text.size() && isDigit(text[i]))
            plain += text[i++], ++exponentDigits;
        if (exponentDigits == 0)
            notA(original, "floating point value");
    }
    if (i != text.size())
        notA(original, "floating point value");
    const double value = strtod_l(plain.c_str(), nullptr, cLocale());
    // A number beyond the largest double is no number the program can use.
    if (!std::isfinite(value))
        throw EConvertError(QuotedText(original) + " is too large a number (beyond 1.8E308)");
    return value;
}

int TextToInt(std::string_view original) {
    const std::string text(trimmed(original));
    std::size_t i = (!text.empty() && (text[0] == '+' || text[0] == '-')) ? 1 : 0;
    if (i == text.size())
        notA(original, "integer value");
    for (std::size_t j = i; j < text.size(); ++j)
        if (!isDigit(text[j]))
            notA(original, "integer value");
    errno = 0;
    const long value = std::strtol(text.c_str(), nullptr, 10);
    if (errno == ERANGE || value < INT_MIN || value > INT_MAX)
        notA(original, "integer value");
    return static_cast<int>(value);
}

}  // namespace ondrel

namespace ondrel {

std::string FormatNumber(const char* format, double value, char separator) {
    // The thread formats in the C locale whatever the program's locale is.
    const locale_t previous = uselocale(cLocale());
    // Measured first: "%6.3f" of 1E300 is over 300 characters long.
    const int length = std::snprintf(nullptr, 0, format, value);
    std::string text(static_cast<std::size_t>(std::max(length, 0)), '\0');
    std::snprintf(text.data(), text.size() + 1, format, value);
    uselocale(previous);
    if (const auto point = text.find('.'); point != std::string::npos)
        text[point] = separator;
    return text;
}

std::string WithDecimalMark(std::string_view field, char separator) {
    std::string text(field);
    if (separator != '.')
        if (const auto point = text.rfind('.'); point != std::string::npos)
            text[point] = separator;
    return text;
}

}  // namespace ondrel
