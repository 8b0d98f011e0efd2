#pragma once

#include <fftw3.h>

namespace velmora {

// The real forward transform of one window length: bins 0 to N / 2 as
// complex numbers, real and imaginary parts side by side (2 k and 2 k + 1),
// so the output holds N + 2 numbers. Unnormalised. (FFTW's real-to-complex
// transform, which is more than twice as fast as its half-complex one on
// long windows of mixed radix.)
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
    void execute(double* in, double* out) const {
        fftw_execute_dft_r2c(plan_, in, reinterpret_cast<fftw_complex*>(out));
    }

private:
    fftw_plan plan_ = nullptr;
};

}  // namespace velmora
