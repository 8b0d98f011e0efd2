#pragma once

#include <stdexcept>
#include <string>

#include "../board/port_output.h"

namespace tolvek {

// The port-access library could not be loaded, lacks Out32, or its port is
// unusable. what() is the loader's or the library's own text.
class PortAccessError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr const char* kInpout32Library = "libinpout32.so";

// Out32 of the inpout32 library, bound by name at the first write.
class Inpout32Port final : public PortOutput {
public:
    explicit Inpout32Port(std::string library = kInpout32Library);
    ~Inpout32Port() override;

    // Throws PortAccessError when the first write cannot bind the library.
    void Out32(short port, short value) override {
        if (!out32_)
            bind();
        out32_(port, value);
    }

    // Asked of our own library; another library with Out32 alone has no
    // fallback and reports no failures.
    std::string FallbackReason() override;
    std::string Settle() override;

private:
    void bind();

    std::string library_;
    void* handle_ = nullptr;
    void (*out32_)(short, short) = nullptr;
    const char* (*fallback_)() = nullptr;
    const char* (*settle_)() = nullptr;
};

}  // namespace tolvek
