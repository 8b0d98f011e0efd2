// The document's analysis of each capture: both transforms, the channel-0
// amplitude spectrum and the delay-corrected transfer function, replaced or
// summed.
#include <cmath>

#include "../capture/velmora_doc.h"
#include "analysis.h"

namespace velmora {

namespace {

// arctan by Cephes' rational approximation on three ranges: within an ulp of
// std::atan. Written without branches: the bins of a noisy spectrum fall in
// the ranges at random, and mispredicted branches would cost more than the
// arithmetic.
inline double arctan(double x) {
    constexpr double P[] = {-8.750608600031904122785E-1, -1.615753718733365076637E1,
                            -7.500855792314704667340E1, -1.228866684490136173410E2,
                            -6.485021904942025371773E1};
    constexpr double Q[] = {2.485846490142306297962E1, 1.650270098316988542046E2,
                            4.328810604912902668951E2, 4.853903996359136964868E2,
                            1.945506571482613964425E2};
    constexpr double kTan3PiOver8 = 2.41421356237309504880;
    constexpr double kMoreBits = 6.123233995736765886130E-17;
    const double a = std::fabs(x);
    const bool big = a > kTan3PiOver8;
    const bool middle = !big && a > 0.66;
    // One division for whichever range: -1 / a, (a - 1) / (a + 1) or a / 1.
    const double r = (big ? -1.0 : middle ? a - 1.0 : a) / (big ? a : middle ? a + 1.0 : 1.0);
    const double base = big ? M_PI_2 : middle ? M_PI_4 : 0.0;
    const double extra = big ? kMoreBits : middle ? 0.5 * kMoreBits : 0.0;
    const double z = r * r;
    const double p = (((P[0] * z + P[1]) * z + P[2]) * z + P[3]) * z + P[4];
    const double q = ((((z + Q[0]) * z + Q[1]) * z + Q[2]) * z + Q[3]) * z + Q[4];
    return std::copysign(base + (r * (z * p / q) + r) + extra, x);
}

inline double angleOf(double y, double x) {
    const double angle = arctan(y / x);
    return angle + (x < 0 ? (angle > 0 ? -M_PI : M_PI) : 0.0);
}

}  // namespace

double atan2q(double y, double x) {
    return angleOf(y, x);
}

double AmplitudeMv(const CVelmoraDoc& doc, int k) {
    if (doc.m_nAverageCount == 0)
        return 0;
    return doc.m_pMagnitude[k] / doc.m_nAverageCount * 2 /
           (32.767 * doc.m_dWeight[0] * doc.m_nWindowSamples);
}

double RatioValue(const CVelmoraDoc& doc, int k) {
    return doc.m_nAverageCount == 0 ? 0 : doc.m_pRatio[k] / doc.m_nAverageCount;
}

double PhaseDegrees(const CVelmoraDoc& doc, int k) {
    return doc.m_pPhase[k] * 57.29577951308232;
}

void CVelmoraDoc::AnalyseSpectra() {
    const int N = m_nWindowSamples;
    const int H = (N + 1) / 2;
    double* X0 = m_pSpectrum[0];
    double* X1 = m_pSpectrum[1];
    m_plan.execute(m_pTime[0], X0);
    m_plan.execute(m_pTime[1], X1);

    double f = m_nSamplingRate * m_dRDelay * (-2 * M_PI) / N;
    if (m_dwFlags & kFlagReversed)
        f = -f;
    const bool even = N % 2 == 0;

    if (!(m_dwFlags & kFlagAverage)) {
        m_nAverageCount = 1;
        m_pRatio[0] = std::fabs(X0[0] / X1[0]);
        m_pPhase[0] = 0;
        m_pMagnitude[0] = std::fabs(X0[0]);
        for (int k = 1; k < H; ++k) {
            const double re0 = X0[k], im0 = X0[N - k], re1 = X1[k], im1 = X1[N - k];
            const double power0 = re0 * re0 + im0 * im0;
            m_pRatio[k] = std::sqrt(power0 / (re1 * re1 + im1 * im1));
            double d = angleOf(im0, re0) - angleOf(im1, re1) + k * f;
            d -= d > M_PI ? 2 * M_PI : 0.0;
            d += d <= -M_PI ? 2 * M_PI : 0.0;
            m_pPhase[k] = d;
            m_pMagnitude[k] = std::sqrt(power0);
        }
        if (even) {
            m_pRatio[N / 2] = std::fabs(X0[N / 2] / X1[N / 2]);
            m_pPhase[N / 2] = 0;
            m_pMagnitude[N / 2] = std::fabs(X0[N / 2]);
        }
        return;
    }

    ++m_nAverageCount;
    m_pRatio[0] += std::fabs(X0[0] / X1[0]);
    m_pPhase[0] = 0;
    m_pMagnitude[0] += std::fabs(X0[0]);
    for (int k = 1; k < H; ++k) {
        const double re0 = X0[k], im0 = X0[N - k], re1 = X1[k], im1 = X1[N - k];
        const double sumRe = m_pRatio[k] * std::cos(m_pPhase[k]);
        const double sumIm = m_pRatio[k] * std::sin(m_pPhase[k]);
        const double power1 = re1 * re1 + im1 * im1;
        const double gRe = (re0 * re1 + im0 * im1) / power1;
        const double gIm = (im0 * re1 - re0 * im1) / power1;
        const double theta = k * f;
        const double c = std::cos(theta), s = std::sin(theta);
        const double re = sumRe + (c * gRe - s * gIm);
        const double im = sumIm + (s * gRe + c * gIm);
        m_pRatio[k] = std::sqrt(re * re + im * im);
        m_pPhase[k] = angleOf(im, re);
        m_pMagnitude[k] += std::sqrt(re0 * re0 + im0 * im0);
    }
    if (even) {
        m_pRatio[N / 2] += std::fabs(X0[N / 2] / X1[N / 2]);
        m_pPhase[N / 2] = 0;
        m_pMagnitude[N / 2] += std::fabs(X0[N / 2]);
    }
}

}  // namespace velmora
