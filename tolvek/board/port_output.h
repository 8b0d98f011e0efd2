#pragma once

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
};

}  // namespace tolvek
