#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

constexpr int kParamCount = 8;
constexpr int kParamLength = 80;

// P1..P8; a row has one byte more than its longest word, so that a word of
// 80 characters still reads as text.
using ParamStrings = std::array<std::array<char, kParamLength + 1>, kParamCount>;

// Splits the command line (the text after the program name) into words at
// runs of blanks: leading blanks are skipped, a trailing run opens an empty
// word. A word of more than 80 characters or a ninth word gives nothing.
std::optional<ParamStrings> SplitCommandLine(std::string_view text);

inline std::string ParamText(const ParamStrings& params, int index) {
    return params[index].data();
}

}  // namespace velmora
