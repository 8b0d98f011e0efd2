#pragma once

#include "units.h"

namespace velmora {

class CVelmoraDoc;

// The angle of (x, y) in (-pi, pi], from arctan(y / x) and the sign of x.
// It differs from atan2 at the edges: a negative x with y = -0 gives +pi,
// and x = y = 0 gives NaN.
double atan2q(double y, double x);

// Sample i of a channel in millivolts.
double SampleMv(const CVelmoraDoc& doc, int channel, int i);

// The values the plots and the export show for bin k; 0 while no capture
// has been summed (averaging on and the device failed at Start).
double AmplitudeMv(const CVelmoraDoc& doc, int k);
double RatioValue(const CVelmoraDoc& doc, int k);
double PhaseDegrees(const CVelmoraDoc& doc, int k);

// The same in the scales chosen: the amplitude in mV, dBV or dBFS, the ratio
// as a number or in dB; and the coherence of the H1 estimate (0 without it).
double ShownAmplitude(const CVelmoraDoc& doc, int k);
double ShownRatio(const CVelmoraDoc& doc, int k);
double CoherenceValue(const CVelmoraDoc& doc, int k);
// A peak amplitude of channel 0 in mV, in the amplitude scale chosen.
double ShownLevel(const CVelmoraDoc& doc, double amplitudeMv);
// "mV", "dBV" or "dBFS".
const char* AmplitudeUnit(const CVelmoraDoc& doc);

// Whether the spectrum modes' trace 0 is in dB now (the amplitude in the
// spectrum mode, the ratio in the transfer-function mode), and the y range
// it takes before there are levels to fit.
bool ShownInDecibels(const CVelmoraDoc& doc);
DecibelSpan DefaultDecibelSpan(const CVelmoraDoc& doc);

// What the plot draws for an amplitude sum, or a ratio sum, over the
// document's count: monotonic in the sum, so that the extremes of the sums
// give the extremes of what is drawn. 0 while nothing has been summed.
double SpectrumValue(const CVelmoraDoc& doc, double sum);
double RatioShown(const CVelmoraDoc& doc, double sum);

}  // namespace velmora
