#pragma once

namespace velmora {

class CVelmoraDoc;

// The distortion of the strongest tone of a spectrum: its harmonics up to
// half the sampling rate (THD) and everything but the tone and DC (THD+N),
// as fractions of the tone, each part taken as the power of its window's
// main lobe.
struct ThdResult {
    bool found = false;       // a tone stands out of the spectrum
    double frequency = 0;     // the tone's frequency, Hz, from its lobe's centre
    double amplitudeMv = 0;   // its peak amplitude, mV
    double thd = 0;           // harmonics over the tone, as a fraction
    double thdPlusNoise = 0;  // all but the tone and DC over the tone
    int harmonics = 0;        // how many harmonics fell below half the rate
};

// From the document's (averaged) amplitude spectrum.
ThdResult MeasureThd(const CVelmoraDoc& doc);

}  // namespace velmora
