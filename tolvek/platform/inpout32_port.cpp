#include "inpout32_port.h"

#include <dlfcn.h>

#include <filesystem>

namespace tolvek {

namespace {
std::string loaderError() {
    const char* text = dlerror();
    return text ? text : "unknown dynamic loader error";
}
// A bare library name is looked for beside the program first, where it is
// built, then in the private folder it is installed in (named relative to
// the program, so that an installed tree may move), then where the dynamic
// loader looks.
std::string libraryPath(const std::string& library) {
    if (library.find('/') != std::string::npos)
        return library;
    std::error_code error;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return library;
    const auto folder = program.parent_path();
    for (const auto& candidate :
         {folder / library, folder / TOLVEK_INSTALLED_LIBRARY_DIR / library})
        if (std::filesystem::exists(candidate, error))
            return candidate.lexically_normal().string();
    return library;
}

}  // namespace

Inpout32Port::Inpout32Port(std::string library) : library_(std::move(library)) {}

// The library is left loaded: its backend flushes what it buffered when the
// program ends, after the last write.
Inpout32Port::~Inpout32Port() = default;

void Inpout32Port::bind() {
    if (!handle_) {
        handle_ = dlopen(libraryPath(library_).c_str(), RTLD_NOW);
        if (!handle_)
            throw PortAccessError(loaderError());
    }
    auto out32 = reinterpret_cast<void (*)(short, short)>(dlsym(handle_, "Out32"));
    if (!out32)
        throw PortAccessError(loaderError());

    // Our own library also says whether its port can be used; another
    // library with Out32 alone is taken as it is.
    if (auto open = reinterpret_cast<const char* (*)()>(dlsym(handle_, "Inpout32Open"))) {
        if (const char* error = open())
            throw PortAccessError(error);
    }
    fallback_ = reinterpret_cast<const char* (*)()>(dlsym(handle_, "Inpout32Fallback"));
    settle_ = reinterpret_cast<const char* (*)()>(dlsym(handle_, "Inpout32Settle"));
    out32_ = out32;
}

std::string Inpout32Port::FallbackReason() {
    const char* reason = fallback_ ? fallback_() : nullptr;
    return reason ? reason : "";
}

std::string Inpout32Port::Settle() {
    const char* failure = settle_ ? settle_() : nullptr;
    return failure ? failure : "";
}

}  // namespace tolvek
