#include "interaction.h"

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdlib>

namespace velmora {

bool ParseNumberText(const std::string& original, double& value) {
    // Either decimal mark is taken: the one of the locale, which the dialog
    // shows, and the "." of the command line and the exported text.
    std::string text = original;
    const char mark = *std::localeconv()->decimal_point;
    if (std::count(text.begin(), text.end(), '.') + std::count(text.begin(), text.end(), ',') > 1)
        return false;
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '.' || c == ','; }, mark);

    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const double parsed = std::strtod(begin, &end);
    if (end == begin)
        return false;
    while (*end == ' ' || *end == '\t')
        ++end;
    // A number beyond a double is no number either.
    if (*end != '\0' || !std::isfinite(parsed))
        return false;
    value = parsed;
    return true;
}

}  // namespace velmora
