#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ondrel {

// Splits a text into lines at CR, LF or CR LF; a final line end opens no
// further line, and a UTF-8 byte-order mark at the start is skipped.
std::vector<std::string> SplitLines(std::string_view text);

// The text with its ASCII letters in upper case (extensions, keywords).
std::string AsciiUpper(std::string text);

// Joins lines, each ended by CR LF.
std::string JoinLines(const std::vector<std::string>& lines);

}  // namespace ondrel
