#pragma once

#include <string>
#include <string_view>

namespace ondrel {

// The decimal separator of the user's locale, "." or ",", read once.
char UserDecimalSeparator();

// A double as the program shows and stores it: general format with up to 15
// significant digits, fixed notation for 1e-4 <= |x| < 1e15, otherwise the
// mantissa, "E" and the exponent, signed only when negative and without
// leading zeros ("1E-5", "2.5E-7", "1E15").
std::string FloatToText(double value, char separator);

// FloatToText for a file: a value that is not a finite number throws
// Exception instead of becoming "INF" or "NAN", which no reader takes back.
std::string FiniteToText(double value, char separator);

// The same form with at most digits significant digits: the grids' general
// format with 5 or 4 digits.
std::string FloatToGeneral(double value, int digits, char separator);

// A number field of an exchange file, written with ".", readied for
// TextToFloat under the user's separator: the last "." becomes separator.
std::string WithDecimalMark(std::string_view field, char separator);

// Reads a whole text as a number written with the given separator: optional
// blanks, sign, digits, fraction and exponent. Throws EConvertError.
double TextToFloat(std::string_view text, char separator);

// Reads a whole text as a decimal integer. Throws EConvertError.
int TextToInt(std::string_view text);

}  // namespace ondrel

namespace ondrel {

// printf of one number in the C locale, then the decimal point replaced by
// separator: "%6.3f" of 1.4 with ',' is " 1,400".
std::string FormatNumber(const char* format, double value, char separator);

}  // namespace ondrel
