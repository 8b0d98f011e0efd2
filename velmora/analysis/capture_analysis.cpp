// The document's analysis of each capture: both transforms, the channel-0
// amplitude spectrum and the delay-corrected transfer function, replaced or
// summed.
#include <cmath>

#if defined(__SSE2__) && !defined(VELMORA_PORTABLE)
#define VELMORA_SSE2 1
#include <emmintrin.h>
#endif

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

#if defined(VELMORA_SSE2)
// The same arctangent and angle on two bins at once, operation for
// operation, so that both lanes give exactly the scalar result.
inline __m128d select(__m128d mask, __m128d a, __m128d b) {
    return _mm_or_pd(_mm_and_pd(mask, a), _mm_andnot_pd(mask, b));
}

inline __m128d arctan2(__m128d x) {
    const __m128d sign = _mm_set1_pd(-0.0);
    const __m128d one = _mm_set1_pd(1.0);
    const __m128d a = _mm_andnot_pd(sign, x);
    const __m128d big = _mm_cmpgt_pd(a, _mm_set1_pd(2.41421356237309504880));
    const __m128d middle = _mm_andnot_pd(big, _mm_cmpgt_pd(a, _mm_set1_pd(0.66)));
    const __m128d num = select(big, _mm_set1_pd(-1.0), select(middle, _mm_sub_pd(a, one), a));
    const __m128d den = select(big, a, select(middle, _mm_add_pd(a, one), one));
    const __m128d r = _mm_div_pd(num, den);
    const __m128d base =
        select(big, _mm_set1_pd(M_PI_2), select(middle, _mm_set1_pd(M_PI_4), _mm_setzero_pd()));
    const __m128d extra =
        select(big, _mm_set1_pd(6.123233995736765886130E-17),
               select(middle, _mm_set1_pd(0.5 * 6.123233995736765886130E-17), _mm_setzero_pd()));
    const __m128d z = _mm_mul_pd(r, r);
    auto step = [&](__m128d acc, double c) {
        return _mm_add_pd(_mm_mul_pd(acc, z), _mm_set1_pd(c));
    };
    __m128d p = _mm_set1_pd(-8.750608600031904122785E-1);
    p = step(p, -1.615753718733365076637E1);
    p = step(p, -7.500855792314704667340E1);
    p = step(p, -1.228866684490136173410E2);
    p = step(p, -6.485021904942025371773E1);
    __m128d q = _mm_add_pd(z, _mm_set1_pd(2.485846490142306297962E1));
    q = step(q, 1.650270098316988542046E2);
    q = step(q, 4.328810604912902668951E2);
    q = step(q, 4.853903996359136964868E2);
    q = step(q, 1.945506571482613964425E2);
    const __m128d inner = _mm_add_pd(_mm_mul_pd(r, _mm_div_pd(_mm_mul_pd(z, p), q)), r);
    const __m128d angle = _mm_add_pd(_mm_add_pd(base, inner), extra);
    return _mm_or_pd(_mm_andnot_pd(sign, angle), _mm_and_pd(sign, x));
}

// Bins k and k + 1 of a spectrum of complex numbers: their real parts
// together, and their imaginary parts.
struct BinPair {
    __m128d re, im;
};
inline BinPair loadBins(const double* X, int k) {
    const __m128d first = _mm_loadu_pd(X + 2 * k), second = _mm_loadu_pd(X + 2 * k + 2);
    return {_mm_unpacklo_pd(first, second), _mm_unpackhi_pd(first, second)};
}

inline __m128d angleOf2(__m128d y, __m128d x) {
    const __m128d angle = arctan2(_mm_div_pd(y, x));
    const __m128d turn =
        select(_mm_cmpgt_pd(angle, _mm_setzero_pd()), _mm_set1_pd(-M_PI), _mm_set1_pd(M_PI));
    return _mm_add_pd(angle, _mm_and_pd(_mm_cmplt_pd(x, _mm_setzero_pd()), turn));
}
#endif

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
    prepareDelayRotation(H, f);
    const double* cosTheta = rotationCos_;
    const double* sinTheta = rotationSin_;
    const bool even = N % 2 == 0;

    if (!(m_dwFlags & kFlagAverage)) {
        m_nAverageCount = 1;
        m_pRatio[0] = std::fabs(X0[0] / X1[0]);
        m_pPhase[0] = 0;
        m_pMagnitude[0] = std::fabs(X0[0]);
        int k = 1;
#if defined(VELMORA_SSE2)
        for (; k + 1 < H; k += 2) {  // two bins at a time
            const auto [re0, im0] = loadBins(X0, k);
            const auto [re1, im1] = loadBins(X1, k);
            const __m128d power0 = _mm_add_pd(_mm_mul_pd(re0, re0), _mm_mul_pd(im0, im0));
            const __m128d power1 = _mm_add_pd(_mm_mul_pd(re1, re1), _mm_mul_pd(im1, im1));
            _mm_storeu_pd(m_pRatio + k, _mm_sqrt_pd(_mm_div_pd(power0, power1)));
            const __m128d pRe = _mm_add_pd(_mm_mul_pd(re0, re1), _mm_mul_pd(im0, im1));
            const __m128d pIm = _mm_sub_pd(_mm_mul_pd(im0, re1), _mm_mul_pd(re0, im1));
            const __m128d c = _mm_loadu_pd(cosTheta + k), s = _mm_loadu_pd(sinTheta + k);
            const __m128d qRe = _mm_sub_pd(_mm_mul_pd(c, pRe), _mm_mul_pd(s, pIm));
            const __m128d qIm = _mm_add_pd(_mm_mul_pd(s, pRe), _mm_mul_pd(c, pIm));
            _mm_storeu_pd(m_pPhase + k, angleOf2(qIm, qRe));
            _mm_storeu_pd(m_pMagnitude + k, _mm_sqrt_pd(power0));
            _mm_storeu_pd(&sumRe_[k], _mm_div_pd(qRe, power1));
            _mm_storeu_pd(&sumIm_[k], _mm_div_pd(qIm, power1));
        }
#endif
        for (; k < H; ++k) {
            const double re0 = X0[2 * k], im0 = X0[2 * k + 1], re1 = X1[2 * k], im1 = X1[2 * k + 1];
            const double power0 = re0 * re0 + im0 * im0;
            const double power1 = re1 * re1 + im1 * im1;
            m_pRatio[k] = std::sqrt(power0 / power1);
            // The phase difference p0 - p1 + theta is the angle of
            // X0 conj(X1) turned by theta: one arctangent instead of two,
            // already in (-pi, pi].
            const double pRe = re0 * re1 + im0 * im1, pIm = im0 * re1 - re0 * im1;
            const double c = cosTheta[k], s = sinTheta[k];
            const double qRe = c * pRe - s * pIm, qIm = s * pRe + c * pIm;
            m_pPhase[k] = angleOf(qIm, qRe);
            m_pMagnitude[k] = std::sqrt(power0);
            // The same ratio as a vector, where averaging would go on from.
            sumRe_[k] = qRe / power1;
            sumIm_[k] = qIm / power1;
        }
        if (even) {
            m_pRatio[N / 2] = std::fabs(X0[N] / X1[N]);
            m_pPhase[N / 2] = 0;
            m_pMagnitude[N / 2] = std::fabs(X0[N]);
        }
        return;
    }

    ++m_nAverageCount;
    m_pRatio[0] += std::fabs(X0[0] / X1[0]);
    m_pPhase[0] = 0;
    m_pMagnitude[0] += std::fabs(X0[0]);
    int k = 1;
#if defined(VELMORA_SSE2)
    for (; k + 1 < H; k += 2) {
        const auto [re0, im0] = loadBins(X0, k);
        const auto [re1, im1] = loadBins(X1, k);
        const __m128d power1 = _mm_add_pd(_mm_mul_pd(re1, re1), _mm_mul_pd(im1, im1));
        const __m128d gRe =
            _mm_div_pd(_mm_add_pd(_mm_mul_pd(re0, re1), _mm_mul_pd(im0, im1)), power1);
        const __m128d gIm =
            _mm_div_pd(_mm_sub_pd(_mm_mul_pd(im0, re1), _mm_mul_pd(re0, im1)), power1);
        const __m128d c = _mm_loadu_pd(cosTheta + k), s = _mm_loadu_pd(sinTheta + k);
        const __m128d re = _mm_add_pd(_mm_loadu_pd(&sumRe_[k]),
                                      _mm_sub_pd(_mm_mul_pd(c, gRe), _mm_mul_pd(s, gIm)));
        const __m128d im = _mm_add_pd(_mm_loadu_pd(&sumIm_[k]),
                                      _mm_add_pd(_mm_mul_pd(s, gRe), _mm_mul_pd(c, gIm)));
        _mm_storeu_pd(&sumRe_[k], re);
        _mm_storeu_pd(&sumIm_[k], im);
        _mm_storeu_pd(m_pRatio + k,
                      _mm_sqrt_pd(_mm_add_pd(_mm_mul_pd(re, re), _mm_mul_pd(im, im))));
        _mm_storeu_pd(m_pPhase + k, angleOf2(im, re));
        const __m128d power0 = _mm_add_pd(_mm_mul_pd(re0, re0), _mm_mul_pd(im0, im0));
        _mm_storeu_pd(m_pMagnitude + k,
                      _mm_add_pd(_mm_loadu_pd(m_pMagnitude + k), _mm_sqrt_pd(power0)));
    }
#endif
    for (; k < H; ++k) {
        const double re0 = X0[2 * k], im0 = X0[2 * k + 1], re1 = X1[2 * k], im1 = X1[2 * k + 1];
        // The running sum is kept as a vector beside its polar form, so that
        // it need not be turned back from ratio and phase.
        const double sumRe = sumRe_[k];
        const double sumIm = sumIm_[k];
        const double power1 = re1 * re1 + im1 * im1;
        const double gRe = (re0 * re1 + im0 * im1) / power1;
        const double gIm = (im0 * re1 - re0 * im1) / power1;
        const double c = cosTheta[k], s = sinTheta[k];
        const double re = sumRe + (c * gRe - s * gIm);
        const double im = sumIm + (s * gRe + c * gIm);
        sumRe_[k] = re;
        sumIm_[k] = im;
        m_pRatio[k] = std::sqrt(re * re + im * im);
        m_pPhase[k] = angleOf(im, re);
        m_pMagnitude[k] += std::sqrt(re0 * re0 + im0 * im0);
    }
    if (even) {
        m_pRatio[N / 2] += std::fabs(X0[N] / X1[N]);
        m_pPhase[N / 2] = 0;
        m_pMagnitude[N / 2] += std::fabs(X0[N]);
    }
}

}  // namespace velmora
