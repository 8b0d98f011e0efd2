#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "../board/wave_table.h"

namespace tolvek {

// Results of loading a data file.
constexpr short kLoaded = 0;
constexpr short kEndedAfterField2 = -2;
constexpr short kEndedAfterField3 = -3;
constexpr short kNoFileChosen = -4;
constexpr short kOutsideLimits = -5;  // a value, the record count, an empty or unreadable file
constexpr short kAbandoned = -6;      // the program is ending
constexpr short kPortFailure = -7;    // a download's write did not arrive

struct DataFileResult {
    short status = kLoaded;
    int EntryCount = 0;   // entries to send, the end mark included
    std::string message;  // what went wrong, for every status but kLoaded
};

// A data file's name must end in ".txt", case-sensitively.
bool IsDataFileName(std::string_view name);

// Reads the records of a data file into a preset table (entries 1..),
// followed by the end mark. Four fields make a record: Value1, Value2, control bit 0,
// control bit 1. Fields are separated by commas or line ends; empty lines
// are no fields. yield runs once per record and returns false to abandon.
// The whole file is checked against the limits before the result says
// kLoaded. An input that has nothing to give (a FIFO without a writer) is
// waited for between yields, for patience at most when given; waiting is
// told when the wait begins.
DataFileResult ReadDataFile(const std::string& path, WaveTable& table,
                            const std::function<bool()>& yield,
                            std::optional<std::chrono::milliseconds> patience = std::nullopt,
                            const std::function<void()>& waiting = {});

}  // namespace tolvek
