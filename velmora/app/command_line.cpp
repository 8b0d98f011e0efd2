#include "command_line.h"

namespace velmora {

std::optional<ParamStrings> SplitCommandLine(std::string_view text) {
    ParamStrings params{};
    int row = -1;  // no row used until the first word
    int length = 0;
    bool inBlanks = true;
    for (char c : text) {
        if (c == ' ') {
            inBlanks = true;
            continue;
        }
        if (inBlanks) {
            if (++row == kParamCount)
                return std::nullopt;
            length = 0;
            inBlanks = false;
        }
        if (length == kParamLength)
            return std::nullopt;
        params[row][length++] = c;
    }
    // A blank run after a word opens one more, empty, word.
    if (inBlanks && row >= 0 && !text.empty() && text.back() == ' ' && ++row == kParamCount)
        return std::nullopt;
    return params;
}

}  // namespace velmora
