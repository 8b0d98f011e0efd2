#pragma once

namespace velmora {

// The first count from m upward whose only prime factors are 2, 3 and 5
// (m >= 1).
int SmoothFrameCount(int m);

// Frames of a capture for a rate and a time window, or 0 when the window is
// too short to leave two analysed samples after skip frames, or too long to
// be held.
int CaptureFramesFor(int samplingRate, double timeWindow, int skip);

}  // namespace velmora
