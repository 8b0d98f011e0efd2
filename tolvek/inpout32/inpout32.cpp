#include "inpout32.h"

#include <cstdio>
#include <cstdlib>

#include "port_backend.h"

namespace {

// Lives until the library is unloaded or the program ends; its destruction
// flushes whatever the backend buffered.
struct Library {
    bool opened = false;
    std::unique_ptr<inpout32::PortBackend> backend;
    std::string error;
};

Library& library() {
    static Library instance;
    return instance;
}

}  // namespace

extern "C" const char* Inpout32Open(void) {
    Library& lib = library();
    if (!lib.opened) {
        lib.opened = true;
        const char* setting = std::getenv("INPOUT32_BACKEND");
        std::string notice;
        inpout32::OpenedBackend opened = inpout32::openBackend(setting ? setting : "", notice);
        if (!notice.empty())
            std::fprintf(stderr, "%s\n", notice.c_str());
        lib.backend = std::move(opened.backend);
        lib.error = std::move(opened.error);
    }
    return lib.error.empty() ? nullptr : lib.error.c_str();
}

extern "C" void Out32(short port, short value) {
    Library& lib = library();
    if (!lib.opened)
        Inpout32Open();
    if (lib.backend)
        lib.backend->write(static_cast<std::uint16_t>(port), static_cast<std::uint8_t>(value));
}

extern "C" short Inp32(short port) {
    Library& lib = library();
    if (!lib.opened)
        Inpout32Open();
    return lib.backend ? lib.backend->read(static_cast<std::uint16_t>(port)) : 0;
}
