#pragma once

namespace velmora {

// The spectrum's amplitude: millivolts (the instrument's own), dB re 1 V
// from the millivolts, or dB re full scale (a sine of 32767 counts).
enum class AmplitudeScale { Millivolts, DbV, DbFullScale };

// The transfer function: the average of the ratios X0 / X1 (the
// instrument's own), or H1, the averaged cross-spectrum over the averaged
// auto-spectrum of the reference (channel 1), with its coherence.
enum class TransferEstimate { RatioAverage, H1 };

}  // namespace velmora
