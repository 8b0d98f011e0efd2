#include "date_time.h"

#include <locale.h>

namespace ondrel {

namespace {

std::string formatted(std::time_t moment, const char* format) {
    std::tm parts{};
    localtime_r(&moment, &parts);
    // The user's LC_TIME without changing the process locale.
    const locale_t user = newlocale(LC_TIME_MASK, "", locale_t{});
    char buffer[128];
    const std::size_t length = user ? strftime_l(buffer, sizeof buffer, format, &parts, user)
                                    : std::strftime(buffer, sizeof buffer, format, &parts);
    if (user)
        freelocale(user);
    return std::string(buffer, length);
}

}  // namespace

std::string ShortDateText(std::time_t moment) {
    return formatted(moment, "%x");
}

std::string TimeText(std::time_t moment) {
    return formatted(moment, "%X");
}

}  // namespace ondrel
