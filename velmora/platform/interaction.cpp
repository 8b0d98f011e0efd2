#include "interaction.h"

#include <cerrno>
#include <cstdlib>

namespace velmora {

bool ParseNumberText(const std::string& text, double& value) {
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const double parsed = std::strtod(begin, &end);
    if (end == begin)
        return false;
    while (*end == ' ' || *end == '\t')
        ++end;
    if (*end != '\0')
        return false;
    value = parsed;
    return true;
}

}  // namespace velmora
