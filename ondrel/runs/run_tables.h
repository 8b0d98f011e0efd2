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

// One cell of that grid below its header: row from 0, column 0..2.
std::string SimulatedGridCell(const CVpoint& point, std::size_t row, int column, char separator);
inline constexpr const char* kSimulatedGridHeader[3] = {"Calc", "E (mV)", "I (\u00B5A)"};

// The point count label: "1000 pts".
std::string PointCountText(std::size_t count);

}  // namespace ondrel
