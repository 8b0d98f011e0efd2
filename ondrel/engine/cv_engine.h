#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "../model/model.h"
#include "cv_point.h"
#include "cv_simulation.h"
#include "engine_display.h"

namespace ondrel {

// One simulated cyclic voltammogram: an explicit finite-difference solution
// of diffusion on an expanding grid in front of a planar electrode, with
// electron transfer at the electrode and homogeneous reactions in every box.
// It stores one point per millivolt swept into the caller's list.
//
// Stop, ToggleHold and the freeze flag may be used from another thread than
// the one that runs.
class TCVEngine final : public CVSimulation {
public:
    // A couple or reaction that names no species of the list throws
    // EngineErrorException; a model that cannot be simulated (ModelProblem,
    // with what only the implicit solver runs) throws Exception with the
    // reason.
    TCVEngine(const TModel& model, std::vector<CVpoint>& points, const std::atomic<bool>& freeze,
              EngineDisplay& display);

    // The whole experiment. Throws EngineStopException when stopped,
    // EngineErrorException when the solution stops being finite, and
    // Exception for a model without couples or an unsupported method.
    void Run() override;

    std::int64_t nSteps() const { return nSteps_; }
    std::int64_t nPoints() const { return nPoints_; }
    std::int64_t stepsPerPoint() const { return stepsPerPoint_; }
    int nBoxes() const { return nBoxes_; }
    double dt() const { return dt_; }
    double dx() const { return dx_; }
    double dxOverDt() const { return dxOverDt_; }
    // The D that the grid is sized for: 1, or the largest D of the species
    // in couples and reactions when that is larger.
    double gridD() const { return gridD_; }
    RunFigures figures() const override;
    ConcentrationProfiles Profiles() const override;

    // Relative concentration of species s (1-based) in box b (1-based).
    double concentration(int s, int b) const { return profile_[index(s, b)]; }

    static constexpr std::int64_t kMaxSteps = 2'000'000'000;

private:
    struct Couple {
        int ox, red;  // species indices, 0-based
        double E0, alpha, kDimless;
    };
    struct Reaction {
        int r1, r2, p1, p2;  // 0-based species indices, -1 for an empty slot
        double kfStep, kbStep;
    };

    std::size_t index(int s, int b) const {
        return static_cast<std::size_t>(s - 1) * nBoxes_ + (b - 1);
    }
    double* profileOf(int s0) { return profile_.data() + static_cast<std::size_t>(s0) * nBoxes_; }

    // Construction, in order: the steps (from the fastest reaction and the
    // slowest species), the time step and the grid, the couples' and
    // reactions' rates per step, the species' profiles and diffusion
    // coefficients, the stoichiometry.
    void countSteps(const TModel& model);
    void layGrid();
    void scaleRates(const TModel& model);
    void fillSpecies(const std::vector<bool>& used);
    void buildStoichiometry();

    // The couples' fluxes at potential E (V) and the current (A).
    double electrodeStep(double E);
    // Sorts the couples into the units the electrode step solves: a couple
    // that shares no species, two successive couples A/B, B/C sharing only
    // B, or any other set of couples linked by shared species.
    void planElectrode();
    // The rates of a set of linked couples, solved together: each couple's
    // rate at the surface concentrations that all of the set's fluxes leave;
    // returns their sum.
    double jointFluxes(const std::vector<int>& couples, double E);
    void diffusionStep();
    void chemistryStep();

    int nRedox_, nChem_;
    std::int64_t nPoints_ = 0, nSteps_ = 0, stepsPerPoint_ = 0;
    double dt_ = 0, dx_ = 0, dxOverDt_ = 0, chemThreshold_ = 0, gridD_ = 1;
    int nBoxes_ = 0;

    std::vector<Couple> couples_;
    // The electrode step's units, in the order of their first couple.
    struct ElectrodeUnit {
        enum Kind { Single, Pair, Joint } kind;
        std::vector<int> couples;  // ascending
    };
    std::vector<ElectrodeUnit> units_;
    std::vector<double> jointMatrix_, jointRates_;  // scratch of jointFluxes
    std::vector<Reaction> reactions_;
    std::vector<double> D_;        // per species
    std::vector<double> profile_;  // species-major, nBoxes per species
    std::vector<double> flux_;     // per species
    // Per species and box: the diffusion coefficients toward the inner and
    // the outer neighbour (box 1 has only the outer one).
    std::vector<double> inner_, outer_;
    // Stoichiometry by species: the reactions that change species s are
    // terms_[first..last) of its entry in reacting_.
    struct Term {
        int r;
        double nu;
    };
    struct Reacting {
        int s;
        std::size_t first, last;
    };
    std::vector<Term> terms_;
    std::vector<Reacting> reacting_;
    // Chemistry scratch: box start values, rates of iteration 1, latest rates.
    std::vector<double> start_, rate0_, rate_;
};

}  // namespace ondrel
