#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace inpout32 {

// One way of reaching the parallel-port registers.
class PortBackend {
public:
    virtual ~PortBackend() = default;
    virtual void write(std::uint16_t port, std::uint8_t value) = 0;
    virtual std::uint8_t read(std::uint16_t port) = 0;
};

struct OpenedBackend {
    std::unique_ptr<PortBackend> backend;
    std::string error;  // empty when backend is set
};

// Opens the backend a setting names: "ppdev[:DEVICE]", "ioport",
// "trace:FILE" or "board[:FILE]". An empty setting picks ppdev on
// /dev/parport0 when it can be claimed and the board simulation otherwise,
// saying so in notice.
OpenedBackend openBackend(std::string_view setting, std::string& notice);

constexpr std::uint16_t kDataPort = 0x378;
constexpr std::uint16_t kStatusPort = 0x379;
constexpr std::uint16_t kControlPort = 0x37A;

}  // namespace inpout32
