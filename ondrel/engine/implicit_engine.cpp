#include "implicit_engine.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "../platform/float_text.h"
#include "electrode_kinetics.h"
#include "engine_errors.h"
#include "program_check.h"

namespace ondrel {

namespace {

// The grid: intervals growing by this factor from the electrode out to
// kDepth diffusion lengths of the fastest species over the whole run.
constexpr double kGrowth = 1.06;
constexpr double kDepth = 6;
// The first interval: a small part of the diffusion layer of one thermal
// voltage's sweep, and of the fastest reaction's layer √(D/k).
constexpr double kOfDiffusionLayer = 0.02;
constexpr double kOfReactionLayer = 0.1;
constexpr int kMaxNewtonIterations = 30;

// Gaussian elimination with partial pivoting of an n × n block, in place.
void factorise(double* a, int* pivot, int n) {
    for (int k = 0; k < n; ++k) {
        int p = k;
        for (int r = k + 1; r < n; ++r)
            if (std::abs(a[r * n + k]) > std::abs(a[p * n + k]))
                p = r;
        pivot[k] = p;
        if (p != k)
            for (int c = 0; c < n; ++c)
                std::swap(a[k * n + c], a[p * n + c]);
        const double d = a[k * n + k];
        for (int r = k + 1; r < n; ++r) {
            const double f = a[r * n + k] / d;
            a[r * n + k] = f;
            for (int c = k + 1; c < n; ++c)
                a[r * n + c] -= f * a[k * n + c];
        }
    }
}

// Solves with a block factorised above; b is replaced by the solution.
void solve(const double* lu, const int* pivot, double* b, int n) {
    for (int k = 0; k < n; ++k) {
        std::swap(b[k], b[pivot[k]]);
        for (int r = k + 1; r < n; ++r)
            b[r] -= lu[r * n + k] * b[k];
    }
    for (int k = n - 1; k >= 0; --k) {
        for (int c = k + 1; c < n; ++c)
            b[k] -= lu[k * n + c] * b[c];
        b[k] /= lu[k * n + k];
    }
}

}  // namespace

TImplicitEngine::TImplicitEngine(const TModel& model, std::vector<CVpoint>& points,
                                 const std::atomic<bool>& freeze, EngineDisplay& display)
    : CVSimulation(model, points, freeze, display) {
    const double T = pilot_.totalTime;
    const double v = pilot_.scanRate;
    nPoints_ = WholeCount(v * T * 1000);
    stepsPerPoint_ = kStepsPerMv;
    nSteps_ = nPoints_ * stepsPerPoint_;
    dt_ = T / static_cast<double>(nSteps_);

    const std::vector<bool> used = SpeciesInUse(model);
    for (const TRedox& c : model.couples)
        couples_.push_back({c.ox - 1, c.red - 1, c.E0, c.alpha, c.k0});
    for (const TChemical& r : model.reactions)
        reactions_.push_back(
            {r.reagent1 - 1, r.reagent2 - 1, r.product1 - 1, r.product2 - 1, r.kf, r.kb});
    for (int s = 0; s < nSpecies_; ++s) {
        D_.push_back(used[s] ? species_[s + 1].D * diffusionScale_ : 0);
        bulk_.push_back(species_[s + 1].C);
    }
    // A second-order reaction is as fast as its constant times the larger
    // concentration it meets.
    double kmax = 0, cmax = 1;
    for (double c : bulk_)
        cmax = std::max(cmax, std::abs(c));
    for (const Reaction& r : reactions_)
        kmax = std::max(kmax,
                        std::max(r.r2 >= 0 ? r.kf * cmax : r.kf, r.p2 >= 0 ? r.kb * cmax : r.kb));

    double dmin = std::numeric_limits<double>::max(), dmax = 0;
    for (double d : D_)
        if (d > 0) {
            dmin = std::min(dmin, d);
            dmax = std::max(dmax, d);
        }
    if (dmax == 0)
        dmin = dmax = diffusionScale_;
    const double thermalTime = temperature_ / (kFaradayOverR * v);
    double h0 = kOfDiffusionLayer * std::sqrt(dmin * thermalTime);
    if (kmax > 0)
        h0 = std::min(h0, kOfReactionLayer * std::sqrt(dmin / kmax));
    const double depth = kDepth * std::sqrt(dmax * T);
    x_.push_back(0);
    for (double h = h0; x_.back() < depth; h *= kGrowth)
        x_.push_back(x_.back() + h);
    const int m = nNodes() - 1;  // the unknown nodes; the last holds the bulk
    for (int i = 0; i < m; ++i)
        volume_.push_back(((i > 0 ? x_[i] - x_[i - 1] : 0) + x_[i + 1] - x_[i]) / 2);

    const std::size_t unknowns = static_cast<std::size_t>(m) * nSpecies_;
    u_.resize(unknowns);
    for (int i = 0; i < m; ++i)
        for (int s = 0; s < nSpecies_; ++s)
            at(u_, i, s) = bulk_[s];
    previous_ = u_;
    history_.resize(unknowns);
    g_.resize(unknowns);
    const std::size_t block = static_cast<std::size_t>(nSpecies_) * nSpecies_;
    diag_.resize(m * block);
    factor_.resize(m * block);
    lower_.resize(unknowns);
    upper_.resize(unknowns);
    pivots_.resize(unknowns);
    kf_.resize(couples_.size());
    kb_.resize(couples_.size());
    // Without second-order terms the equations of a step are linear.
    linear_ = std::none_of(reactions_.begin(), reactions_.end(),
                           [](const Reaction& r) { return r.r2 >= 0 || r.p2 >= 0; });
}

RunFigures TImplicitEngine::figures() const {
    return figuresOf(nSteps_, stepsPerPoint_, nPoints_, nNodes(), dt_, firstInterval());
}

// The profiles as the chart shows a run's boxes: at distances that grow by
// the chart's own factor from one box to the next, out to the end of the
// grid, so that the chart's distance axis stays proportional to distance.
ConcentrationProfiles TImplicitEngine::Profiles() const {
    constexpr int kBoxes = 48;
    constexpr double kChartGrowth = 1.1892;
    const int m = nNodes() - 1;
    const double span = x_.back() / (std::pow(kChartGrowth, kBoxes - 1) - 1);
    ConcentrationProfiles profiles;
    for (int s = 0; s < nSpecies_; ++s) {
        profiles.names.push_back(species_[s + 1].name);
        std::vector<double> values;
        values.reserve(kBoxes);
        int node = 0;
        for (int b = 0; b < kBoxes; ++b) {
            const double x = std::min(span * (std::pow(kChartGrowth, b) - 1), x_.back());
            while (node + 1 < m && x_[node + 1] < x)
                ++node;
            const double left = at(u_, node, s);
            const double right = node + 1 < m ? at(u_, node + 1, s) : bulk_[s];
            const double f = std::clamp((x - x_[node]) / (x_[node + 1] - x_[node]), 0.0, 1.0);
            values.push_back(left + f * (right - left));
        }
        profiles.values.push_back(std::move(values));
    }
    return profiles;
}

void TImplicitEngine::electrodeRates(double E, std::vector<double>& kf,
                                     std::vector<double>& kb) const {
    for (std::size_t c = 0; c < couples_.size(); ++c) {
        const Couple& q = couples_[c];
        const TransferRates rates = ButlerVolmer(q.k0, q.alpha, E, q.E0, temperature_);
        kf[c] = rates.reduction;
        kb[c] = rates.oxidation;
    }
}

// The equations of a time step, g(u) = 0, and their Jacobian: storage in
// each node's share of the line, diffusion through its two sides (the bulk
// beyond the last), reactions in it, and at the electrode the couples'
// Butler–Volmer rates.
void TImplicitEngine::residual(const std::vector<double>& u, double E, double a0,
                               std::vector<double>& g) {
    const int m = nNodes() - 1, S = nSpecies_;
    const std::size_t block = static_cast<std::size_t>(S) * S;
    std::fill(diag_.begin(), diag_.end(), 0.0);
    for (int i = 0; i < m; ++i) {
        const double V = volume_[i], hRight = x_[i + 1] - x_[i];
        const double hLeft = i > 0 ? x_[i] - x_[i - 1] : 0;
        double* J = diag_.data() + i * block;
        for (int s = 0; s < S; ++s) {
            const double c = at(u, i, s);
            const double right = i + 1 < m ? at(u, i + 1, s) : bulk_[s];
            double r = V * (a0 * c + at(history_, i, s)) / dt_ - D_[s] * (right - c) / hRight;
            if (i > 0)
                r += D_[s] * (c - at(u, i - 1, s)) / hLeft;
            at(g, i, s) = r;
            J[s * S + s] = V * a0 / dt_ + D_[s] / hRight + (i > 0 ? D_[s] / hLeft : 0);
            at(lower_, i, s) = i > 0 ? -D_[s] / hLeft : 0;
            at(upper_, i, s) = i + 1 < m ? -D_[s] / hRight : 0;
        }
        for (const Reaction& q : reactions_) {
            const double a = at(u, i, q.r1), b = q.r2 >= 0 ? at(u, i, q.r2) : 1;
            const double p = q.p1 >= 0 ? at(u, i, q.p1) : 0, pp = q.p2 >= 0 ? at(u, i, q.p2) : 1;
            const double rate = q.kf * a * b - (q.p1 >= 0 ? q.kb * p * pp : 0);
            // Each species takes -V·ν·rate: reagents lose, products gain.
            for (int s : {q.r1, q.r2})
                if (s >= 0)
                    at(g, i, s) += V * rate;
            for (int s : {q.p1, q.p2})
                if (s >= 0)
                    at(g, i, s) -= V * rate;
            // ∂rate/∂u for each species the rate reads.
            std::pair<int, double> partials[4] = {{q.r1, q.kf * b},
                                                  {q.r2, q.r2 >= 0 ? q.kf * a : 0},
                                                  {q.p1, q.p1 >= 0 ? -q.kb * pp : 0},
                                                  {q.p2, q.p2 >= 0 ? -q.kb * p : 0}};
            for (const auto& [by, d] : partials) {
                if (by < 0 || d == 0)
                    continue;
                for (int s : {q.r1, q.r2})
                    if (s >= 0)
                        J[s * S + by] += V * d;
                for (int s : {q.p1, q.p2})
                    if (s >= 0)
                        J[s * S + by] -= V * d;
            }
        }
    }
    electrodeRates(E, kf_, kb_);
    double* J = diag_.data();
    for (std::size_t c = 0; c < couples_.size(); ++c) {
        const Couple& q = couples_[c];
        const double j = kf_[c] * at(u, 0, q.ox) - kb_[c] * at(u, 0, q.red);
        at(g, 0, q.ox) += j;
        at(g, 0, q.red) -= j;
        J[q.ox * S + q.ox] += kf_[c];
        J[q.ox * S + q.red] -= kb_[c];
        J[q.red * S + q.ox] -= kf_[c];
        J[q.red * S + q.red] += kb_[c];
    }
}

// Block Thomas elimination: full diagonal blocks, diagonal couplings to the
// neighbours. rhs is replaced by the solution.
void TImplicitEngine::solveBlockTridiagonal(std::vector<double>& rhs) {
    const int m = nNodes() - 1, S = nSpecies_;
    const std::size_t block = static_cast<std::size_t>(S) * S;
    std::vector<double> column(S), carried(S);
    for (int i = 0; i < m; ++i) {
        double* M = factor_.data() + i * block;
        std::copy_n(diag_.data() + i * block, block, M);
        double* y = rhs.data() + static_cast<std::size_t>(i) * S;
        if (i > 0) {
            const double* before = factor_.data() + (i - 1) * block;
            const int* pivot = pivots_.data() + static_cast<std::size_t>(i - 1) * S;
            // M_i = B_i - L_i M_{i-1}^-1 U_{i-1}, column by column.
            for (int q = 0; q < S; ++q) {
                std::fill(column.begin(), column.end(), 0.0);
                column[q] = at(upper_, i - 1, q);
                if (column[q] == 0)
                    continue;
                solve(before, pivot, column.data(), S);
                for (int s = 0; s < S; ++s)
                    M[s * S + q] -= at(lower_, i, s) * column[s];
            }
            // y_i = r_i - L_i M_{i-1}^-1 y_{i-1}
            std::copy_n(y - S, S, carried.data());
            solve(before, pivot, carried.data(), S);
            for (int s = 0; s < S; ++s)
                y[s] -= at(lower_, i, s) * carried[s];
        }
        factorise(M, pivots_.data() + static_cast<std::size_t>(i) * S, S);
    }
    for (int i = m - 1; i >= 0; --i) {
        double* y = rhs.data() + static_cast<std::size_t>(i) * S;
        if (i + 1 < m)
            for (int s = 0; s < S; ++s)
                y[s] -= at(upper_, i, s) * y[S + s];
        solve(factor_.data() + i * block, pivots_.data() + static_cast<std::size_t>(i) * S, y, S);
    }
}

void TImplicitEngine::setHistory(bool secondOrder) {
    for (std::size_t k = 0; k < u_.size(); ++k)
        history_[k] = secondOrder ? -2 * u_[k] + 0.5 * previous_[k] : -u_[k];
}

std::vector<double> TImplicitEngine::stepResidual(const std::vector<double>& u, double E) {
    setHistory(true);
    std::vector<double> g(u_.size());
    residual(u, E, 1.5, g);
    return g;
}

std::vector<double> TImplicitEngine::stepJacobianTimes(const std::vector<double>& u, double E,
                                                       const std::vector<double>& direction) {
    setHistory(true);
    std::vector<double> g(u_.size());
    residual(u, E, 1.5, g);
    const int m = nNodes() - 1, S = nSpecies_;
    const std::size_t block = static_cast<std::size_t>(S) * S;
    std::vector<double> product(u_.size(), 0.0);
    for (int i = 0; i < m; ++i) {
        const double* J = diag_.data() + i * block;
        for (int s = 0; s < S; ++s) {
            double sum = 0;
            for (int q = 0; q < S; ++q)
                sum += J[s * S + q] * at(direction, i, q);
            if (i > 0)
                sum += at(lower_, i, s) * at(direction, i - 1, s);
            if (i + 1 < m)
                sum += at(upper_, i, s) * at(direction, i + 1, s);
            at(product, i, s) = sum;
        }
    }
    return product;
}

double TImplicitEngine::step(double E, bool secondOrder) {
    // Backward differences: first order for the first step, then second.
    const double a0 = secondOrder ? 1.5 : 1.0;
    setHistory(secondOrder);
    next_ = u_;
    for (int iteration = 1;; ++iteration) {
        residual(next_, E, a0, g_);
        for (double& r : g_)
            r = -r;
        solveBlockTridiagonal(g_);
        double change = 0, size = 1;
        for (std::size_t k = 0; k < next_.size(); ++k) {
            next_[k] += g_[k];
            change = std::max(change, std::abs(g_[k]));
            size = std::max(size, std::abs(next_[k]));
        }
        if (!std::isfinite(change))
            throw EngineErrorException(
                "The simulation became unstable at E = " + FloatToGeneral(E * 1000, 6, '.') +
                " mV: a concentration is not a finite number.");
        // Without second-order terms the equations are linear: one solve
        // is the solution.
        if (linear_ || change <= 1e-12 * size)
            break;
        if (iteration == kMaxNewtonIterations)
            throw EngineErrorException("The implicit solver found no solution at E = " +
                                       FloatToGeneral(E * 1000, 6, '.') + " mV.");
    }
    previous_.swap(u_);
    u_.swap(next_);
    return current(u_);
}

// The current of the couples' rates at the step's potential, as the last
// Newton iteration left them.
double TImplicitEngine::current(const std::vector<double>& u) const {
    double reduction = 0;  // per unit area and relative concentration, cm/s
    for (std::size_t c = 0; c < couples_.size(); ++c)
        reduction += kf_[c] * at(u, 0, couples_[c].ox) - kb_[c] * at(u, 0, couples_[c].red);
    return -reduction * kFaraday * area_ * concScale_;
}

void TImplicitEngine::Run() {
    if (couples_.empty())
        throw Exception(kNoCouples);
    RunProgram(nSteps_, stepsPerPoint_,
               [this](std::int64_t index, double E) { return step(E, index > 0); });
    display_.RefreshProfiles(Profiles());
}

}  // namespace ondrel
