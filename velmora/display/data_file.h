#pragma once

#include <string>

namespace velmora {

class CVelmoraDoc;

// What Save data writes: lines beginning with '#' that give the settings,
// then the full range of the shown data in Copy's layout, or, for a CSV
// file, the same columns separated by commas, a quoted heading and numbers
// of ten significant digits (a value that is no finite number left empty).
std::string DataFileText(const CVelmoraDoc& doc, bool csv);

// velmora-capture --thd: a heading and one row of the strongest tone's
// frequency, level (in mV, or dBV and dBFS as the spectrum shows them), THD
// and THD+N in percent; empty when no tone stands out.
std::string ThdReport(CVelmoraDoc& doc);

// Whether a file name asks for CSV: it ends in ".csv", in any case.
bool IsCsvName(const std::string& path);

}  // namespace velmora
