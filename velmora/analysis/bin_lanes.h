#pragma once

// The arithmetic of the per-bin formulas on one bin (double) or on two bins
// at once (Lanes2, SSE2 on x86), so that each formula is written once and
// both widths give exactly the same results, operation for operation.
#include <cmath>

#if defined(__SSE2__) && !defined(VELMORA_PORTABLE)
#define VELMORA_SSE2 1
#include <emmintrin.h>
#endif

namespace velmora::lanes {

// A complex bin, or two, of a spectrum stored as (re, im) pairs.
template <typename V>
struct Complex {
    V re, im;
};

// One bin: plain doubles; masks are bools. The second argument of the
// loading functions only names the lane type.
inline double Load(const double* p, double) {
    return *p;
}
inline double Broadcast(double v, double) {
    return v;
}
inline Complex<double> LoadComplex(const double* spectrum, int k, double) {
    return {spectrum[2 * k], spectrum[2 * k + 1]};
}
inline void Store(double* p, double v) {
    *p = v;
}
inline double Select(bool mask, double a, double b) {
    return mask ? a : b;
}
inline bool AndNot(bool a, bool b) {
    return !a && b;
}
inline double Sqrt(double v) {
    return std::sqrt(v);
}
inline double Abs(double v) {
    return std::fabs(v);
}
inline double CopySign(double magnitude, double sign) {
    return std::copysign(magnitude, sign);
}

template <typename V>
constexpr int kWidth = 1;

#if defined(VELMORA_SSE2)
// Two bins side by side.
struct Lanes2 {
    __m128d v;
};
struct Mask2 {
    __m128d m;
};
template <>
constexpr int kWidth<Lanes2> = 2;

inline Lanes2 operator+(Lanes2 a, Lanes2 b) {
    return {_mm_add_pd(a.v, b.v)};
}
inline Lanes2 operator-(Lanes2 a, Lanes2 b) {
    return {_mm_sub_pd(a.v, b.v)};
}
inline Lanes2 operator*(Lanes2 a, Lanes2 b) {
    return {_mm_mul_pd(a.v, b.v)};
}
inline Lanes2 operator/(Lanes2 a, Lanes2 b) {
    return {_mm_div_pd(a.v, b.v)};
}
inline Mask2 operator>(Lanes2 a, Lanes2 b) {
    return {_mm_cmpgt_pd(a.v, b.v)};
}
inline Mask2 operator<(Lanes2 a, Lanes2 b) {
    return {_mm_cmplt_pd(a.v, b.v)};
}
inline Lanes2 Load(const double* p, Lanes2) {
    return {_mm_loadu_pd(p)};
}
inline Lanes2 Broadcast(double v, Lanes2) {
    return {_mm_set1_pd(v)};
}
// Bins k and k + 1: their real parts together, and their imaginary parts.
inline Complex<Lanes2> LoadComplex(const double* spectrum, int k, Lanes2) {
    const __m128d first = _mm_loadu_pd(spectrum + 2 * k);
    const __m128d second = _mm_loadu_pd(spectrum + 2 * k + 2);
    return {{_mm_unpacklo_pd(first, second)}, {_mm_unpackhi_pd(first, second)}};
}
inline void Store(double* p, Lanes2 v) {
    _mm_storeu_pd(p, v.v);
}
inline Lanes2 Select(Mask2 mask, Lanes2 a, Lanes2 b) {
    return {_mm_or_pd(_mm_and_pd(mask.m, a.v), _mm_andnot_pd(mask.m, b.v))};
}
inline Mask2 AndNot(Mask2 a, Mask2 b) {
    return {_mm_andnot_pd(a.m, b.m)};
}
inline Lanes2 Sqrt(Lanes2 v) {
    return {_mm_sqrt_pd(v.v)};
}
inline Lanes2 Abs(Lanes2 v) {
    return {_mm_andnot_pd(_mm_set1_pd(-0.0), v.v)};
}
inline Lanes2 CopySign(Lanes2 magnitude, Lanes2 sign) {
    const __m128d bit = _mm_set1_pd(-0.0);
    return {_mm_or_pd(_mm_andnot_pd(bit, magnitude.v), _mm_and_pd(bit, sign.v))};
}
#endif

template <typename V>
inline V Get(const double* p) {
    return Load(p, V{});
}
template <typename V>
inline V Constant(double c) {
    return Broadcast(c, V{});
}
template <typename V>
inline Complex<V> GetComplex(const double* spectrum, int k) {
    return LoadComplex(spectrum, k, V{});
}

// Runs step<V>(k) over bins first..end - 1: two at a time where the vector
// lanes exist, the rest one by one.
template <typename Step>
inline void ForEachBin(int first, int end, Step&& step) {
    int k = first;
#if defined(VELMORA_SSE2)
    for (; k + 1 < end; k += 2)
        step.template operator()<Lanes2>(k);
#endif
    for (; k < end; ++k)
        step.template operator()<double>(k);
}

// arctan by Cephes' rational approximation on three ranges: within an ulp
// of std::atan. Written without branches: the bins of a noisy spectrum fall
// in the ranges at random, and mispredicted branches would cost more than
// the arithmetic.
template <typename V>
inline V Arctan(V x) {
    constexpr double kTan3PiOver8 = 2.41421356237309504880;
    constexpr double kMoreBits = 6.123233995736765886130E-17;
    const V a = Abs(x);
    const auto big = a > Constant<V>(kTan3PiOver8);
    const auto middle = AndNot(big, a > Constant<V>(0.66));
    // One division for whichever range: -1 / a, (a - 1) / (a + 1) or a / 1.
    const V one = Constant<V>(1.0), zero = Constant<V>(0.0);
    const V r = Select(big, Constant<V>(-1.0), Select(middle, a - one, a)) /
                Select(big, a, Select(middle, a + one, one));
    const V base = Select(big, Constant<V>(M_PI_2), Select(middle, Constant<V>(M_PI_4), zero));
    const V extra =
        Select(big, Constant<V>(kMoreBits), Select(middle, Constant<V>(0.5 * kMoreBits), zero));
    const V z = r * r;
    const auto step = [&z](V acc, double c) { return acc * z + Constant<V>(c); };
    V p = Constant<V>(-8.750608600031904122785E-1);
    p = step(p, -1.615753718733365076637E1);
    p = step(p, -7.500855792314704667340E1);
    p = step(p, -1.228866684490136173410E2);
    p = step(p, -6.485021904942025371773E1);
    V q = z + Constant<V>(2.485846490142306297962E1);
    q = step(q, 1.650270098316988542046E2);
    q = step(q, 4.328810604912902668951E2);
    q = step(q, 4.853903996359136964868E2);
    q = step(q, 1.945506571482613964425E2);
    return CopySign(base + (r * (z * p / q) + r) + extra, x);
}

// The angle of (x, y) in (-pi, pi], from arctan(y / x) and the sign of x.
template <typename V>
inline V AngleOf(V y, V x) {
    const V angle = Arctan(y / x);
    const V zero = Constant<V>(0.0);
    const V turn = Select(angle > zero, Constant<V>(-M_PI), Constant<V>(M_PI));
    return angle + Select(x < zero, turn, zero);
}

}  // namespace velmora::lanes
