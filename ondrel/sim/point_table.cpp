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

std::string PeakTable(const std::vector<Peak>& peaks) {
    std::string text = "index\tEp (mV)\tIp (\u00B5A)\n";
    const GridRows rows = PeakRows(peaks, '.');
    for (std::size_t r = 1; r < rows.size(); ++r)
        text += rows[r][0] + '\t' + rows[r][1] + '\t' + rows[r][2] + '\n';
    return text;
}

std::string CoupleTable(const std::vector<CouplePeaks>& couples) {
    std::string text;
    for (const std::vector<std::string>& row : CoupleRows(couples, '.')) {
        for (std::size_t c = 0; c < row.size(); ++c)
            text += (c ? "\t" : "") + row[c];
        text += '\n';
    }
    return text;
}

}  // namespace ondrel
