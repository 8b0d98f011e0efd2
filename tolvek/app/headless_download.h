#pragma once

#include <chrono>
#include <iosfwd>
#include <string>

#include "board/port_output.h"

namespace tolvek {

// Exit codes of tolvek --download.
constexpr int kExitDownloaded = 0;
constexpr int kExitDataFileFault = 1;
constexpr int kExitPortFault = 3;  // no library, no usable port, no simulation asked for
constexpr int kExitWriteFailed = 4;
constexpr int kExitOutOfMemory = 5;

// How long a batch download waits for a file that sends nothing.
constexpr std::chrono::seconds kInputPatience{10};

// Window load and one Start on path, without window or dialog. The file is
// read and checked before anything is written, so a refused file leaves the
// port untouched. A batch job never takes a simulated board for the port:
// when the library falls back to one, the download ends before it begins.
// A file that sends nothing for kInputPatience (a FIFO no program writes) is
// refused. The status text goes to out, a fault to err.
int RunHeadlessDownload(PortOutput& port, const std::string& path, std::ostream& out,
                        std::ostream& err);

}  // namespace tolvek
