#pragma once

#include <fftw3.h>

namespace velmora {

// The real forward transform of one window length, to FFTW's half-complex
// layout: element 0 the DC term, k and N - k the real and imaginary parts of
// bin k, N / 2 the Nyquist term for even N. Unnormalised.
class SpectrumPlan {
public:
    SpectrumPlan() = default;
    // Planned with the estimate strategy on in and out (64-byte aligned,
    // as every array it is later executed on).
    SpectrumPlan(int n, double* in, double* out);
    ~SpectrumPlan();
    SpectrumPlan(const SpectrumPlan&) = delete;
    SpectrumPlan& operator=(const SpectrumPlan&) = delete;
    SpectrumPlan& operator=(SpectrumPlan&& other) noexcept;

    explicit operator bool() const { return plan_ != nullptr; }
    void execute(double* in, double* out) const { fftw_execute_r2r(plan_, in, out); }

private:
    fftw_plan plan_ = nullptr;
};

}  // namespace velmora
