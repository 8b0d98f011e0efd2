#include "run_tables.h"

#include "../platform/float_text.h"

namespace ondrel {

std::vector<std::vector<std::string>> SimulatedGridRows(const std::vector<CVpoint>& points,
                                                        char separator) {
    std::vector<std::vector<std::string>> rows;
    rows.reserve(points.size() + 1);
    rows.push_back({"Calc", "E (mV)", "I (\u00B5A)"});
    for (std::size_t k = 0; k < points.size(); ++k)
        rows.push_back(
            {std::to_string(k + 1), std::to_string(points[k].potential),
             FloatToGeneral(static_cast<double>(points[k].current) * 1e6, 5, separator)});
    return rows;
}

std::string PointCountText(std::size_t count) {
    return std::to_string(count) + " pts";
}

}  // namespace ondrel
