#pragma once

namespace velmora {

// The least and the greatest of samples that are numbers, and whether any
// is not a number; least > most when none is.
struct SampleExtremes {
    double least, most;
    bool notANumber;
};
SampleExtremes ExtremesOf(const double* samples, int count);
// The same, one sample after another: what ExtremesOf does where there are
// no vector instructions, with the same results.
SampleExtremes PortableExtremesOf(const double* samples, int count);

}  // namespace velmora
