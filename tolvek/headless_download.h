#pragma once

#include <iosfwd>
#include <string>

#include "board/port_output.h"

namespace tolvek {

// Exit codes of tolvek --download.
constexpr int kExitDownloaded = 0;
constexpr int kExitDataFileFault = 1;
constexpr int kExitPortFault = 3;

// Window load and one Start on path, without window or dialog. The file is
// read and checked before anything is written, so a refused file leaves the
// port untouched. The status text goes to out, a fault to err.
int RunHeadlessDownload(PortOutput& port, const std::string& path, std::ostream& out,
                        std::ostream& err);

}  // namespace tolvek
