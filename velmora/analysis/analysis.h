#pragma once

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

}  // namespace velmora
