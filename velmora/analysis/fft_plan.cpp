#include "fft_plan.h"

#include <utility>

namespace velmora {

SpectrumPlan::SpectrumPlan(int n, double* in, double* out)
    : plan_(fftw_plan_dft_r2c_1d(n, in, reinterpret_cast<fftw_complex*>(out), FFTW_ESTIMATE)) {}

SpectrumPlan::~SpectrumPlan() {
    if (plan_)
        fftw_destroy_plan(plan_);
}

SpectrumPlan& SpectrumPlan::operator=(SpectrumPlan&& other) noexcept {
    std::swap(plan_, other.plan_);
    return *this;
}

}  // namespace velmora
