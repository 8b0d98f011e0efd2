#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace inpout32 {

// One way of reaching the parallel-port registers. A write that fails is
// remembered: the first failure since the backend was opened stays
// readable through error(), so that a program can ask before it tells its
// user that a download arrived.
class PortBackend {
public:
    virtual ~PortBackend() = default;
    virtual void write(std::uint16_t port, std::uint8_t value) = 0;
    virtual std::uint8_t read(std::uint16_t port) = 0;

    // Makes every write so far durable where the backend keeps a file: the
    // trace flushed to the kernel, the board memory written.
    virtual void settle() {}

    // The first failure since the backend was opened, empty while none.
    const std::string& error() const { return error_; }

protected:
    void fail(std::string text) {
        if (error_.empty())
            error_ = std::move(text);
    }

private:
    std::string error_;
};

struct OpenedBackend {
    std::unique_ptr<PortBackend> backend;
    std::string error;     // empty when backend is set
    std::string fallback;  // why a simulated board stands in for the port
};

constexpr const char* kDefaultDevice = "/dev/parport0";

// Opens the backend a setting names: "ppdev[:DEVICE]", "ioport",
// "trace:FILE" or "board[:FILE]". An empty setting picks ppdev on
// defaultDevice when it can be claimed and otherwise the board simulation,
// with the reason in fallback.
OpenedBackend openBackend(std::string_view setting,
                          const std::string& defaultDevice = kDefaultDevice);

constexpr std::uint16_t kDataPort = 0x378;
constexpr std::uint16_t kStatusPort = 0x379;
constexpr std::uint16_t kControlPort = 0x37A;

}  // namespace inpout32
