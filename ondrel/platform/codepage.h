#pragma once

#include <string>
#include <string_view>

namespace ondrel {

// Text inside the program is UTF-8; files of the outside world hold single
// bytes of a code page. Characters a code page lacks become "?".
std::string ToCodePage(std::string_view utf8, const char* codePage);
std::string FromCodePage(std::string_view bytes, const char* codePage);

inline constexpr const char* kWindowsAnsi = "CP1252";
inline constexpr const char* kDosCodePage = "CP437";

}  // namespace ondrel
