#pragma once

#include <string>

namespace tolvek {

constexpr short kDataRegister = 0x378;
constexpr short kControlRegister = 0x37A;

// Where the line layer sends its register writes. Each write must reach the
// port before the call returns: the board's clocks are made of consecutive
// writes.
class PortOutput {
public:
    virtual ~PortOutput() = default;
    virtual void Out32(short port, short value) = 0;

    // Why a simulated board takes the writes in place of the port the user
    // has; empty when they go where they were asked to go.
    virtual std::string FallbackReason() { return {}; }

    // Makes the writes so far durable and says whether every one of them
    // arrived: empty when they did, otherwise the first failure.
    virtual std::string Settle() { return {}; }
};

}  // namespace tolvek
