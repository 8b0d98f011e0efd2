// The document's analysis of each capture: both transforms, the channel-0
// amplitude spectrum and the delay-corrected transfer function, replaced or
// summed.
#include <cmath>

#include "../capture/velmora_doc.h"
#include "analysis.h"

namespace velmora {

double atan2q(double y, double x) {
    double angle = std::atan(y / x);
    if (x < 0)
        angle += angle > 0 ? -M_PI : M_PI;
    return angle;
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
            m_pRatio[k] = std::sqrt((re0 * re0 + im0 * im0) / (re1 * re1 + im1 * im1));
            double d = atan2q(im0, re0) - atan2q(im1, re1) + k * f;
            if (d > M_PI)
                d -= 2 * M_PI;
            if (d <= -M_PI)
                d += 2 * M_PI;
            m_pPhase[k] = d;
            m_pMagnitude[k] = std::sqrt(re0 * re0 + im0 * im0);
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
        m_pPhase[k] = atan2q(im, re);
        m_pMagnitude[k] += std::sqrt(re0 * re0 + im0 * im0);
    }
    if (even) {
        m_pRatio[N / 2] += std::fabs(X0[N / 2] / X1[N / 2]);
        m_pPhase[N / 2] = 0;
        m_pMagnitude[N / 2] += std::fabs(X0[N / 2]);
    }
}

}  // namespace velmora
