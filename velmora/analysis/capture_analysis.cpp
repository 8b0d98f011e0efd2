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
    // H1: the summed cross-spectrum X0 conj(X1), both auto-spectra, and the
    // coherence.
    double* crossRe = nullptr;
    double* crossIm = nullptr;
    double* autoPower0 = nullptr;
    double* autoPower1 = nullptr;
    double* coherence = nullptr;
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

// H1: the cross-spectrum X0 conj(X1) and both auto-spectra, replaced or
// summed; the estimate is the summed cross-spectrum over the reference's
// (channel 1) auto-spectrum, turned by theta, and the coherence
// |Gxy|^2 / (Gxx Gyy) says how much of the output the input explains.
// ratio holds what the display divides by the count n: n |H1|.
template <bool accumulate, typename V>
void H1Bins(const BinArrays& a, int k, double count) {
    const Complex<V> x0 = GetComplex<V>(a.X0, k), x1 = GetComplex<V>(a.X1, k);
    Complex<V> cross = CrossProduct(x0, x1);
    V power0 = Power(x0), power1 = Power(x1);
    V magnitude = lanes::Sqrt(power0);
    if constexpr (accumulate) {
        cross = {Get<V>(a.crossRe + k) + cross.re, Get<V>(a.crossIm + k) + cross.im};
        power0 = Get<V>(a.autoPower0 + k) + power0;
        power1 = Get<V>(a.autoPower1 + k) + power1;
        magnitude = Get<V>(a.magnitude + k) + magnitude;
    }
    lanes::Store(a.crossRe + k, cross.re);
    lanes::Store(a.crossIm + k, cross.im);
    lanes::Store(a.autoPower0 + k, power0);
    lanes::Store(a.autoPower1 + k, power1);
    lanes::Store(a.magnitude + k, magnitude);
    const V crossPower = Power(cross);
    lanes::Store(a.ratio + k, lanes::Constant<V>(count) * lanes::Sqrt(crossPower) / power1);
    const Complex<V> turned = Rotated(cross, Get<V>(a.cosTheta + k), Get<V>(a.sinTheta + k));
    lanes::Store(a.phase + k, lanes::AngleOf(turned.im, turned.re));
    // Bins where either channel is silent are not related at all.
    const V both = power0 * power1;
    const V zero = lanes::Constant<V>(0.0);
    lanes::Store(a.coherence + k, lanes::Select(both > zero, crossPower / both, zero));
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

double SpectrumValue(const CVelmoraDoc& doc, double sum) {
    const double n = doc.m_nAverageCount;
    if (n == 0)
        return 0;
    const int N = doc.m_nWindowSamples;
    switch (doc.m_nAmplitudeScale) {
        case AmplitudeScale::DbV:
            return Decibels(sum / n * 2 / (kCountsPerMillivolt * doc.m_dWeight[0] * N) / 1000);
        case AmplitudeScale::DbFullScale:
            return Decibels(sum / n * 2 / N / kFullScaleCounts);
        case AmplitudeScale::Millivolts:
            break;
    }
    return sum / n;
}

double RatioShown(const CVelmoraDoc& doc, double sum) {
    const double n = doc.m_nAverageCount;
    if (n == 0)
        return 0;
    return doc.m_bRatioInDb ? Decibels(sum / n) : sum / n;
}

double ShownAmplitude(const CVelmoraDoc& doc, int k) {
    return doc.m_nAmplitudeScale == AmplitudeScale::Millivolts
               ? AmplitudeMv(doc, k)
               : SpectrumValue(doc, doc.m_pMagnitude[k]);
}

double ShownRatio(const CVelmoraDoc& doc, int k) {
    return doc.m_bRatioInDb ? RatioShown(doc, doc.m_pRatio[k]) : RatioValue(doc, k);
}

double ShownLevel(const CVelmoraDoc& doc, double amplitudeMv) {
    switch (doc.m_nAmplitudeScale) {
        case AmplitudeScale::DbV:
            return Decibels(amplitudeMv / 1000);
        case AmplitudeScale::DbFullScale:
            return Decibels(amplitudeMv * kCountsPerMillivolt * doc.m_dWeight[0] /
                            kFullScaleCounts);
        case AmplitudeScale::Millivolts:
            break;
    }
    return amplitudeMv;
}

double CoherenceValue(const CVelmoraDoc& doc, int k) {
    return doc.m_pCoherence ? doc.m_pCoherence[k] : 0;
}

bool ShownInDecibels(const CVelmoraDoc& doc) {
    return (doc.m_dwFlags & kFlagDual) ? doc.m_bRatioInDb
                                       : doc.m_nAmplitudeScale != AmplitudeScale::Millivolts;
}

DecibelSpan DefaultDecibelSpan(const CVelmoraDoc& doc) {
    return (doc.m_dwFlags & kFlagDual) ? DecibelSpan{-40, 10} : DecibelSpan{-150, 0};
}

const char* AmplitudeUnit(const CVelmoraDoc& doc) {
    switch (doc.m_nAmplitudeScale) {
        case AmplitudeScale::DbV:
            return "dBV";
        case AmplitudeScale::DbFullScale:
            return "dBFS";
        case AmplitudeScale::Millivolts:
            break;
    }
    return "mV";
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

// The window's coefficients, made again when the window or N changed.
void CVelmoraDoc::prepareWindow() {
    if (windowReady_)
        return;
    FillWindow(m_nWindowFunction, m_nWindowSamples, window_);
    enbw_ = EquivalentNoiseBandwidth(m_nWindowFunction, m_nWindowSamples);
    windowReady_ = true;
}

// Both channels into their spectra; through the window when one is chosen.
void CVelmoraDoc::transformChannels() {
    if (m_nWindowFunction == WindowFunction::Rectangular) {
        m_plan.execute(m_pTime[0], m_pSpectrum[0]);
        m_plan.execute(m_pTime[1], m_pSpectrum[1]);
        return;
    }
    prepareWindow();
    for (int c = 0; c < 2; ++c) {
        const double* samples = m_pTime[c];
        for (int i = 0; i < m_nWindowSamples; ++i)
            windowed_[i] = samples[i] * window_[i];
        m_plan.execute(windowed_, m_pSpectrum[c]);
    }
}

void CVelmoraDoc::AnalyseSpectra() {
    const int N = m_nWindowSamples;
    const int H = (N + 1) / 2;
    transformChannels();
    prepareDelayRotation(H, delayPhaseStep());
    ++analyses_;

    const BinArrays bins{m_pSpectrum[0], m_pSpectrum[1], rotationCos_, rotationSin_, m_pMagnitude,
                         m_pRatio,       m_pPhase,       sumRe_,       sumIm_,       crossRe_,
                         crossIm_,       autoPower0_,    autoPower1_,  m_pCoherence};
    const bool accumulate = m_dwFlags & kFlagAverage;
    m_nAverageCount = accumulate ? m_nAverageCount + 1 : 1;
    if (m_nTransferEstimate == TransferEstimate::H1) {
        // DC and Nyquist are bins like the others here, with no imaginary
        // part; their phase is 0 as ever.
        const double n = m_nAverageCount;
        const auto pass = [&]<bool sum>() {
            const auto h1 = [&]<typename V>(int k) { H1Bins<sum, V>(bins, k, n); };
            lanes::ForEachBin(0, H, h1);
            if (N % 2 == 0)
                h1.template operator()<double>(N / 2);
        };
        if (accumulate)
            pass.template operator()<true>();
        else
            pass.template operator()<false>();
        m_pPhase[0] = 0;
        if (N % 2 == 0)
            m_pPhase[N / 2] = 0;
        return;
    }
    RealBin(bins, 0, accumulate);
    if (accumulate)
        lanes::ForEachBin(1, H, [&]<typename V>(int k) { AccumulateBins<V>(bins, k); });
    else
        lanes::ForEachBin(1, H, [&]<typename V>(int k) { ReplaceBins<V>(bins, k); });
    if (N % 2 == 0)
        RealBin(bins, N / 2, accumulate);
}

}  // namespace velmora
