#include "path_text.h"

namespace ondrel {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

// The length of the valid UTF-8 sequence at text[at], or 0 when the byte
// there starts none (a stray continuation byte, an overlong form, a
// surrogate, a code point beyond U+10FFFF, a cut sequence).
std::size_t sequenceLength(const std::string& text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    char32_t code = 0, least = 0;
    if ((lead & 0xE0) == 0xC0)
        length = 2, code = lead & 0x1F, least = 0x80;
    else if ((lead & 0xF0) == 0xE0)
        length = 3, code = lead & 0x0F, least = 0x800;
    else if ((lead & 0xF8) == 0xF0)
        length = 4, code = lead & 0x07, least = 0x10000;
    else
        return 0;
    if (at + length > text.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(at + i) & 0x3F);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

bool isEscape(char16_t unit) {
    return unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF;
}

}  // namespace

QString PathText(const std::string& bytes) {
    QString text;
    std::size_t runStart = 0, at = 0;
    const auto flushRun = [&] {
        text += QString::fromUtf8(bytes.data() + runStart, static_cast<qsizetype>(at - runStart));
    };
    while (at < bytes.size()) {
        if (const std::size_t length = sequenceLength(bytes, at); length > 0) {
            at += length;
            continue;
        }
        flushRun();
        text += QChar(static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(bytes[at])));
        runStart = ++at;
    }
    flushRun();
    return text;
}

std::string PathBytes(const QString& text) {
    std::string bytes;
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        // An escape is a lone low surrogate: one after a high surrogate is
        // half of a character.
        if (!isEscape(unit) || (i > 0 && text[i - 1].isHighSurrogate()))
            continue;
        bytes += text.mid(runStart, i - runStart).toStdString();
        bytes += static_cast<char>(unit - kEscapeBase);
        runStart = i + 1;
    }
    bytes += text.mid(runStart).toStdString();
    return bytes;
}

}  // namespace ondrel
