#pragma once

#include <QString>
#include <string>

namespace ondrel {

// A text of the core, held as UTF-8, as the widgets show it.
inline QString ToQString(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

}  // namespace ondrel
