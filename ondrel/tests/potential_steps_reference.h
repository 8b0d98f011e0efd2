#pragma once

// The current of a reversible couple Red - e <=> Ox at a planar electrode
// under a potential that moves in steps and holds between them, by the
// superposition of Cottrell's currents: with equal diffusion coefficients
// and Nernst's law at the surface, each step sets the share of Ox at the
// surface, P = 1 / (1 + exp(-F(E - E°)/RT)), and adds
// F·A·C·√(D/π)·ΔP/√(t - t_step) to the current from then on (Bard and
// Faulkner, Electrochemical Methods, 2nd ed., sections 5.2 and 5.4). No grid
// in space or time: an independent solution for the implicit solver's.

#include <cmath>
#include <numbers>
#include <vector>

namespace ondrel::testing {

struct PotentialStep {
    double time;       // s, when the potential moves to E
    double potential;  // V
};

class PotentialStepsReference {
public:
    // Red only in the solution (C mol/cm³), D cm²/s, area cm², the
    // couple's E° (V), at F/RT per volt; the solution at rest before the
    // first step.
    PotentialStepsReference(double E0, double fOverRT, double faraday, double area, double C,
                            double D)
        : E0_(E0), f_(fOverRT), scale_(faraday * area * C * std::sqrt(D / std::numbers::pi)) {}

    void add(double time, double potential) { steps_.push_back({time, potential}); }

    // The oxidation current (A, positive) at time t after the last step
    // before it.
    double current(double t) const {
        double sum = 0, last = 0;
        for (const PotentialStep& step : steps_) {
            if (step.time >= t)
                break;
            const double share = 1 / (1 + std::exp(-f_ * (step.potential - E0_)));
            sum += (share - last) / std::sqrt(t - step.time);
            last = share;
        }
        return scale_ * sum;
    }

private:
    double E0_, f_, scale_;
    std::vector<PotentialStep> steps_;
};

}  // namespace ondrel::testing
