#pragma once

#include <string>

namespace velmora {

class CVelmoraDoc;

// The data behind the plot, rows first..last - 1 (samples in the scope
// modes, bins in the spectrum modes), as tab-separated "%10.4f" columns
// under a one-line header, each line ended by a line feed. A number wider
// than its field widens its own row only.
std::string ClipboardText(const CVelmoraDoc& doc, int first, int last);

// The note shown before a two-channel scope copy when a right-channel delay
// is set; empty otherwise.
std::string DelayNote(const CVelmoraDoc& doc);

// The full range a reset view shows: every sample in the scope modes, bins
// 0..(N + 1) / 2 in the spectrum modes (one past the last).
int FullRangeEnd(const CVelmoraDoc& doc);

}  // namespace velmora
