#include "sample_extremes.h"

#if defined(__SSE2__) && !defined(VELMORA_PORTABLE)
#define VELMORA_SSE2 1
#include <emmintrin.h>
#endif

#include <algorithm>
#include <limits>

namespace velmora {

SampleExtremes PortableExtremesOf(const double* samples, int count) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    SampleExtremes e{inf, -inf, false};
    for (int i = 0; i < count; ++i) {
        const double v = samples[i];
        e.least = v < e.least ? v : e.least;
        e.most = v > e.most ? v : e.most;
        e.notANumber |= v != v;
    }
    return e;
}

SampleExtremes ExtremesOf(const double* samples, int count) {
#if !defined(VELMORA_SSE2)
    return PortableExtremesOf(samples, count);
#else
    // minpd and maxpd keep the accumulator when a sample is not a number,
    // as v < least ? v : least does. Four accumulators of each, so that no
    // comparison waits for the one before.
    constexpr double inf = std::numeric_limits<double>::infinity();
    __m128d least[4], most[4];
    for (int k = 0; k < 4; ++k) {
        least[k] = _mm_set1_pd(inf);
        most[k] = _mm_set1_pd(-inf);
    }
    __m128d unordered = _mm_setzero_pd();
    int i = 0;
    for (; i + 8 <= count; i += 8) {
        for (int k = 0; k < 4; ++k) {
            const __m128d v = _mm_loadu_pd(samples + i + 2 * k);
            least[k] = _mm_min_pd(v, least[k]);
            most[k] = _mm_max_pd(v, most[k]);
            unordered = _mm_or_pd(unordered, _mm_cmpunord_pd(v, v));
        }
    }
    double lanes[2];
    SampleExtremes e{inf, -inf, _mm_movemask_pd(unordered) != 0};
    for (int k = 0; k < 4; ++k) {
        _mm_storeu_pd(lanes, least[k]);
        e.least = std::min({e.least, lanes[0], lanes[1]});
        _mm_storeu_pd(lanes, most[k]);
        e.most = std::max({e.most, lanes[0], lanes[1]});
    }
    const SampleExtremes rest = PortableExtremesOf(samples + i, count - i);
    e.least = rest.least < e.least ? rest.least : e.least;
    e.most = rest.most > e.most ? rest.most : e.most;
    e.notANumber |= rest.notANumber;
    return e;
#endif
}

}  // namespace velmora
