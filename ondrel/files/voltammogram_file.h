#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "../curves/curve.h"

namespace ondrel {

// The text formats of recorded voltammograms, told apart by extension.
enum class CurveFormat { Ocv, Aa0, Prn };

// Simulated curves are written to ".PRN" without the sign change that
// measured curves get, so that they read back inverted.
enum class CurveOrigin { Measured, Simulated };

// A file read: the curve in mV and µA, the rows of the data grid (a header
// row, then number, potential, current and for ".AA0" and ".PRN" the time
// as written) and the point count text ("500 pts").
struct VoltammogramRead {
    Curve curve;
    std::vector<std::vector<std::string>> grid;
    std::string pointCountText;
};

// The format of a path's extension, compared in upper case.
std::optional<CurveFormat> CurveFormatOf(const std::string& path);

// Reads the text of the file at path by its extension, converting numbers
// under the user's separator. Throws Exception "unknown file type" for
// another extension, and EConvertError naming the file and the line for a
// field that does not convert or a file shorter than its point count.
VoltammogramRead ReadVoltammogram(std::string_view text, const std::string& path, char separator);

// The format a curve is written in by the path's extension; another
// extension throws the message of the save command of that origin.
CurveFormat WriteFormatOf(const std::string& path, CurveOrigin origin);

// The whole text of a file of that format, CR LF line ends, "." decimals.
std::string WriteVoltammogram(const Curve& curve, CurveFormat format, CurveOrigin origin);

}  // namespace ondrel
