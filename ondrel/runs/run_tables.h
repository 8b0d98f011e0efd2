#pragma once

#include <string>
#include <vector>

#include "../engine/cv_point.h"

namespace ondrel {

// The simulated-data grid: the header "Calc", "E (mV)", "I (µA)", then one
// row per point: its number from 1, the potential in mV and the current in
// µA with 5 significant digits.
std::vector<std::vector<std::string>> SimulatedGridRows(const std::vector<CVpoint>& points,
                                                        char separator);

// The point count label: "1000 pts".
std::string PointCountText(std::size_t count);

}  // namespace ondrel
