#include "run_tables.h"

#include "../platform/float_text.h"

namespace ondrel {

std::vector<std::vector<std::string>> SimulatedGridRows(const std::vector<CVpoint>& points,
                                                        char separator) {
    std::vector<std::vector<std::string>> rows;
    rows.reserve(points.size() + 1);
    rows.push_back({kSimulatedGridHeader[0], kSimulatedGridHeader[1], kSimulatedGridHeader[2]});
    for (std::size_t k = 0; k < points.size(); ++k) {
        std::vector<std::string>& row = rows.emplace_back();
        for (int column = 0; column < 3; ++column)
            row.push_back(SimulatedGridCell(points[k], k, column, separator));
    }
    return rows;
}

std::string SimulatedGridCell(const CVpoint& point, std::size_t row, int column, char separator) {
    switch (column) {
        case 0:
            return std::to_string(row + 1);
        case 1:
            return std::to_string(point.potential);
        default:
            return FloatToGeneral(static_cast<double>(point.current) * 1e6, 5, separator);
    }
}

std::string PointCountText(std::size_t count) {
    return std::to_string(count) + " pts";
}

}  // namespace ondrel
