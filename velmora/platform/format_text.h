#pragma once

#include <cstdio>
#include <string>

namespace velmora {

// printf into a text as long as the formatted text needs, whatever its
// numbers: no buffer of a fixed size that a long number could overrun or cut.
template <typename... Args>
std::string FormatText(const char* format, Args... args) {
    const int length = std::snprintf(nullptr, 0, format, args...);
    if (length <= 0)
        return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(text.data(), text.size(), format, args...);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

}  // namespace velmora
