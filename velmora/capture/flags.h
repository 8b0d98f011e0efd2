#pragma once

#include <cstdint>

namespace velmora {

// Mode and state bits of the document's m_dwFlags.
constexpr std::uint32_t kFlagDual = 0x0001;
constexpr std::uint32_t kFlagDragging = 0x0004;
constexpr std::uint32_t kFlagMonochrome = 0x0008;
constexpr std::uint32_t kFlagScope = 0x0010;
constexpr std::uint32_t kFlagAverage = 0x0020;
constexpr std::uint32_t kFlagRunning = 0x0040;
constexpr std::uint32_t kFlagResetView = 0x0080;
constexpr std::uint32_t kFlagAutoRangeY = 0x0100;
constexpr std::uint32_t kFlagReversed = 0x0200;
constexpr std::uint32_t kFlagPlanMade = 0x0400;
constexpr std::uint32_t kFlagZoomOutY = 0x0800;

// The flags of a starting mode (command-line P5): 0 one-channel scope,
// 1 two-channel scope, 3 transfer function, anything else spectrum.
constexpr std::uint32_t StartingModeFlags(int mode) {
    switch (mode) {
        case 0:
            return kFlagScope | kFlagResetView;
        case 1:
            return kFlagScope | kFlagDual | kFlagResetView;
        case 3:
            return kFlagDual | kFlagResetView;
        default:
            return kFlagResetView;
    }
}

}  // namespace velmora
