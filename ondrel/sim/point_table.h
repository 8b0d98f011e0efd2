#pragma once

#include <string>
#include <vector>

#include "../curves/couples.h"
#include "../curves/peaks.h"
#include "../engine/cv_point.h"

namespace ondrel {

// The points as tab-separated text: a header "E (mV)<TAB>I (µA)", then the
// potential in mV and the current in µA with 9 significant digits, always
// with "." as decimal mark.
std::string PointTable(const std::vector<CVpoint>& points);

// Peaks as the peak grid lists them, tab-separated under a header
// "index<TAB>Ep (mV)<TAB>Ip (µA)", with "." as decimal mark.
std::string PeakTable(const std::vector<Peak>& peaks);

// Couples as CoupleRows lists them, tab-separated under their header line,
// with "." as decimal mark.
std::string CoupleTable(const std::vector<CouplePeaks>& couples);

}  // namespace ondrel
