#pragma once

// Recordings made by simulation, for the fit's tests and its benchmark: the
// data come from a grid four times finer than the fit's, with Gaussian noise
// of a given share of the peak current.

#include <algorithm>
#include <atomic>
#include <cmath>
#include <random>
#include <string>

#include "fit/curve_fit.h"
#include "fit/sweep_simulation.h"
#include "model/model.h"

namespace ondrel {

// Red - e <=> Ox with only Red in solution (1 mM), D 1e-5 cm²/s, a
// 0.0707 cm² electrode, swept from -0.4 V to 0.4 V and back: 1601 points.
inline TModel FitCoupleModel(double E0, double k0, double alpha, double v = 0.1) {
    TModel model;
    model.temperature = 298.15;
    model.area = 0.0707;
    model.diffusionScale = 1e-5;
    model.concScale = 1e-6;
    model.species.append({"Ox", 1, 0});
    model.species.append({"Red", 1, 1});
    model.couples.append({1, 2, E0, k0, alpha});
    model.pilot.Einitial = -0.4;
    model.pilot.Eswitch1 = 0.4;
    model.pilot.Eswitch2 = -0.4;
    model.pilot.Efinal = -0.4;
    model.pilot.scanRate = v;
    model.pilot.halfCycles = 2;
    model.solver = Solver::Implicit;
    return model;
}

// The couple followed by Ox -> P (kf, 1/s): an EC mechanism.
inline TModel FitEcModel(double k0, double kf, double v) {
    TModel model = FitCoupleModel(0, k0, 0.5, v);
    model.species.append({"P", 1, 0});
    model.reactions.append({1, 0, 3, 0, kf, 0});
    return model;
}

// The couple of FitCoupleModel in a cell with an uncompensated resistance
// of 100 ohm and a double-layer capacitance of 20 µF/cm², both acting.
inline TModel FitCellModel() {
    TModel model = FitCoupleModel(0, 0.01, 0.5);
    model.pilot.resistance = 100;
    model.pilot.irComp = 1;
    model.pilot.capacitance = 20;
    model.pilot.icComp = 1;
    return model;
}

// The model's voltammogram at every millivolt of its sweeps (from 1 mV past
// the start on), simulated with stepsPerMv steps per millivolt, with noise of
// noiseShare times the largest current (seeded).
inline MeasuredCurve SimulatedRecording(const TModel& model, double noiseShare, unsigned seed,
                                        int stepsPerMv = 16) {
    const std::atomic<bool> stop{false};
    const std::vector<SweepSamples> sweeps = SimulateSweeps(model, stepsPerMv, stop);
    MeasuredCurve recording;
    recording.name = "v" + std::to_string(model.pilot.scanRate) + "-seed" + std::to_string(seed);
    recording.program = model.pilot;
    double largest = 0;
    for (const SweepSamples& sweep : sweeps) {
        for (std::size_t i = stepsPerMv - 1; i < sweep.potential.size(); i += stepsPerMv) {
            recording.curve.push_back({sweep.potential[i], sweep.current[i]});
            largest = std::max(largest, std::fabs(sweep.current[i]));
        }
    }
    std::mt19937 generator(seed);
    std::normal_distribution<double> noise(0, noiseShare * largest);
    if (noiseShare > 0)
        for (CurvePoint& p : recording.curve)
            p.current += noise(generator);
    return recording;
}

// The parameter of that name from the model's list, varied from a start
// value.
inline FitParameter Varied(const TModel& model, const std::string& name, double start) {
    std::vector<FitParameter> all = FitParameters(model);
    FitParameter p = *FindParameter(all, name);
    p.value = start;
    p.vary = true;
    return p;
}

// E°, k°, Ru and Cdl fitted to a recording of FitCellModel (1 % noise,
// seeded), started 20 mV, a factor of three, 50 ohm and 5 µF/cm² off, from
// a model whose cell is switched off.
inline FitResult FitCellParameters(unsigned seed) {
    const MeasuredCurve recording = SimulatedRecording(FitCellModel(), 0.01, seed);
    TModel start = FitCellModel();
    start.pilot.irComp = start.pilot.icComp = 0;
    return CurveFit(start, {recording},
                    {Varied(start, "E0(1)", 0.02), Varied(start, "k0(1)", 0.03),
                     Varied(start, "Ru", 50), Varied(start, "Cdl", 5)})
        .Run();
}

}  // namespace ondrel
