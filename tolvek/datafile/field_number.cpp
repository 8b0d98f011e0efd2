#include "field_number.h"

#include <locale.h>
#include <stdlib.h>

#include <cmath>
#include <string>

namespace tolvek {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

std::size_t LeadingNumberLength(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    std::size_t digits = 0;
    while (i < text.size() && isDigit(text[i]))
        ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && isDigit(text[i]))
            ++i, ++digits;
    }
    if (digits == 0)
        return 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            ++j;
        if (j < text.size() && isDigit(text[j])) {
            while (j < text.size() && isDigit(text[j]))
                ++j;
            i = j;
        }
    }
    return i;
}

double FieldNumber(std::string_view field) {
    std::string text;
    text.reserve(field.size());
    for (char c : field)
        if (c != ' ' && c != '\t' && c != '\n')
            text += c;

    const std::size_t length = LeadingNumberLength(text);
    if (length == 0)
        return 0.0;

    // strtod in the C locale: the decimal mark is always '.', and a number
    // too large comes back as an infinity, one too small as 0.
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t{});
    text.resize(length);
    return strtod_l(text.c_str(), nullptr, cLocale);
}

double RoundHalfEven(double value) {
    // nearbyint follows the default round-to-nearest-even mode.
    return std::nearbyint(value);
}

}  // namespace tolvek
