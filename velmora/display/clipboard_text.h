#pragma once

#include <functional>
#include <string>

namespace velmora {

class CVelmoraDoc;

// The data behind the plot, rows first..last - 1 (samples in the scope
// modes, bins in the spectrum modes), as tab-separated "%10.4f" columns
// under a one-line header, each line ended by a line feed. A number wider
// than its field widens its own row only. With leftOut, the rows holding a
// value that is not a finite number are left out and counted there.
std::string ClipboardText(const CVelmoraDoc& doc, int first, int last, int* leftOut = nullptr);

// The note shown before a two-channel scope copy when a right-channel delay
// is set; empty otherwise.
std::string DelayNote(const CVelmoraDoc& doc);

// The full range a reset view shows: every sample in the scope modes, bins
// 0..(N + 1) / 2 in the spectrum modes (one past the last), from bin 1 on
// a logarithmic frequency axis.
int FullRangeEnd(const CVelmoraDoc& doc);
int FullRangeStart(const CVelmoraDoc& doc);

// The columns behind the plot: the header line as Copy writes it (ended by
// a line feed, columns separated by tabs), and the numbers of row i, in the
// units and scales shown.
struct DataColumns {
    static constexpr int kMost = 4;
    std::string header;
    int count;
    std::function<void(int i, double* row)> row;
};
DataColumns ShownColumns(const CVelmoraDoc& doc);

}  // namespace velmora
