#include "codepage.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace ondrel {

namespace {

std::string convert(std::string_view input, const char* to, const char* from,
                    const char* replacement) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error(std::string("no conversion from ") + from + " to " + to);
    std::string output;
    output.reserve(input.size() * 2);
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    char buffer[256];
    while (inLeft > 0) {
        char* out = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t rc = iconv(cd, &in, &inLeft, &out, &outLeft);
        output.append(buffer, out);
        if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) {
            // An unmappable or broken character: replace it and go on.
            output += replacement;
            std::size_t skip = 1;
            if (std::string_view(from) == "UTF-8")
                while (skip < inLeft && (static_cast<unsigned char>(in[skip]) & 0xC0) == 0x80)
                    ++skip;
            in += skip;
            inLeft -= skip;
        }
    }
    iconv_close(cd);
    return output;
}

}  // namespace

std::string ToCodePage(std::string_view utf8, const char* codePage) {
    return convert(utf8, codePage, "UTF-8", "?");
}

std::string FromCodePage(std::string_view bytes, const char* codePage) {
    return convert(bytes, "UTF-8", codePage, "?");
}

}  // namespace ondrel
