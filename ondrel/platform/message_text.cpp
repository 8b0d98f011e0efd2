#include "message_text.h"

namespace ondrel {

namespace {

constexpr std::size_t kShownBytes = 40;

}  // namespace

std::string ShownText(std::string_view text) {
    std::string shown;
    for (const char c : text.substr(0, kShownBytes)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            shown += "\\x";
            shown += "0123456789ABCDEF"[byte >> 4];
            shown += "0123456789ABCDEF"[byte & 0xF];
        } else {
            shown += c;
        }
    }
    if (text.size() > kShownBytes)
        shown += "...";
    return shown;
}

std::string QuotedText(std::string_view text) {
    return "'" + ShownText(text) + "'";
}

}  // namespace ondrel
