// The document's analysis of each capture: both transforms, the channel-0
// amplitude spectrum and the delay-corrected transfer function, replaced or
// summed.
#include <cmath>

#include "../capture/velmora_doc.h"
#include "analysis.h"
#include "bin_lanes.h"
#include "units.h"

namespace velmora {

namespace {

using lanes::Complex;
using lanes::Get;
using lanes::GetComplex;

// What one pass over the bins reads and writes.
struct BinArrays {
    const double* X0;
    const double* X1;
    const double* cosTheta;
    const double* sinTheta;
    double* magnitude;
    double* ratio;
    double* phase;
    // The summed transfer function as vectors, beside its polar form in
    // ratio and phase, so that it need not be turned back from them.
    double* sumRe;
    double* sumIm;
};

template <typename V>
V Power(Complex<V> z) {
    return z.re * z.re + z.im * z.im;
}

// a conj(b): its angle is the phase of a less the phase of b.
template <typename V>
Complex<V> CrossProduct(Complex<V> a, Complex<V> b) {
    return {a.re * b.re + a.im * b.im, a.im * b.re - a.re * b.im};
}

// z turned by the angle whose cosine and sine are c and s.
template <typename V>
Complex<V> Rotated(Complex<V> z, V c, V s) {
    return {c * z.re - s * z.im, s * z.re + c * z.im};
}

// A capture on its own: this capture's ratio, phase and magnitude.
template <typename V>
void ReplaceBins(const BinArrays& a, int k) {
    const Complex<V> x0 = GetComplex<V>(a.X0, k), x1 = GetComplex<V>(a.X1, k);
    const V power0 = Power(x0), power1 = Power(x1);
    lanes::Store(a.ratio + k, lanes::Sqrt(power0 / power1));
    // The phase difference p0 - p1 + theta is the angle of X0 conj(X1)
    // turned by theta: one arctangent instead of two, already in (-pi, pi].
    const Complex<V> q =
        Rotated(CrossProduct(x0, x1), Get<V>(a.cosTheta + k), Get<V>(a.sinTheta + k));
    lanes::Store(a.phase + k, lanes::AngleOf(q.im, q.re));
    lanes::Store(a.magnitude + k, lanes::Sqrt(power0));
    // The same ratio as a vector, where averaging would go on from.
    lanes::Store(a.sumRe + k, q.re / power1);
    lanes::Store(a.sumIm + k, q.im / power1);
}

// A capture added to the sums: the magnitudes as numbers, the ratios
// X0 / X1, turned by theta, as vectors.
template <typename V>
void AccumulateBins(const BinArrays& a, int k) {
    const Complex<V> x0 = GetComplex<V>(a.X0, k), x1 = GetComplex<V>(a.X1, k);
    const V power1 = Power(x1);
    const Complex<V> cross = CrossProduct(x0, x1);
    const Complex<V> turned = Rotated(Complex<V>{cross.re / power1, cross.im / power1},
                                      Get<V>(a.cosTheta + k), Get<V>(a.sinTheta + k));
    const V re = Get<V>(a.sumRe + k) + turned.re;
    const V im = Get<V>(a.sumIm + k) + turned.im;
    lanes::Store(a.sumRe + k, re);
    lanes::Store(a.sumIm + k, im);
    lanes::Store(a.ratio + k, lanes::Sqrt(re * re + im * im));
    lanes::Store(a.phase + k, lanes::AngleOf(im, re));
    lanes::Store(a.magnitude + k, Get<V>(a.magnitude + k) + lanes::Sqrt(Power(x0)));
}

// A bin with no imaginary part (DC, and the Nyquist bin of an even
// window): ratio and magnitude are absolute values, the phase is 0.
void RealBin(const BinArrays& a, int k, bool accumulate) {
    const double ratio = std::fabs(a.X0[2 * k] / a.X1[2 * k]);
    const double magnitude = std::fabs(a.X0[2 * k]);
    a.ratio[k] = accumulate ? a.ratio[k] + ratio : ratio;
    a.magnitude[k] = accumulate ? a.magnitude[k] + magnitude : magnitude;
    a.phase[k] = 0;
}

}  // namespace

double atan2q(double y, double x) {
    return lanes::AngleOf(y, x);
}

double SampleMv(const CVelmoraDoc& doc, int channel, int i) {
    return doc.m_pTime[channel][i] / (kCountsPerMillivolt * doc.m_dWeight[channel]);
}

double AmplitudeMv(const CVelmoraDoc& doc, int k) {
    if (doc.m_nAverageCount == 0)
        return 0;
    return doc.m_pMagnitude[k] / doc.m_nAverageCount * 2 /
           (kCountsPerMillivolt * doc.m_dWeight[0] * doc.m_nWindowSamples);
}

double RatioValue(const CVelmoraDoc& doc, int k) {
    return doc.m_nAverageCount == 0 ? 0 : doc.m_pRatio[k] / doc.m_nAverageCount;
}

double PhaseDegrees(const CVelmoraDoc& doc, int k) {
    return doc.m_pPhase[k] * kDegreesPerRadian;
}

// cos and sin of the delay rotation theta(k) = k f, kept while N and f stay.
void CVelmoraDoc::prepareDelayRotation(int H, double f) {
    if (rotationReady_ && rotationStep_ == f)
        return;
    rotationStep_ = f;
    rotationReady_ = true;
    for (int k = 0; k <= H; ++k) {
        rotationCos_[k] = std::cos(k * f);
        rotationSin_[k] = std::sin(k * f);
    }
}

// The delay correction's angle per bin: -2 pi times a bin's width times the
// delay, turned over when channel 1 holds the left input.
double CVelmoraDoc::delayPhaseStep() const {
    const double f = m_nSamplingRate * m_dRDelay * (-2 * M_PI) / m_nWindowSamples;
    return (m_dwFlags & kFlagReversed) ? -f : f;
}

void CVelmoraDoc::AnalyseSpectra() {
    const int N = m_nWindowSamples;
    const int H = (N + 1) / 2;
    m_plan.execute(m_pTime[0], m_pSpectrum[0]);
    m_plan.execute(m_pTime[1], m_pSpectrum[1]);
    prepareDelayRotation(H, delayPhaseStep());

    const BinArrays bins{m_pSpectrum[0], m_pSpectrum[1], rotationCos_, rotationSin_, m_pMagnitude,
                         m_pRatio,       m_pPhase,       sumRe_,       sumIm_};
    const bool accumulate = m_dwFlags & kFlagAverage;
    m_nAverageCount = accumulate ? m_nAverageCount + 1 : 1;
    RealBin(bins, 0, accumulate);
    if (accumulate)
        lanes::ForEachBin(1, H, [&]<typename V>(int k) { AccumulateBins<V>(bins, k); });
    else
        lanes::ForEachBin(1, H, [&]<typename V>(int k) { ReplaceBins<V>(bins, k); });
    if (N % 2 == 0)
        RealBin(bins, N / 2, accumulate);
}

}  // namespace velmora
