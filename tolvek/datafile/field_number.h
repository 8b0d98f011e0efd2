#pragma once

#include <cstddef>
#include <string_view>

namespace tolvek {

// The value of one data-file field: the longest leading decimal number
// (optional sign, digits, optional fraction and exponent) once blanks, tabs
// and line feeds are taken out; 0 when the field starts with no number.
// Too large a number gives an infinity.
double FieldNumber(std::string_view field);

// Length of the decimal number at the start of text (no blanks taken out),
// 0 when there is none.
std::size_t LeadingNumberLength(std::string_view text);

// Nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
double RoundHalfEven(double value);

}  // namespace tolvek
