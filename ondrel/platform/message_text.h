#pragma once

#include <string>
#include <string_view>

namespace ondrel {

// A text from a file as a message shows it: control bytes (a NUL above all,
// which would end the message where it stands) written as \xNN, and a
// text longer than a message needs cut after its first 40 bytes with "...".
std::string ShownText(std::string_view text);

// The same in single quotes: 'text'.
std::string QuotedText(std::string_view text);

}  // namespace ondrel
