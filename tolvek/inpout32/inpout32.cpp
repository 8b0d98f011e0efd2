#include "inpout32.h"

#include <cstdlib>

#include "port_backend.h"

namespace {

// Lives until the library is unloaded or the program ends; its destruction
// flushes whatever the backend buffered.
struct Library {
    bool opened = false;
    std::unique_ptr<inpout32::PortBackend> backend;
    std::string error;
    std::string fallback;
};

Library& library() {
    static Library instance;
    return instance;
}

Library& openedLibrary() {
    Library& lib = library();
    if (!lib.opened) {
        lib.opened = true;
        const char* setting = std::getenv("INPOUT32_BACKEND");
        inpout32::OpenedBackend opened = inpout32::openBackend(setting ? setting : "");
        lib.backend = std::move(opened.backend);
        lib.error = std::move(opened.error);
        lib.fallback = std::move(opened.fallback);
    }
    return lib;
}

const char* textOrNull(const std::string& text) {
    return text.empty() ? nullptr : text.c_str();
}

}  // namespace

extern "C" const char* Inpout32Open(void) {
    return textOrNull(openedLibrary().error);
}

extern "C" const char* Inpout32Fallback(void) {
    return textOrNull(openedLibrary().fallback);
}

extern "C" const char* Inpout32Settle(void) {
    Library& lib = openedLibrary();
    if (!lib.backend)
        return textOrNull(lib.error);
    lib.backend->settle();
    return textOrNull(lib.backend->error());
}

extern "C" void Out32(short port, short value) {
    Library& lib = openedLibrary();
    if (lib.backend)
        lib.backend->write(static_cast<std::uint16_t>(port), static_cast<std::uint8_t>(value));
}

extern "C" short Inp32(short port) {
    Library& lib = openedLibrary();
    return lib.backend ? lib.backend->read(static_cast<std::uint16_t>(port)) : 0;
}
