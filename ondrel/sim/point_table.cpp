#include "point_table.h"

#include <charconv>

namespace ondrel {

std::string PointTable(const std::vector<CVpoint>& points) {
    std::string text = "E (mV)\tI (\u00B5A)\n";
    text.reserve(text.size() + points.size() * 24);
    char number[32];
    for (const CVpoint& p : points) {
        text += std::to_string(p.potential);
        text += '\t';
        const double microamperes = static_cast<double>(p.current) * 1e6;
        const auto end = std::to_chars(number, number + sizeof number, microamperes,
                                       std::chars_format::general, 9)
                             .ptr;
        text.append(number, end);
        text += '\n';
    }
    return text;
}

}  // namespace ondrel
