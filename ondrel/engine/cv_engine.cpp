#include "cv_engine.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "../platform/float_text.h"
#include "electrode_kinetics.h"
#include "engine_errors.h"
#include "model_check.h"
#include "program_check.h"

namespace ondrel {

namespace {

// Δx² = 2.2222222222222223 D Δt: the model diffusion coefficient 0.45.
constexpr double kGridFactor = 2.2222222222222223;
// A flux J out of box 1 (relative concentration per step) lowers the
// surface concentration of a species of relative coefficient D by
// kDepletion·J/D within the step. The single couple's formula, and one term
// of the pair's, divide by kBoxShare instead: the two agree to 1e-5.
constexpr double kDepletion = 1.079;
constexpr double kBoxShare = 0.926775;
// Diffusion coefficients of box 1 and of the three boxes of each group
// (toward the inner, then the outer neighbour). Their ratios are 2^(1/6),
// the growth of the box volumes, which makes the scheme conservative.
constexpr double kBox1 = 0.4248;
constexpr double kInner[3] = {0.3784, 0.3003, 0.2384};
constexpr double kOuter[3] = {0.3371, 0.2676, 0.2124};

bool positiveFinite(double value) {
    return std::isfinite(value) && value > 0;
}

}  // namespace

TCVEngine::TCVEngine(const TModel& model, std::vector<CVpoint>& points,
                     const std::atomic<bool>& freeze, EngineDisplay& display)
    : CVSimulation(model, points, freeze, display),
      nRedox_(model.couples.count()),
      nChem_(model.reactions.count()) {
    if (CellActs(model.pilot))
        throw Exception(
            "The uncompensated resistance and the double-layer capacitance act only in the "
            "implicit solver: choose it (Solver, beside the cell; --solver implicit), or switch "
            "them off.");
    if (const std::string problem = ClassicProgramProblem(model.pilot); !problem.empty())
        throw Exception(problem);
    // The explicit scheme is stable while every relative D stays below
    // about 1.18. A model with a species faster than D = 1 gets a grid sized
    // for its fastest species: Δx from that D, and every D taken relative
    // to it. A model whose D are all at most 1 keeps the grid of D = 1.
    const std::vector<bool> used = SpeciesInUse(model);
    gridD_ = 1;
    for (int s = 0; s < nSpecies_; ++s)
        if (used[s])
            gridD_ = std::max(gridD_, species_[s + 1].D);

    countSteps(model);
    layGrid();
    scaleRates(model);
    fillSpecies(used);
    buildStoichiometry();
    planElectrode();
}

void TCVEngine::planElectrode() {
    // Couples linked through shared species, by union of their indices.
    std::vector<int> root(nRedox_);
    for (int i = 0; i < nRedox_; ++i)
        root[i] = i;
    const auto find = [&](int i) {
        while (root[i] != i)
            i = root[i] = root[root[i]];
        return i;
    };
    for (int i = 0; i < nRedox_; ++i)
        for (int j = 0; j < i; ++j) {
            const Couple &a = couples_[i], &b = couples_[j];
            if (a.ox == b.ox || a.ox == b.red || a.red == b.ox || a.red == b.red)
                root[find(i)] = find(j);
        }
    std::vector<int> unitOfRoot(nRedox_, -1);
    for (int i = 0; i < nRedox_; ++i) {
        int& unit = unitOfRoot[find(i)];
        if (unit < 0) {
            unit = static_cast<int>(units_.size());
            units_.push_back({ElectrodeUnit::Joint, {}});
        }
        units_[unit].couples.push_back(i);
    }
    for (ElectrodeUnit& unit : units_) {
        const std::vector<int>& c = unit.couples;
        if (c.size() == 1)
            unit.kind = ElectrodeUnit::Single;
        else if (c.size() == 2 && c[1] == c[0] + 1 && couples_[c[0]].red == couples_[c[1]].ox &&
                 couples_[c[0]].ox != couples_[c[1]].red)
            unit.kind = ElectrodeUnit::Pair;
    }
    jointMatrix_.resize(static_cast<std::size_t>(nRedox_) * nRedox_);
    jointRates_.resize(nRedox_);
}

void TCVEngine::countSteps(const TModel& model) {
    const double T = pilot_.totalTime;
    const double v = pilot_.scanRate;
    nPoints_ = WholeCount(v * T * 1000);
    const std::int64_t minSteps = WholeCount(T * v * 2000);
    if (nChem_ == 0) {
        nSteps_ = minSteps;
    } else {
        double kmax = 0;
        for (const TChemical& r : model.reactions)
            kmax = std::max({kmax, r.kf, r.kb});
        if (kmax * T * 3.0 >= static_cast<double>(kMaxSteps))
            nSteps_ = kMaxSteps;
        else
            nSteps_ = std::max(static_cast<std::int64_t>(std::trunc(kmax * T * 2.0)), minSteps);
    }
    // Slow species need finer time steps; the cap holds after this too.
    if (std::any_of(species_.begin(), species_.end(),
                    [&](const TEspece& s) { return s.D / gridD_ < 0.5; }))
        nSteps_ = std::min(nSteps_ * 4, kMaxSteps);
    nSteps_ = (nSteps_ + nPoints_ - 1) / nPoints_ * nPoints_;
    stepsPerPoint_ = nSteps_ / nPoints_;
}

// Boxes grow by 2^(1/6) until they cover 2.5 diffusion lengths of the
// fastest species.
void TCVEngine::layGrid() {
    const double T = pilot_.totalTime;
    dt_ = T / static_cast<double>(nSteps_);
    chemThreshold_ = 0.01 * dt_;
    dx_ = std::sqrt(kGridFactor * diffusionScale_ * gridD_ * dt_);
    dxOverDt_ = dx_ / dt_;

    const double beta = std::log(2.0) / 6;
    const double L = 2.5 * std::sqrt(diffusionScale_ * gridD_ * T);
    int boxes = 1;
    for (double x = 0; x < L; ++boxes)
        x = dx_ * (std::exp((boxes - 0.5) * beta) - 1) / (std::exp(beta) - 1);
    boxes = (boxes + 2) / 3 * 3;
    nBoxes_ = boxes + 3 + 1;
}

void TCVEngine::scaleRates(const TModel& model) {
    for (const TRedox& c : model.couples)
        couples_.push_back({c.ox - 1, c.red - 1, c.E0, c.alpha, c.k0 * dt_ / dx_});
    for (const TChemical& r : model.reactions)
        reactions_.push_back({r.reagent1 - 1, r.reagent2 - 1, r.product1 - 1, r.product2 - 1,
                              r.kf * dt_, r.kb * dt_});
}

void TCVEngine::fillSpecies(const std::vector<bool>& used) {
    D_.resize(nSpecies_);
    profile_.resize(static_cast<std::size_t>(nSpecies_) * nBoxes_);
    inner_.assign(profile_.size(), 0);
    outer_.assign(profile_.size(), 0);
    flux_.assign(nSpecies_, 0);
    for (int s = 0; s < nSpecies_; ++s) {
        // A species in no couple and no reaction keeps its bulk value
        // whatever its D; only the used ones have been checked.
        const double D =
            used[s] || positiveFinite(species_[s + 1].D) ? species_[s + 1].D / gridD_ : 0;
        D_[s] = D;
        std::fill_n(profileOf(s), nBoxes_, species_[s + 1].C);
        double* inner = inner_.data() + static_cast<std::size_t>(s) * nBoxes_;
        double* outer = outer_.data() + static_cast<std::size_t>(s) * nBoxes_;
        outer[0] = kBox1 * D;
        for (int group = 2; group <= nBoxes_ / 3; ++group) {
            const int j = 3 * group - 4;  // first box of the group, 1-based
            const double X = std::exp(std::log(2.0) * (j - 2) / 3);
            const double a = D / X;
            for (int i = 0; i < 3; ++i) {
                inner[j - 1 + i] = kInner[i] * a;
                outer[j - 1 + i] = kOuter[i] * a;
            }
        }
    }
}

// The stoichiometry is sparse: a reaction touches at most four species.
// Each species keeps the reactions that change it, in reaction order, with
// its net coefficient.
void TCVEngine::buildStoichiometry() {
    std::vector<double> nu(static_cast<std::size_t>(nSpecies_) * nChem_, 0);
    for (int r = 0; r < nChem_; ++r) {
        const Reaction& q = reactions_[r];
        for (int product : {q.p1, q.p2})
            if (product >= 0)
                nu[static_cast<std::size_t>(product) * nChem_ + r] += 1;
        for (int reagent : {q.r1, q.r2})
            if (reagent >= 0)
                nu[static_cast<std::size_t>(reagent) * nChem_ + r] -= 1;
    }
    for (int s = 0; s < nSpecies_; ++s) {
        const std::size_t first = terms_.size();
        for (int r = 0; r < nChem_; ++r)
            if (const double coefficient = nu[static_cast<std::size_t>(s) * nChem_ + r];
                coefficient != 0)
                terms_.push_back({r, coefficient});
        if (terms_.size() > first)
            reacting_.push_back({s, first, terms_.size()});
    }
    start_.resize(nSpecies_);
    rate0_.resize(nChem_);
    rate_.resize(nChem_);
}

void TCVEngine::Run() {
    if (nRedox_ == 0)
        throw Exception(kNoCouples);
    RunProgram(nSteps_, stepsPerPoint_, [this](std::int64_t, double E) {
        const double I = electrodeStep(E);
        diffusionStep();
        if (nChem_ > 0)
            chemistryStep();
        return I;
    });
    ConcentrationProfiles profiles = Profiles();
    for (std::size_t s = 0; s < profiles.values.size(); ++s)
        for (double c : profiles.values[s])
            if (!std::isfinite(c))
                throw EngineErrorException(
                    "The simulation became unstable: the concentration "
                    "of " +
                    profiles.names[s] + " is not a finite number.");
    display_.RefreshProfiles(profiles);
}

RunFigures TCVEngine::figures() const {
    return figuresOf(nSteps_, stepsPerPoint_, nPoints_, nBoxes_, dt_, dx_);
}

ConcentrationProfiles TCVEngine::Profiles() const {
    ConcentrationProfiles profiles;
    for (int s = 0; s < nSpecies_; ++s) {
        profiles.names.push_back(species_[s + 1].name);
        const auto first = profile_.begin() + static_cast<std::ptrdiff_t>(s) * nBoxes_;
        profiles.values.emplace_back(first, first + nBoxes_);
    }
    return profiles;
}

// Each couple's flux is its net reduction rate at the surface
// concentrations that its own flux leaves within the step: for a single
// couple A + e <=> B with rates kf, kb,
//   J = kf (C_A − J·kDepletion/D_A) − kb (C_B + J·kDepletion/D_B),
// solved for J. Two successive couples A + e <=> B, B + e <=> C share B,
// which the first makes and the second takes: with J the first couple's
// rate and M minus the second's (the flux of C),
//   J = kf1 (C_A − g J/D_A) − kb1 (C_B + g (J + M)/D_B)
//   M = kb2 (C_C − g M/D_C) − kf2 (C_B + g (J + M)/D_B),   g = kDepletion,
// two linear equations solved together: each unknown's divisor is one plus
// its own couple's depletion terms, and the other's term enters through B.
double TCVEngine::electrodeStep(double E) {
    auto rates = [&](const Couple& c) {
        return ButlerVolmer(c.kDimless, c.alpha, E, c.E0, temperature_);
    };
    auto surface = [&](int s) { return profile_[static_cast<std::size_t>(s) * nBoxes_]; };

    double sum = 0;
    for (const ElectrodeUnit& unit : units_) {
        if (unit.kind == ElectrodeUnit::Joint) {
            sum = sum + jointFluxes(unit.couples, E);
            continue;
        }
        const Couple& first = couples_[unit.couples[0]];
        const auto [kf1, kb1] = rates(first);
        const int A = first.ox, B = first.red;
        const double CA = surface(A), CB = surface(B), DA = D_[A], DB = D_[B];

        if (unit.kind == ElectrodeUnit::Pair) {
            const Couple& second = couples_[unit.couples[1]];
            const auto [kf2, kb2] = rates(second);
            const int C = second.red;
            const double CC = surface(C), DC = D_[C];
            const double g = kDepletion;
            const double firstDrive = kf1 * CA - kb1 * CB;   // J at the step's start
            const double secondDrive = kb2 * CC - kf2 * CB;  // M at the step's start
            const double secondDivisor = kf2 * g / DB + kb2 * g / DC + 1;
            const double firstDivisor = kf1 * g / DA + kb1 * g / DB + 1;
            const double firstRate =
                (firstDrive - (secondDrive / secondDivisor) * kb1 / (DB * kBoxShare)) /
                (((kb2 * g / DC + 1) / secondDivisor) * (g / DB) * kb1 + kf1 * g / DA + 1);
            const double minusSecondRate =
                (secondDrive - (firstDrive / firstDivisor) * (g / DB) * kf2) /
                (((kf1 * g / DA + 1) / firstDivisor) * (g / DB) * kf2 + kb2 * g / DC + 1);
            flux_[A] = firstRate;
            flux_[C] = minusSecondRate;
            flux_[B] = -flux_[A] - flux_[C];
            sum = sum + flux_[A] - flux_[C];
        } else {
            flux_[A] =
                (kf1 * CA - kb1 * CB) / (kb1 / (DB * kBoxShare) + kf1 / (DA * kBoxShare) + 1);
            flux_[B] = -flux_[A];
            sum = sum + flux_[A];
        }
    }

    return -sum * dxOverDt_ * kFaraday * area_ * concScale_;
}

// With r_k the rate of couple k and a(s, k) = [s is its ox] − [s is its red],
// species s loses q_s = Σ_k a(s, k) r_k, and each couple's equation is
//   r_j = kf_j (C_ox − kDepletion q_ox / D_ox) − kb_j (C_red − kDepletion q_red / D_red),
// linear in the rates: solved by elimination with partial pivoting. Every
// species' flux is its loss, so the matter the couples move is conserved.
double TCVEngine::jointFluxes(const std::vector<int>& couples, double E) {
    const int n = static_cast<int>(couples.size());
    double* M = jointMatrix_.data();
    double* r = jointRates_.data();
    const auto share = [&](int s, int k) {
        const Couple& c = couples_[couples[k]];
        return (s == c.ox ? 1.0 : 0.0) - (s == c.red ? 1.0 : 0.0);
    };
    for (int j = 0; j < n; ++j) {
        const Couple& c = couples_[couples[j]];
        const TransferRates k = ButlerVolmer(c.kDimless, c.alpha, E, c.E0, temperature_);
        const double byOx = kDepletion * k.reduction / D_[c.ox];
        const double byRed = kDepletion * k.oxidation / D_[c.red];
        for (int q = 0; q < n; ++q)
            M[j * n + q] = (j == q ? 1.0 : 0.0) + byOx * share(c.ox, q) - byRed * share(c.red, q);
        r[j] = k.reduction * profile_[static_cast<std::size_t>(c.ox) * nBoxes_] -
               k.oxidation * profile_[static_cast<std::size_t>(c.red) * nBoxes_];
    }
    for (int col = 0; col < n; ++col) {
        int p = col;
        for (int row = col + 1; row < n; ++row)
            if (std::fabs(M[row * n + col]) > std::fabs(M[p * n + col]))
                p = row;
        if (p != col) {
            for (int q = 0; q < n; ++q)
                std::swap(M[col * n + q], M[p * n + q]);
            std::swap(r[col], r[p]);
        }
        for (int row = col + 1; row < n; ++row) {
            const double f = M[row * n + col] / M[col * n + col];
            for (int q = col; q < n; ++q)
                M[row * n + q] -= f * M[col * n + q];
            r[row] -= f * r[col];
        }
    }
    for (int row = n - 1; row >= 0; --row) {
        for (int q = row + 1; q < n; ++q)
            r[row] -= M[row * n + q] * r[q];
        r[row] /= M[row * n + row];
    }

    double sum = 0;
    for (int j = 0; j < n; ++j) {
        const Couple& c = couples_[couples[j]];
        flux_[c.ox] = flux_[c.red] = 0;
    }
    for (int j = 0; j < n; ++j) {
        const Couple& c = couples_[couples[j]];
        flux_[c.ox] += r[j];
        flux_[c.red] -= r[j];
        sum += r[j];
    }
    return sum;
}

// Explicit diffusion in place: each box reads its neighbours' values of the
// step's start, so the old value of the box before is carried along. The
// last three boxes stay as they are: they are the semi-infinite boundary.
void TCVEngine::diffusionStep() {
    const int updated = nBoxes_ - 3;
    for (int s = 0; s < nSpecies_; ++s) {
        double* c = profileOf(s);
        const double* inner = inner_.data() + static_cast<std::size_t>(s) * nBoxes_;
        const double* outer = outer_.data() + static_cast<std::size_t>(s) * nBoxes_;
        double before = c[0];
        c[0] = c[0] + outer[0] * (c[1] - c[0]) - flux_[s];
        for (int b = 1; b < updated; ++b) {
            const double old = c[b];
            c[b] = old + inner[b] * (before - old) + outer[b] * (c[b + 1] - old);
            before = old;
        }
    }
}

// Four iterations per box around the box's values after diffusion: an
// explicit Euler step, then three trapezoidal refinements. Boxes from the
// first quiet one outward are left alone.
void TCVEngine::chemistryStep() {
    const auto at = [&](int s, int b) -> double& {
        return profile_[static_cast<std::size_t>(s) * nBoxes_ + b];
    };
    for (int b = 0; b < nBoxes_; ++b) {
        for (const Reacting& species : reacting_)
            start_[species.s] = at(species.s, b);
        for (int iteration = 1; iteration <= 4; ++iteration) {
            for (int r = 0; r < nChem_; ++r) {
                const Reaction& q = reactions_[r];
                double forward = q.kfStep * at(q.r1, b);
                if (q.r2 >= 0)
                    forward = forward * at(q.r2, b);
                double backward = 0;
                if (q.p1 >= 0) {
                    backward = q.kbStep * at(q.p1, b);
                    if (q.p2 >= 0)
                        backward = backward * at(q.p2, b);
                }
                rate_[r] = forward - backward;
            }
            if (iteration == 1) {
                std::copy(rate_.begin(), rate_.end(), rate0_.begin());
                const bool quiet = std::none_of(rate_.begin(), rate_.end(), [&](double R) {
                    return std::fabs(R) > chemThreshold_;
                });
                if (quiet)
                    return;
            }
            for (const Reacting& species : reacting_) {
                double change = 0;
                for (std::size_t t = species.first; t < species.last; ++t)
                    change += terms_[t].nu * (rate_[terms_[t].r] + rate0_[terms_[t].r]) * 0.5;
                at(species.s, b) = start_[species.s] + change;
            }
        }
    }
}

}  // namespace ondrel
