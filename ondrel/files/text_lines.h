#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ondrel {

// Splits a text into lines at CR, LF or CR LF; a final line end opens no
// further line, and a UTF-8 byte-order mark at the start is skipped.
std::vector<std::string> SplitLines(std::string_view text);

// Whether a text is UTF-16: a byte-order mark, or a NUL byte beside its
// first character, as plain ASCII text has in UTF-16.
bool LooksUtf16(std::string_view text);

// The message for a file of such a text, with what was expected of it.
std::string Utf16Message(const std::string& what);

// The text with its ASCII letters in upper case (extensions, keywords).
std::string AsciiUpper(std::string text);

// Joins lines, each ended by CR LF.
std::string JoinLines(const std::vector<std::string>& lines);

}  // namespace ondrel
