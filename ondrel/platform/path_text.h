#pragma once

#include <QString>
#include <string>

namespace ondrel {

// File names are the bytes the user gave; the window shows and passes them
// as text. Qt reads names as UTF-8 and turns bytes that are not UTF-8 into
// U+FFFD, so that such a name would open or replace another file. These two
// keep every byte: a byte that is not part of UTF-8 becomes the lone
// surrogate U+DC80..U+DCFF and comes back as itself.
QString PathText(const std::string& bytes);
std::string PathBytes(const QString& text);

}  // namespace ondrel
