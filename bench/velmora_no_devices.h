#pragma once

// A document for the benchmarks needs an input and dialogs it never uses.
#include "platform/interaction.h"
#include "platform/wave_input.h"

namespace velmora::bench {

class NoInput final : public WaveInput {
public:
    WaveResult open(const WaveFormat&, std::function<void()>) override { return {-1, "none"}; }
    WaveResult addBuffer(std::int16_t*, int) override { return {}; }
    WaveResult start() override { return {}; }
    void stop() override {}
    void close() override {}
};

class NoDialogs final : public Interaction {
public:
    void MessageBox(const std::string&) override {}
    void EditNumber(const std::string&, double&) override {}
};

}  // namespace velmora::bench
