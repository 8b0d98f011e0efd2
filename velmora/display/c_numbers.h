#pragma once

#include <locale.h>

#include <cstdio>
#include <string>

#include "../platform/format_text.h"

namespace velmora {

// While it lives, the thread formats numbers in the C locale: the plot's
// labels and the exported text carry "." whatever the user's locale.
class CNumbers {
public:
    CNumbers() : previous_(uselocale(locale())) {}
    ~CNumbers() { uselocale(previous_); }
    CNumbers(const CNumbers&) = delete;
    CNumbers& operator=(const CNumbers&) = delete;

private:
    static locale_t locale() {
        static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t{});
        return c;
    }
    locale_t previous_;
};

// printf of one number in the C locale.
template <typename Number>
std::string FormatC(const char* format, Number value) {
    CNumbers c;
    return FormatText(format, value);
}

}  // namespace velmora
