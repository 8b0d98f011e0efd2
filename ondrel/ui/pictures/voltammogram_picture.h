#pragma once

#include <string>
#include <vector>

namespace ondrel {

// Runs the model (the default one for an empty path) as the window does and
// writes its voltammogram chart, with the measured curves overlaid, as the
// window shows it into a picture of the format the path's extension names.
// Uses Qt's offscreen platform unless QT_QPA_PLATFORM names another.
// With threeD false the chart is drawn without its 3D look. Throws
// Exception with what the window would have said.
void WriteVoltammogramPicture(const std::string& model, const std::vector<std::string>& curves,
                              const std::string& picture, bool threeD);

}  // namespace ondrel
