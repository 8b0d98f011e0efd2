#pragma once

#include <ctime>
#include <string>

namespace ondrel {

// A moment in the user's short date format and time format (LC_TIME's %x
// and %X), as files stamp their writing.
std::string ShortDateText(std::time_t moment);
std::string TimeText(std::time_t moment);

}  // namespace ondrel
