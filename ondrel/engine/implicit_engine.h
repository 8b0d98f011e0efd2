#pragma once

#include <atomic>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "../model/model.h"
#include "cv_point.h"
#include "cv_simulation.h"
#include "engine_display.h"
#include "node_line_system.h"

namespace ondrel {

// A cyclic voltammogram for fast (stiff) chemistry: a fully implicit
// finite-difference solution (second-order backward differences in time) on
// a grid that expands from the electrode, whose first interval resolves the
// reaction layer √(D/k) of the fastest reaction. Electron transfer follows
// Butler–Volmer at the electrode; first- and second-order reactions act in
// every node, solved by Newton's method. Its time step follows the sweep,
// not the rate constants, so a reaction of 10¹¹ s⁻¹ costs no more than one
// of 10³ s⁻¹.
//
// Stop, ToggleHold and the freeze flag may be used from another thread than
// the one that runs.
class TImplicitEngine final : public CVSimulation {
public:
    // Refuses what the classic engine refuses, with the same messages, and a
    // model whose grid cannot be laid (see layGrid).
    // The program runs in kStepsPerMv steps a millivolt, solved a stored
    // point at a time in as few time steps as keep the curve (see
    // advancePath), and only the steps that store a point are reported.
    // stepsPerMv > 0 solves and reports each of that many steps a millivolt
    // instead (a fixed time step, for checking convergence).
    TImplicitEngine(const TModel& model, std::vector<CVpoint>& points,
                    const std::atomic<bool>& freeze, EngineDisplay& display, int stepsPerMv = 0);

    void Run() override;
    RunFigures figures() const override;
    std::optional<double> ElectrodePotential() const override {
        return resistance_ > 0 ? std::optional<double>(electrodeE_) : std::nullopt;
    }
    ConcentrationProfiles Profiles() const override;

    int nNodes() const { return static_cast<int>(x_.size()); }
    // The potential of the electrode itself at the last step (V): the
    // applied one less the ohmic drop i·Ru.
    double electrodePotential() const { return electrodeE_; }
    // Whether an uncompensated resistance or a double-layer capacitance acts.
    bool cellActs() const { return resistance_ > 0 || capacitance_ > 0; }
    std::int64_t nSteps() const { return nSteps_; }
    // The first interval of the grid, cm.
    double firstInterval() const { return x_[1] - x_[0]; }

    // The equations of a time step taken from the present state (the
    // second-order difference), at concentrations u (node-major, species
    // within a node, as the unknown nodes hold them) and potential E (V): the
    // residual, and the product of its Jacobian at u with a direction. For
    // checking the Newton iteration.
    std::vector<double> stepResidual(const std::vector<double>& u, double E);
    std::vector<double> stepJacobianTimes(const std::vector<double>& u, double E,
                                          const std::vector<double>& direction);
    std::size_t nUnknowns() const { return u_.size(); }

    // The program's steps per millivolt swept.
    static constexpr int kStepsPerMv = 4;

private:
    struct Couple {
        int ox, red;
        double E0, alpha, k0;  // V, 1, cm/s
    };
    struct Reaction {
        int r1, r2, p1, p2;  // -1 for an empty slot
        double kf, kb;       // per second (per relative concentration for a second order)
    };
    // A term of a block's entry: constant × the concentration of species by
    // at the node.
    struct SecondOrderTerm {
        std::size_t position;  // in the group's block, row-major
        int by;
        double constant;
    };
    // Species that react with one another, solved together node by node.
    struct Group {
        std::vector<int> reactions;  // indices into reactions_
        bool linear = true;          // no second-order term
        // A reacting group's blocks without the second-order terms, by
        // node, for the coefficient fixedFor (NaN: none yet).
        std::vector<double> fixedBlocks;
        double fixedFor = std::numeric_limits<double>::quiet_NaN();
        // The second-order reactions' derivatives (see listSecondOrderTerms).
        std::vector<SecondOrderTerm> secondOrder;
        std::vector<std::size_t> secondOrderEntries;  // their distinct positions
    };

    double& at(std::vector<double>& u, int node, int s) const {
        return u[static_cast<std::size_t>(node) * nSpecies_ + s];
    }
    double at(const std::vector<double>& u, int node, int s) const {
        return u[static_cast<std::size_t>(node) * nSpecies_ + s];
    }
    // The fastest reaction: its rate per second (a second-order constant
    // times the largest concentration), its constant, its number (1-based).
    struct Fastest {
        double rate = 0, constant = 0;
        int reaction = 0;
    };
    // Refuses a model whose grid cannot be laid (Exception, naming the D
    // and rate constant that set its first interval).
    void layGrid(const Fastest& fastest, const std::vector<bool>& used);
    void formGroups();
    // Advances the solution by h to potential E; the current (A) is returned.
    double advance(double h, double E, int depth = 0);
    enum class StepOutcome { Solved, Negative, NotFinite, NoSolution };
    // The new values into next_.
    StepOutcome solveStep(double h, double E);
    // Negative where the lowest new concentration is well below zero.
    StepOutcome checkSigns(double lowest) const;
    double startStep(std::int64_t index, double E);
    // A step with the double layer acting: where the sweep turns, holds or
    // resumes, the charging current relaxes with τ = Ru·Cdl, and the steps
    // that follow are taken in parts that resolve it.
    double chargingStep(double E);
    double advancePath(std::int64_t index, const std::vector<double>& path);
    void RunQuietTime() override;
    // A staircase's step at potential E, dt_ long: the current at its
    // sampling point (see holdSteps).
    double stairStep(double E);
    // Holds E for duration in parts growing by growth from about first
    // (none longer than first·growth^j), the last ending it exactly; jumped:
    // the applied potential has just moved to E. The current at the end is
    // returned. awaitBetween: stop and freeze act between the parts.
    double holdSteps(double duration, double E, double first, double growth, bool jumped,
                     bool awaitBetween);
    // Takes the new values as the present ones.
    double finishStep(double h, double E);
    // A backward-difference step of length h after one of lastDt_ (second
    // order, or first order for the first step): the coefficients of the new
    // value, the present one and the one before, divided by h.
    struct Difference {
        double coefficient, now, before;
    };
    Difference backwardDifference(double h) const;
    // history_: the present and earlier values' share of the difference.
    void setHistory(const Difference& difference);
    void stepRhs(const Difference& difference, std::vector<double>& rhs,
                 const std::vector<double>* u,
                 const std::vector<double>* jacobianAt = nullptr) const;
    void renewJacobian(double coefficient);
    // withElectrode: the couples' rates at the potential setElectrode was
    // given enter node 0; without, the electrode is left to the caller.
    void residual(const std::vector<double>& u, double coefficient, std::vector<double>& g,
                  bool withElectrode = true) const;
    // Node 0 with the cell's resistance and capacitance: after the inward
    // pass of the concentrations, finds the electrode potential E at which
    // E_applied − E = i·Ru, with i the faradaic current at E plus the
    // capacitor's current, and leaves node 0's concentrations x0 = M(E)⁻¹ y
    // in place (M(E) node 0's matrix with the couples' rates at E, y its
    // right-hand side plus base, the reduced matrix times base); difference
    // is the capacitor's (the step's own, or first order after a turn).
    // Returns the total current (A).
    double solveElectrode(double applied, const Difference& difference, std::vector<double>& rhs,
                          const std::vector<double>& base);
    void assembleBlocks(int group, const std::vector<double>& u, double coefficient);
    void assembleReactingBlocks(int group, const std::vector<double>& u, double coefficient);
    // Adds the terms of the group's blocks that do not depend on the
    // concentrations (storage, diffusion, first-order reactions), and those
    // that do (the second-order reactions' derivatives) at u.
    void addLinearTerms(int group, double coefficient);
    void listSecondOrderTerms(int group);
    void addSecondOrderTerms(int group, const std::vector<double>& u);
    void setElectrode(double E);
    // The couples' rates at E into kf_ and kb_, and their derivatives by
    // node 0's concentrations added to J (S × S).
    void addCouples(double E, std::vector<double>& J);
    double current(const std::vector<double>& u) const;

    std::vector<Couple> couples_;
    std::vector<Reaction> reactions_;
    std::vector<double> D_;  // cm²/s per species, 0 for an idle one
    std::vector<double> bulk_;
    double bulkScale_ = 1;  // the largest bulk concentration, at least 1

    std::vector<double> x_;       // node positions, cm; the last one holds the bulk
    std::vector<double> volume_;  // per unknown node: its share of the line
    // Per node and species: D over the interval outward and inward.
    std::vector<double> toOuter_, toInner_;
    std::int64_t nPoints_ = 0, nSteps_ = 0, stepsPerPoint_ = 0;
    bool everyStep_ = false;  // each program step solved and reported
    // A staircase's parts are this many times finer than by default, for
    // checking convergence.
    double refinement_ = 1;
    double dt_ = 0;

    std::vector<Group> groups_;
    std::unique_ptr<NodeLineSystem> system_;
    // The coefficient of the new value for which the linear groups are
    // eliminated (NaN: none yet).
    double eliminatedFor_;
    // The values at which the reacting groups were last eliminated, and the
    // coefficient (NaN: none); the change of the last step's first
    // iteration.
    std::vector<double> jacobianAt_;
    double jacobianFor_ = std::numeric_limits<double>::quiet_NaN();
    double lastChange_ = std::numeric_limits<double>::infinity();
    bool linear_ = true;
    double quadraticRate_ = 0;  // the largest second-order rate constant

    // Concentrations (relative) of the unknown nodes, node-major: now, one
    // step before, and the Newton iterate.
    std::vector<double> u_, previous_, next_;
    std::vector<double> history_, g_;
    std::vector<double> kf_, kb_;     // the couples' rates at the step's potential, cm/s
    double lastDt_ = 0;               // the step before, s; 0 before the first
    double lastE_ = 0;                // the potential of the last step, V
    std::vector<double> startParts_;  // scratch of startStep
    // The cell: uncompensated resistance (ohm) and double-layer capacitance
    // (F), 0 where they do not act; the electrode potential now and a step
    // before (V); the sweep's direction at the last step (+1, -1, 0 while
    // held), the time since it last changed (s) and the last part of a step
    // taken since then (s; see chargingStep); whether the capacitor's
    // next difference starts afresh at first order (after such a change the
    // applied potential has a corner that a second-order difference would
    // carry over).
    double resistance_ = 0, capacitance_ = 0;
    double electrodeE_ = 0, electrodeBefore_ = 0;
    int lastDirection_ = 0;
    double sinceTurn_ = std::numeric_limits<double>::infinity();
    double turnPart_ = std::numeric_limits<double>::infinity();
    bool capacitorRestarts_ = false;
    std::vector<double> node0_, node0Rhs_, node0Dx_, base0_;
    std::vector<int> node0Pivots_;
    std::vector<double> dkf_, dkb_;             // the rates' derivatives by E (per V)
    double pendingE_ = 0, pendingCurrent_ = 0;  // solveElectrode's result
    // The model's species (0-based) by the engine's numbers.
    std::vector<int> order_;
};

}  // namespace ondrel
