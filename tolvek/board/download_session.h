#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "../datafile/data_file_reader.h"
#include "board_lines.h"
#include "wave_table.h"

namespace tolvek {

// What a download needs from its surroundings: the window, or the command
// line when there is none.
class DownloadHost {
public:
    virtual ~DownloadHost() = default;
    // The open-file dialog; an empty name when cancelled.
    virtual std::string ChooseDataFile(const std::string& title, int filterIndex) = 0;
    virtual void ShowFileName(const std::string& path) = 0;
    virtual void ShowStatus(const std::string& text) = 0;
    // Lets waiting user-interface events run; false once the program is
    // ending, which abandons the load or download without another write.
    virtual bool YieldEvents() = 0;
    // Milliseconds since system start, wrapping at 2^32.
    virtual std::uint32_t TickCount() = 0;
    // How long a load waits for a file that sends nothing (a FIFO no
    // program writes); none waits until YieldEvents says the program is
    // ending.
    virtual std::optional<std::chrono::milliseconds> InputPatience() { return std::nullopt; }
};

inline constexpr const char* kInvalidFileNameText =
    "INVALID FILENAME SELECTED, No data downloaded!";
inline constexpr const char* kDownloadingText = "Please wait, downloading data into RAM...";
inline constexpr const char* kSimulatedDownloadingText =
    "Please wait, downloading data into the simulated board's RAM...";

// The status while a load waits for its file to send data.
std::string WaitingForDataText(const std::string& path);

// Milliseconds from t0 to t1 on a counter that wraps at 2^32.
constexpr std::uint32_t ElapsedMs(std::uint32_t t0, std::uint32_t t1) {
    return t1 - t0;
}

// The two status lines after a download, separated by CR LF; a simulated
// board that stands in for the port is named in the first.
std::string DownloadCompleteText(std::uint32_t elapsedMs, int EntryCount, bool simulated = false);

// The status lines when a write did not arrive.
std::string DownloadFailedText(const std::string& failure);

enum class DownloadOutcome {
    Complete,
    Abandoned,  // the program is ending; nothing more was written
    Failed,     // a write did not reach the port or its file
};

// The loader's state and its sequences: the wave table, the chosen file and
// the line layer over the port.
class DownloadSession {
public:
    explicit DownloadSession(PortOutput& port) : port_(port), lines_(port) {}

    // The writes made when the window loads: OE and WE high, MODE low.
    void WindowLoad();

    // The open-file dialog and the name test; sets DataFileName on success.
    bool SelectDataFile(DownloadHost& host, const std::string& title, int filterIndex);

    // Selects and reads the data file into the table; writes nothing.
    DataFileResult LoadDataFile(DownloadHost& host);

    // Clocks the loaded table into the board and reports the time taken,
    // once every write has been made durable and has arrived. A write that
    // did not arrive is put into failure, when given.
    DownloadOutcome Download(DownloadHost& host, std::string* failure = nullptr);

    // The Start button: load, then download when the load succeeded.
    // Returns the load's result, or kAbandoned or kPortFailure with its
    // message when the download did not complete.
    DataFileResult Start(DownloadHost& host);

    BoardLines& lines() { return lines_; }

    tolvek::WaveTable WaveTable;
    int EntryCount = 0;
    std::string DataFileName;

private:
    PortOutput& port_;
    BoardLines lines_;
    bool waitedForData_ = false;  // the status tells of a wait
};

}  // namespace tolvek
