#include "implicit_engine.h"

#include <Eigen/Core>
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numeric>

#include "../platform/float_text.h"
#include "electrode_kinetics.h"
#include "engine_errors.h"
#include "program_check.h"

namespace ondrel {

namespace {

// The grid: intervals growing by kGrowth from the electrode out to kDepth
// diffusion lengths of the fastest species over the whole run.
constexpr double kGrowth = 1.1;
constexpr double kDepth = 6;
// The first interval: a small part of the diffusion layer of one thermal
// voltage's sweep, and of the fastest reaction's layer √(D/k).
constexpr double kOfDiffusionLayer = 0.02;
constexpr double kOfReactionLayer = 0.1;
// Past the reaction layer the reacting species are gone; the others vary
// over the diffusion layer, so the intervals grow faster until they reach
// the diffusion layer's first interval.
constexpr double kGrowthPastReactionLayer = 1.3;
// No model that can be simulated needs more; a tiny D or a huge rate
// constant can ask for any number.
constexpr int kMaxNodes = 5000;
constexpr int kMaxNewtonIterations = 30;
// A step is halved at most this many times (to about a thousandth) to find
// a solution, and one whose concentrations fall below this share of their
// scale is taken as no solution while it can be.
constexpr int kMaxHalvings = 10;
constexpr double kNegative = 1e-3;
constexpr int kChordIterations = 4;
constexpr double kNewtonTolerance = 1e-12;  // relative
// What an iteration with the Jacobian of its own iterate leaves (see
// advance) may be this share of the concentrations' scale: far below the
// time step's own error, it moves no stored current.
constexpr double kQuadraticTolerance = 1e-6;
// The electrode potential's search: |E_applied − E − i·Ru| below this (V),
// and no step larger than a few thermal voltages.
constexpr double kPotentialTolerance = 1e-10;
constexpr int kMaxPotentialIterations = 100;
constexpr double kLargestPotentialStep = 0.05;
// The start's parts (see startStep).
constexpr double kStartPart = 0.1;
constexpr int kFirstStepParts = 48;  // the first from about dt/1000
// The parts of the steps after the sweep turns with the double layer
// acting, in units of τ = Ru·Cdl: the first (a first-order step across the
// corner of the applied potential) kTurnFirstPart; later ones
// kTurnPart·e^(t/(kTurnGrowthTime·τ)) at t since the turn, each at most
// kTurnPartGrowth times the last. Second-order steps leave an error of
// about (h/τ)³ of the transient, e^(-t/τ): the parts grow as it fades,
// keeping the spike within 0.1 % of A·Cdl·v, and about 80 of them bring
// back whole steps however short τ is.
constexpr double kTurnFirstPart = 0.02;
constexpr double kTurnPart = 0.05;
constexpr double kTurnGrowthTime = 3;
constexpr double kTurnPartGrowth = 1.2;
// Program steps whose potentials rise by the same amount within this share
// run on one straight line.
constexpr double kSameRise = 1e-9;
// After a corner of the program, with the double layer acting, steps are
// taken as one only once this many times Ru·Cdl have passed.
constexpr double kSettled = 10;
// A hold (the quiet time) and each stair of a staircase are taken in parts
// that grow geometrically by 1 + growth from a first part of this share of
// the hold or the stair, and end exactly at its end (and at a stair's
// sampling point): fine where the potential has just moved and the current
// falls as 1/√t, longer as the current settles.
constexpr double kHoldFirstPart = 1e-5;
constexpr double kHoldGrowth = 0.1;
constexpr double kStairFirstPart = 1e-3;
constexpr double kStairGrowth = 0.1;

// Over the new values x of a step: the largest change |x − before| (the
// largest |x| where there is no before), the largest |x| (at least 1) and
// the lowest x. Where any x is not a finite number (x·0 is then NaN, not 0),
// the change and the size are NaN.
struct Extremes {
    double change, size, lowest;
};

Extremes extremesOf(const std::vector<double>& x, const std::vector<double>* before) {
    // One pass in pairs of values, two of each running extreme, so that
    // neither the loads nor one comparison after another hold it up.
    using Pair = Eigen::Array2d;
    const auto load = [](const double* p) { return Pair(Eigen::Map<const Pair>(p)); };
    Pair change[2] = {Pair::Zero(), Pair::Zero()}, size[2] = {Pair::Zero(), Pair::Zero()};
    Pair lowest[2] = {Pair::Zero(), Pair::Zero()}, zeros[2] = {Pair::Zero(), Pair::Zero()};
    const std::size_t n = x.size();
    const auto take = [&](int lane, std::size_t k) {
        const Pair v = load(x.data() + k);
        const Pair moved = before ? Pair(v - load(before->data() + k)) : v;
        change[lane] = change[lane].max(moved.abs());
        size[lane] = size[lane].max(v.abs());
        lowest[lane] = lowest[lane].min(v);
        zeros[lane] += v * 0.0;  // NaN where a value is not finite
    };
    std::size_t k = 0;
    for (; k + 4 <= n; k += 4) {
        take(0, k);
        take(1, k + 2);
    }
    for (; k + 2 <= n; k += 2)
        take(0, k);
    double largestChange = std::max(change[0].maxCoeff(), change[1].maxCoeff());
    double largest = std::max({1.0, size[0].maxCoeff(), size[1].maxCoeff()});
    double lowestValue = std::min(lowest[0].minCoeff(), lowest[1].minCoeff());
    double zero = (zeros[0] + zeros[1]).sum();
    for (; k < n; ++k) {
        largestChange = std::max(largestChange, std::fabs(before ? x[k] - (*before)[k] : x[k]));
        largest = std::max(largest, std::fabs(x[k]));
        lowestValue = std::min(lowestValue, x[k]);
        zero += x[k] * 0.0;
    }
    if (zero != 0) {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        return {nan, nan, nan};
    }
    return {largestChange, largest, lowestValue};
}

}  // namespace

TImplicitEngine::TImplicitEngine(const TModel& model, std::vector<CVpoint>& points,
                                 const std::atomic<bool>& freeze, EngineDisplay& display,
                                 int stepsPerMv)
    : CVSimulation(model, points, freeze, display),
      eliminatedFor_(std::numeric_limits<double>::quiet_NaN()) {
    const double T = pilot_.totalTime;
    const double v = pilot_.scanRate;
    everyStep_ = stepsPerMv > 0;
    if (pilot_.staircase()) {
        // One program step a stair, each solved in parts of its own.
        nPoints_ = 1;
        for (int s = 0; s < pilot_.halfCycles; ++s)
            nPoints_ += pilot_.Stairs(s);
        stepsPerPoint_ = 1;
        nSteps_ = nPoints_;
        dt_ = pilot_.StairDuration();
        if (everyStep_)
            refinement_ = static_cast<double>(stepsPerMv) / kStepsPerMv;
    } else {
        nPoints_ = WholeCount(v * T * 1000);
        stepsPerPoint_ = everyStep_ ? stepsPerMv : kStepsPerMv;
        nSteps_ = nPoints_ * stepsPerPoint_;
        dt_ = T / static_cast<double>(nSteps_);
    }

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
    for (double c : bulk_)
        bulkScale_ = std::max(bulkScale_, std::abs(c));
    Fastest fastest;
    for (std::size_t r = 0; r < reactions_.size(); ++r) {
        const Reaction& q = reactions_[r];
        const std::pair<double, bool> sides[] = {{q.kf, q.r2 >= 0}, {q.kb, q.p2 >= 0}};
        for (const auto& [k, secondOrder] : sides)
            if (const double rate = secondOrder ? k * bulkScale_ : k; rate > fastest.rate)
                fastest = {rate, k, static_cast<int>(r) + 1};
    }
    layGrid(fastest, used);
    formGroups();

    const int m = nNodes() - 1;
    const std::size_t unknowns = static_cast<std::size_t>(m) * nSpecies_;
    u_.resize(unknowns);
    for (int i = 0; i < m; ++i)
        for (int s = 0; s < nSpecies_; ++s)
            at(u_, i, s) = bulk_[s];
    previous_ = u_;
    next_ = u_;
    history_.resize(unknowns);
    g_.resize(unknowns);
    kf_.resize(couples_.size());
    kb_.resize(couples_.size());
    lastE_ = electrodeE_ = electrodeBefore_ = pilot_.Einitial;
    if (pilot_.irComp != 0 && pilot_.resistance > 0)
        resistance_ = pilot_.resistance;
    if (pilot_.icComp != 0 && pilot_.capacitance > 0)
        capacitance_ = pilot_.capacitance * 1e-6 * area_;  // µF/cm² over the electrode
    node0_.resize(static_cast<std::size_t>(nSpecies_) * nSpecies_);
    node0Rhs_.resize(nSpecies_);
    node0Dx_.resize(nSpecies_);
    base0_.resize(nSpecies_);
    node0Pivots_.resize(nSpecies_);
    dkf_.resize(couples_.size());
    dkb_.resize(couples_.size());
}

void TImplicitEngine::layGrid(const Fastest& fastest, const std::vector<bool>& used) {
    // The diffusion layer grows through the quiet time too.
    const double T = pilot_.totalTime + pilot_.quietTime;
    double dmin = std::numeric_limits<double>::max(), dmax = 0;
    int slowest = -1;
    // A used species' D may have vanished in the diffusion scale's product.
    for (int s = 0; s < nSpecies_; ++s)
        if (used[s]) {
            if (D_[s] < dmin) {
                dmin = D_[s];
                slowest = s;
            }
            dmax = std::max(dmax, D_[s]);
        }
    if (dmax == 0)
        dmin = dmax = diffusionScale_;
    const double thermalTime = temperature_ / (kFaradayOverR * pilot_.scanRate);
    double diffusionH = kOfDiffusionLayer * std::sqrt(dmin * thermalTime);
    // A staircase's current is sampled a share of a step after the potential
    // moved: the layer it has grown by then.
    if (pilot_.staircase())
        diffusionH = std::min(
            diffusionH,
            kOfDiffusionLayer * std::sqrt(dmin * pilot_.samplingPoint * pilot_.StairDuration()));
    double h0 = diffusionH, reactionLayer = 0;
    if (fastest.rate > 0) {
        reactionLayer = std::sqrt(dmin / fastest.rate);
        h0 = std::min(h0, kOfReactionLayer * reactionLayer);
    }
    const double depth = kDepth * std::sqrt(dmax * T);
    const auto growth = [&](double h) {
        return h > reactionLayer && h < diffusionH ? kGrowthPastReactionLayer : kGrowth;
    };

    // Counted before anything is allocated: a tiny D or a huge rate
    // constant can make the first interval vanish, or the grid endless.
    int nodes = 1;
    bool laid = h0 > 0 && std::isfinite(h0) && std::isfinite(depth);
    for (double x = 0, h = h0; laid && x < depth; h *= growth(h)) {
        laid = x + h > x && ++nodes <= kMaxNodes;
        x += h;
    }
    if (!laid) {
        std::string cause = "the diffusion coefficient D = " +
                            FloatToText(slowest >= 0 ? species_[slowest + 1].D : 1, '.');
        if (slowest >= 0)
            cause += " of species " + std::to_string(slowest + 1) + " (" +
                     species_[slowest + 1].name + ")";
        if (fastest.rate > 0 && kOfReactionLayer * reactionLayer < diffusionH)
            cause += " with the rate constant " + FloatToText(fastest.constant, '.') +
                     " of reaction " + std::to_string(fastest.reaction);
        throw Exception("The implicit solver cannot lay a grid for " + cause +
                        ": its first interval would be " + FloatToGeneral(h0, 3, '.') +
                        " cm, and it would need more than " + std::to_string(kMaxNodes) +
                        " nodes to reach the bulk.");
    }

    x_.reserve(nodes);
    x_.push_back(0);
    for (double h = h0; x_.back() < depth; h *= growth(h))
        x_.push_back(x_.back() + h);
    const int m = nNodes() - 1;  // the unknown nodes; the last holds the bulk
    for (int i = 0; i < m; ++i)
        volume_.push_back(((i > 0 ? x_[i] - x_[i - 1] : 0) + x_[i + 1] - x_[i]) / 2);
}

// Species joined by a reaction form one group (a union of the reactions'
// species); a species in a couple only is a group of its own, and an idle
// one is in none. The engine numbers its species as the system wants them:
// each group's together, the groups of several species first, then those of
// one, then the idle species.
void TImplicitEngine::formGroups() {
    std::vector<int> root(nSpecies_);
    std::iota(root.begin(), root.end(), 0);
    const auto find = [&](int s) {
        while (root[s] != s)
            s = root[s] = root[root[s]];
        return s;
    };
    for (const Reaction& r : reactions_)
        for (int s : {r.r2, r.p1, r.p2})
            if (s >= 0)
                root[find(s)] = find(r.r1);
    std::vector<std::vector<int>> members(nSpecies_);
    for (int s = 0; s < nSpecies_; ++s)
        if (D_[s] > 0)
            members[find(s)].push_back(s);
    std::stable_partition(members.begin(), members.end(),
                          [](const std::vector<int>& g) { return g.size() > 1; });
    std::vector<int> sizes;
    order_.clear();
    for (const std::vector<int>& g : members)
        if (!g.empty()) {
            sizes.push_back(static_cast<int>(g.size()));
            order_.insert(order_.end(), g.begin(), g.end());
        }
    for (int s = 0; s < nSpecies_; ++s)
        if (D_[s] == 0)
            order_.push_back(s);

    // Everything by the engine's numbers from here on.
    std::vector<int> number(nSpecies_);
    for (int e = 0; e < nSpecies_; ++e)
        number[order_[e]] = e;
    const auto renumber = [&](int& s) {
        if (s >= 0)
            s = number[s];
    };
    for (Couple& c : couples_) {
        renumber(c.ox);
        renumber(c.red);
    }
    for (Reaction& r : reactions_)
        for (int* s : {&r.r1, &r.r2, &r.p1, &r.p2})
            renumber(*s);
    std::vector<double> D(nSpecies_), bulk(nSpecies_);
    for (int e = 0; e < nSpecies_; ++e) {
        D[e] = D_[order_[e]];
        bulk[e] = bulk_[order_[e]];
    }
    D_.swap(D);
    bulk_.swap(bulk);

    const int m = nNodes() - 1;
    system_ = std::make_unique<NodeLineSystem>(m, nSpecies_, sizes);
    groups_.resize(sizes.size());
    std::vector<int> groupOf(nSpecies_, -1);
    for (int g = 0; g < system_->groupCount(); ++g)
        for (int p = 0; p < system_->groupSize(g); ++p)
            groupOf[system_->groupFirst(g) + p] = g;
    for (std::size_t r = 0; r < reactions_.size(); ++r) {
        const Reaction& q = reactions_[r];
        Group& group = groups_[groupOf[q.r1]];
        group.reactions.push_back(static_cast<int>(r));
        if (q.r2 >= 0 || q.p2 >= 0)
            group.linear = linear_ = false;
        quadraticRate_ = std::max({quadraticRate_, q.r2 >= 0 ? q.kf : 0.0, q.p2 >= 0 ? q.kb : 0.0});
    }
    for (int g = 0; g < system_->groupCount(); ++g)
        listSecondOrderTerms(g);
    toOuter_.resize(static_cast<std::size_t>(m) * nSpecies_);
    toInner_.resize(toOuter_.size());
    for (int i = 0; i < m; ++i)
        for (int e = 0; e < nSpecies_; ++e) {
            at(toOuter_, i, e) = D_[e] / (x_[i + 1] - x_[i]);
            at(toInner_, i, e) = i > 0 ? D_[e] / (x_[i] - x_[i - 1]) : 0;
            system_->setCouplings(i, e, -at(toInner_, i, e), i + 1 < m ? -at(toOuter_, i, e) : 0);
        }
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
        const int e = static_cast<int>(std::find(order_.begin(), order_.end(), s) - order_.begin());
        std::vector<double> values;
        values.reserve(kBoxes);
        int node = 0;
        for (int b = 0; b < kBoxes; ++b) {
            const double x = std::min(span * (std::pow(kChartGrowth, b) - 1), x_.back());
            while (node + 1 < m && x_[node + 1] < x)
                ++node;
            const double left = at(u_, node, e);
            const double right = node + 1 < m ? at(u_, node + 1, e) : bulk_[e];
            const double f = std::clamp((x - x_[node]) / (x_[node + 1] - x_[node]), 0.0, 1.0);
            values.push_back(left + f * (right - left));
        }
        profiles.values.push_back(std::move(values));
    }
    return profiles;
}

void TImplicitEngine::setElectrode(double E) {
    std::vector<double>& J = system_->electrode();
    std::fill(J.begin(), J.end(), 0.0);
    addCouples(E, J);
}

void TImplicitEngine::addCouples(double E, std::vector<double>& J) {
    const int S = nSpecies_;
    for (std::size_t c = 0; c < couples_.size(); ++c) {
        const Couple& q = couples_[c];
        const TransferRates rates = ButlerVolmer(q.k0, q.alpha, E, q.E0, temperature_);
        kf_[c] = rates.reduction;
        kb_[c] = rates.oxidation;
        J[q.ox * S + q.ox] += kf_[c];
        J[q.ox * S + q.red] -= kb_[c];
        J[q.red * S + q.ox] -= kf_[c];
        J[q.red * S + q.red] += kb_[c];
    }
}

// The block of each node of a group: storage in the node's share of the
// line, diffusion through its two sides (the bulk beyond the last), and the
// derivatives of the group's reactions in it.
void TImplicitEngine::assembleBlocks(int g, const std::vector<double>& u, double coefficient) {
    const int k = system_->groupSize(g), m = nNodes() - 1;
    for (int i = 0; i < m; ++i)
        std::fill_n(system_->block(g, i), k * k, 0.0);
    addLinearTerms(g, coefficient);
    addSecondOrderTerms(g, u);
}

// A group's blocks as assembleBlocks makes them, from the parts that do not
// change within a run of equal steps, kept, and the second-order reactions'
// derivatives at u. Between two such assemblies for the same coefficient
// only the entries with second-order terms have changed: those alone are
// set back.
void TImplicitEngine::assembleReactingBlocks(int g, const std::vector<double>& u,
                                             double coefficient) {
    const int k = system_->groupSize(g), m = nNodes() - 1;
    const std::size_t kk = static_cast<std::size_t>(k) * k;
    Group& group = groups_[g];
    std::vector<double>& fixed = group.fixedBlocks;
    if (group.fixedFor != coefficient) {
        for (int i = 0; i < m; ++i)
            std::fill_n(system_->block(g, i), kk, 0.0);
        addLinearTerms(g, coefficient);
        fixed.resize(kk * m);
        for (int i = 0; i < m; ++i)
            std::copy_n(system_->block(g, i), kk, fixed.data() + kk * i);
        group.fixedFor = coefficient;
    } else {
        for (int i = 0; i < m; ++i) {
            double* B = system_->block(g, i);
            const double* F = fixed.data() + kk * i;
            for (std::size_t position : group.secondOrderEntries)
                B[position] = F[position];
        }
    }
    addSecondOrderTerms(g, u);
}

void TImplicitEngine::addLinearTerms(int g, double coefficient) {
    const int first = system_->groupFirst(g), k = system_->groupSize(g);
    const int m = nNodes() - 1;
    const auto place = [first](int s) { return s - first; };
    for (int i = 0; i < m; ++i) {
        double* B = system_->block(g, i);
        const double V = volume_[i];
        for (int p = 0; p < k; ++p) {
            const int s = first + p;
            B[p * k + p] += V * coefficient + at(toOuter_, i, s) + at(toInner_, i, s);
        }
        for (int r : groups_[g].reactions) {
            const Reaction& q = reactions_[r];
            // Each side of the reaction is first order unless it has two
            // species; reagents take +V·∂rate, products −V·∂rate.
            const std::pair<int, double> partials[2] = {{q.r2 < 0 ? q.r1 : -1, q.kf},
                                                        {q.p2 < 0 ? q.p1 : -1, -q.kb}};
            for (const auto& [by, d] : partials) {
                if (by < 0 || d == 0)
                    continue;
                const int column = place(by);
                for (int s : {q.r1, q.r2})
                    if (s >= 0)
                        B[place(s) * k + column] += V * d;
                for (int s : {q.p1, q.p2})
                    if (s >= 0)
                        B[place(s) * k + column] -= V * d;
            }
        }
    }
}

// The second-order sides' derivatives: ∂(k·a·b)/∂a = k·b enters the column
// of a in the rows of the side's own species (+) and the other side's (−).
// Listed once, by block entry, so that each node only multiplies and adds.
void TImplicitEngine::listSecondOrderTerms(int g) {
    const int first = system_->groupFirst(g), k = system_->groupSize(g);
    const auto place = [first](int s) { return s - first; };
    std::vector<SecondOrderTerm>& terms = groups_[g].secondOrder;
    terms.clear();
    for (int r : groups_[g].reactions) {
        const Reaction& q = reactions_[r];
        const bool forward = q.r2 >= 0 && q.kf != 0, backward = q.p2 >= 0 && q.kb != 0;
        // ∂rate/∂(column) = constant × u(by).
        const std::array<std::array<int, 2>, 4> partials = {{{forward ? q.r1 : -1, q.r2},
                                                             {forward ? q.r2 : -1, q.r1},
                                                             {backward ? q.p1 : -1, q.p2},
                                                             {backward ? q.p2 : -1, q.p1}}};
        for (std::size_t j = 0; j < partials.size(); ++j) {
            const auto [column, by] = partials[j];
            if (column < 0)
                continue;
            const double constant = j < 2 ? q.kf : -q.kb;
            for (int s : {q.r1, q.r2})
                if (s >= 0)
                    terms.push_back(
                        {static_cast<std::size_t>(place(s) * k + place(column)), by, constant});
            for (int s : {q.p1, q.p2})
                if (s >= 0)
                    terms.push_back(
                        {static_cast<std::size_t>(place(s) * k + place(column)), by, -constant});
        }
    }
    std::vector<std::size_t>& entries = groups_[g].secondOrderEntries;
    entries.clear();
    for (const SecondOrderTerm& t : terms)
        if (std::find(entries.begin(), entries.end(), t.position) == entries.end())
            entries.push_back(t.position);
}

void TImplicitEngine::addSecondOrderTerms(int g, const std::vector<double>& u) {
    const std::vector<SecondOrderTerm>& terms = groups_[g].secondOrder;
    if (terms.empty())
        return;
    const int m = nNodes() - 1;
    for (int i = 0; i < m; ++i) {
        double* B = system_->block(g, i);
        const double V = volume_[i];
        const double* c = u.data() + static_cast<std::size_t>(i) * nSpecies_;
        for (const SecondOrderTerm& t : terms)
            B[t.position] += V * (t.constant * c[t.by]);
    }
}

// The equations of a time step, g(u) = 0: storage, diffusion, the
// reactions, and at the electrode the couples' Butler–Volmer rates at the
// potential setElectrode was given.
void TImplicitEngine::residual(const std::vector<double>& u, double coefficient,
                               std::vector<double>& g, bool withElectrode) const {
    const int m = nNodes() - 1, S = nSpecies_;
    for (int i = 0; i < m; ++i) {
        const double V = volume_[i];
        for (int s = 0; s < S; ++s) {
            if (D_[s] == 0) {
                at(g, i, s) = 0;
                continue;
            }
            const double c = at(u, i, s);
            const double outer = i + 1 < m ? at(u, i + 1, s) : bulk_[s];
            double r =
                V * (coefficient * c + at(history_, i, s)) - at(toOuter_, i, s) * (outer - c);
            if (i > 0)
                r += at(toInner_, i, s) * (c - at(u, i - 1, s));
            at(g, i, s) = r;
        }
        for (const Reaction& q : reactions_) {
            const double a = at(u, i, q.r1), b = q.r2 >= 0 ? at(u, i, q.r2) : 1;
            const double pa = q.p1 >= 0 ? at(u, i, q.p1) : 0;
            const double pb = q.p2 >= 0 ? at(u, i, q.p2) : 1;
            const double rate = V * (q.kf * a * b - (q.p1 >= 0 ? q.kb * pa * pb : 0));
            for (int s : {q.r1, q.r2})
                if (s >= 0)
                    at(g, i, s) += rate;
            for (int s : {q.p1, q.p2})
                if (s >= 0)
                    at(g, i, s) -= rate;
        }
    }
    if (!withElectrode)
        return;
    for (std::size_t c = 0; c < couples_.size(); ++c) {
        const Couple& q = couples_[c];
        const double j = kf_[c] * at(u, 0, q.ox) - kb_[c] * at(u, 0, q.red);
        at(g, 0, q.ox) += j;
        at(g, 0, q.red) -= j;
    }
}

TImplicitEngine::Difference TImplicitEngine::backwardDifference(double h) const {
    if (lastDt_ == 0)
        return {1 / h, -1 / h, 0};
    // Second order over unequal steps, ω = h / h₋₁:
    // ((1 + 2ω) u₊ − (1 + ω)² u + ω² u₋) / ((1 + ω) h).
    const double w = h / lastDt_;
    return {(1 + 2 * w) / ((1 + w) * h), -(1 + w) / h, w * w / ((1 + w) * h)};
}

void TImplicitEngine::setHistory(const Difference& difference) {
    for (std::size_t k = 0; k < u_.size(); ++k)
        history_[k] = difference.now * u_[k] + difference.before * previous_[k];
}

std::vector<double> TImplicitEngine::stepResidual(const std::vector<double>& u, double E) {
    const double saved = lastDt_;
    lastDt_ = dt_;
    const Difference difference = backwardDifference(dt_);
    lastDt_ = saved;
    setHistory(difference);
    setElectrode(E);
    std::vector<double> g(u_.size());
    residual(u, difference.coefficient, g);
    return g;
}

std::vector<double> TImplicitEngine::stepJacobianTimes(const std::vector<double>& u, double E,
                                                       const std::vector<double>& direction) {
    const double coefficient = 1.5 / dt_;
    setElectrode(E);
    for (int g = 0; g < system_->groupCount(); ++g) {
        assembleBlocks(g, u, coefficient);
        groups_[g].fixedFor = std::numeric_limits<double>::quiet_NaN();
    }
    eliminatedFor_ = jacobianFor_ = std::numeric_limits<double>::quiet_NaN();
    std::vector<double> product;
    system_->multiply(direction, product);
    return product;
}

// The right-hand side of a step's equations written for the new values,
// with the terms of the second-order reactions taken as linear about u
// (none without u): the present and earlier values' share of the
// difference, the bulk beyond the last node, and for each second-order term
// q(u) its J·u − q(u) = q(u), so that the solution is one Newton iteration
// from u. With jacobianAt, the reacting groups' blocks hold the Jacobian at
// those values instead, and the term is J(jacobianAt)·u − q(u): the
// solution is one iteration from u with that Jacobian.
void TImplicitEngine::stepRhs(const Difference& difference, std::vector<double>& rhs,
                              const std::vector<double>* u,
                              const std::vector<double>* jacobianAt) const {
    const int m = nNodes() - 1;
    const double now = -difference.now, before = -difference.before;
    for (int i = 0; i < m; ++i) {
        const double V = volume_[i];
        const std::size_t first = static_cast<std::size_t>(i) * nSpecies_;
        for (int s = 0; s < nSpecies_; ++s)
            rhs[first + s] = V * (now * u_[first + s] + before * previous_[first + s]);
    }
    for (int s = 0; s < nSpecies_; ++s)
        at(rhs, m - 1, s) += at(toOuter_, m - 1, s) * bulk_[s];
    if (u == nullptr)
        return;
    for (const Reaction& q : reactions_) {
        const bool forward = q.r2 >= 0, backward = q.p2 >= 0;
        if (!forward && !backward)
            continue;
        // k·a·b, or k·(a_J·b + b_J·a − a·b) with the Jacobian at J.
        const auto term = [&](double k, int i, int a, int b) {
            const double ua = at(*u, i, a), ub = at(*u, i, b);
            if (jacobianAt == nullptr)
                return k * ua * ub;
            return k * (at(*jacobianAt, i, a) * ub + at(*jacobianAt, i, b) * ua - ua * ub);
        };
        for (int i = 0; i < m; ++i) {
            const double rate = volume_[i] * ((forward ? term(q.kf, i, q.r1, q.r2) : 0) -
                                              (backward ? term(q.kb, i, q.p1, q.p2) : 0));
            for (int s : {q.r1, q.r2})
                if (s >= 0)
                    at(rhs, i, s) += rate;
            for (int s : {q.p1, q.p2})
                if (s >= 0)
                    at(rhs, i, s) -= rate;
        }
    }
}

// A step that finds no solution, or one whose concentrations fall well
// below zero (Newton's method may end at a root that is no concentration),
// is taken again in two halves, down to a thousandth of it; where the
// equations are linear, their solution is the only one.
double TImplicitEngine::advance(double h, double E, int depth) {
    const StepOutcome outcome = solveStep(h, E);
    if (outcome == StepOutcome::Solved ||
        (outcome == StepOutcome::Negative && (linear_ || depth == kMaxHalvings)))
        return finishStep(h, E);
    if (linear_ || depth == kMaxHalvings) {
        if (outcome == StepOutcome::NotFinite)
            throw EngineErrorException(
                "The simulation became unstable at E = " + FloatToGeneral(E * 1000, 6, '.') +
                " mV: a concentration is not a finite number.");
        throw EngineErrorException("The implicit solver found no solution at E = " +
                                   FloatToGeneral(E * 1000, 6, '.') + " mV.");
    }
    const double start = lastE_;
    advance(h / 2, start + (E - start) / 2, depth + 1);
    return advance(h / 2, E, depth + 1);
}

// The reacting groups' blocks at the values in next_, eliminated.
void TImplicitEngine::renewJacobian(double coefficient) {
    for (int g = 0; g < system_->groupCount(); ++g)
        if (!groups_[g].linear) {
            assembleReactingBlocks(g, next_, coefficient);
            system_->eliminate(g);
        }
    jacobianAt_ = next_;
    jacobianFor_ = coefficient;
}

TImplicitEngine::StepOutcome TImplicitEngine::solveStep(double h, double E) {
    const Difference difference = backwardDifference(h);
    const double coefficient = difference.coefficient;
    const Difference capacitor = capacitorRestarts_ ? Difference{1 / h, -1 / h, 0} : difference;
    // With the cell acting, the electrode's potential is found with node 0
    // (solveElectrode): the system's own electrode terms stay empty.
    if (!cellActs())
        setElectrode(E);
    if (coefficient != eliminatedFor_) {
        for (int g = 0; g < system_->groupCount(); ++g)
            if (groups_[g].linear) {
                assembleBlocks(g, u_, coefficient);
                system_->eliminate(g);
            }
        eliminatedFor_ = coefficient;
    }
    // Solved for the new values at once: exactly where the equations are
    // linear; otherwise as the first iteration of Newton's method, from the
    // values extrapolated along the last step.
    const int m = nNodes() - 1;
    const auto solveFor = [&](std::vector<double>& solution) {
        if (cellActs()) {
            system_->inward(solution);
            std::fill(base0_.begin(), base0_.end(), 0.0);
            solveElectrode(E, capacitor, solution, base0_);
            system_->outward(solution);
        } else {
            system_->solve(solution);
        }
        for (int s = 0; s < nSpecies_; ++s)
            if (D_[s] == 0)
                for (int i = 0; i < m; ++i)
                    at(solution, i, s) = at(u_, i, s);
    };
    if (linear_) {
        stepRhs(difference, next_, nullptr);
        solveFor(next_);
        // A value that is not finite makes the sum so.
        return std::isfinite(std::accumulate(next_.begin(), next_.end(), 0.0))
                   ? StepOutcome::Solved
                   : StepOutcome::NotFinite;
    }
    const double w = lastDt_ > 0 ? h / lastDt_ : 0;
    for (std::size_t k = 0; k < u_.size(); ++k)
        next_[k] = std::max(0.0, u_[k] + w * (u_[k] - previous_[k]));
    // The reacting groups' Jacobian is that of the extrapolated values, or
    // the one eliminated last where it is as good: with the Jacobian at
    // values that differ by Δ, the iteration leaves k·(Δ + δ)·δ of a change
    // δ (against at least V·coefficient on the diagonal) instead of k·δ².
    // It is kept where the last step's change predicts no more than the
    // tolerance, and the step taken again with the Jacobian renewed where the
    // change found leaves more.
    double moved = std::numeric_limits<double>::infinity();
    if (jacobianFor_ == coefficient) {
        using Values = Eigen::Map<const Eigen::ArrayXd>;
        const auto n = static_cast<Eigen::Index>(next_.size());
        moved = (Values(next_.data(), n) - Values(jacobianAt_.data(), n)).abs().maxCoeff();
    }
    const auto remainder = [&](double delta) {
        return quadraticRate_ * (moved + delta) * delta / coefficient;
    };
    bool kept = remainder(lastChange_) <= kQuadraticTolerance;
    if (!kept) {
        renewJacobian(coefficient);
        moved = 0;
    }
    stepRhs(difference, g_, &next_, kept ? &jacobianAt_ : nullptr);
    solveFor(g_);
    Extremes first = extremesOf(g_, &next_);
    if (kept && !(remainder(first.change) <= kQuadraticTolerance * first.size)) {
        renewJacobian(coefficient);
        moved = 0;
        stepRhs(difference, g_, &next_, nullptr);
        solveFor(g_);
        first = extremesOf(g_, &next_);
    }
    next_.swap(g_);
    lastChange_ = first.change;
    if (!std::isfinite(first.change))
        return StepOutcome::NotFinite;
    double change = first.change, size = first.size;
    // After an iteration with the Jacobian of its own iterate, what is left
    // is the second-order terms of the change: V·k·δ² against at least
    // V·coefficient on the diagonal.
    if (remainder(change) <= kQuadraticTolerance * size)
        return checkSigns(first.lowest);

    // Newton's method goes on from there on the residual, the reacting
    // groups' Jacobian kept while the iteration converges quickly (a chord
    // method), then renewed. Its iterates are kept to concentrations (no
    // value below zero): where two reactants of a fast second-order
    // reaction both overshoot below zero, their product k·a·b is positive
    // again, and the iteration is drawn to a root that is no concentration
    // (or halves its way towards a double root, never converging), whichever
    // the rounding of the elimination happens to favour. The convergence
    // test stays on the whole correction, so that a value held at zero ends
    // the iteration only where the equations' own root is as close.
    setHistory(difference);
    for (double& v : next_)
        v = std::max(0.0, v);
    for (int iteration = 2;; ++iteration) {
        const bool fresh = iteration > kChordIterations;
        if (fresh)
            renewJacobian(coefficient);
        residual(next_, coefficient, g_, !cellActs());
        for (double& r : g_)
            r = -r;
        if (cellActs()) {
            system_->inward(g_);
            std::copy_n(next_.begin(), nSpecies_, base0_.begin());
            solveElectrode(E, capacitor, g_, base0_);
            system_->outward(g_);
        } else {
            system_->solve(g_);
        }
        const double corrections = extremesOf(g_, nullptr).change;
        for (std::size_t k = 0; k < next_.size(); ++k)
            next_[k] = std::max(0.0, next_[k] + g_[k]);
        const Extremes now = extremesOf(next_, nullptr);
        change = corrections;
        size = now.size;
        if (!std::isfinite(change) || !std::isfinite(size))
            return StepOutcome::NotFinite;
        if (change <= kNewtonTolerance * size ||
            (fresh && quadraticRate_ * change * change / coefficient <= kQuadraticTolerance * size))
            return checkSigns(now.lowest);
        if (iteration == kMaxNewtonIterations)
            return StepOutcome::NoSolution;
    }
}

TImplicitEngine::StepOutcome TImplicitEngine::checkSigns(double lowest) const {
    // Against the largest bulk concentration (at least 1): a solution that
    // ran away has grown its own scale with it.
    return lowest < -kNegative * bulkScale_ ? StepOutcome::Negative : StepOutcome::Solved;
}

double TImplicitEngine::finishStep(double h, double E) {
    previous_.swap(u_);
    u_.swap(next_);
    lastDt_ = h;
    lastE_ = E;
    if (!cellActs())
        return current(u_);
    electrodeBefore_ = electrodeE_;
    electrodeE_ = pendingE_;
    capacitorRestarts_ = false;
    return pendingCurrent_;
}

// Newton's method on the potential alone: every other unknown of node 0
// follows from it through one small solve, and the residual
// φ(E) = E_applied − E − Ru·i(E) falls steadily with E (a higher potential
// oxidises more and charges the capacitor more), so the root is unique.
double TImplicitEngine::solveElectrode(double applied, const Difference& difference,
                                       std::vector<double>& rhs, const std::vector<double>& base) {
    const int S = nSpecies_;
    const std::vector<double>& reduced = system_->node0();
    std::vector<double>& y = node0Rhs_;
    for (int p = 0; p < S; ++p) {
        double sum = rhs[p];
        for (int q = 0; q < S; ++q)
            sum += reduced[p * S + q] * base[q];
        y[p] = sum;
    }
    const double history = difference.now * electrodeE_ + difference.before * electrodeBefore_;
    const double perVolt = kFaradayOverR / temperature_;
    const double toAmperes = kFaraday * area_ * concScale_;
    std::vector<double>& x = rhs;  // node 0's concentrations, in place
    std::vector<double>& dx = node0Dx_;
    double phi = 0, slope = -1;
    // The total current at potential E, with φ and dφ/dE.
    const auto evaluate = [&](double E) {
        std::copy(reduced.begin(), reduced.end(), node0_.begin());
        addCouples(E, node0_);
        FactoriseSmall(node0_.data(), node0Pivots_.data(), S);
        std::copy_n(y.begin(), S, x.begin());
        SolveFactorisedSmall(node0_.data(), node0Pivots_.data(), x.data(), S);
        // dx/dE = −M⁻¹ (dM/dE) x.
        std::fill(dx.begin(), dx.end(), 0.0);
        std::vector<double>& dkf = dkf_;
        std::vector<double>& dkb = dkb_;
        for (std::size_t c = 0; c < couples_.size(); ++c) {
            const Couple& q = couples_[c];
            dkf[c] = -q.alpha * perVolt * kf_[c];
            dkb[c] = (1 - q.alpha) * perVolt * kb_[c];
            const double d = dkf[c] * x[q.ox] - dkb[c] * x[q.red];
            dx[q.ox] -= d;
            dx[q.red] += d;
        }
        SolveFactorisedSmall(node0_.data(), node0Pivots_.data(), dx.data(), S);
        double rate = 0, dRate = 0;
        for (std::size_t c = 0; c < couples_.size(); ++c) {
            const Couple& q = couples_[c];
            rate += kf_[c] * x[q.ox] - kb_[c] * x[q.red];
            dRate += dkf[c] * x[q.ox] + kf_[c] * dx[q.ox] - dkb[c] * x[q.red] - kb_[c] * dx[q.red];
        }
        const double I = -rate * toAmperes + capacitance_ * (difference.coefficient * E + history);
        phi = applied - E - resistance_ * I;
        slope = -1 - resistance_ * (-dRate * toAmperes + capacitance_ * difference.coefficient);
        return I;
    };

    double E = applied, I = 0;
    if (resistance_ > 0) {
        // From the last drop, carried to the new applied potential.
        E = electrodeE_ + (applied - lastE_);
        // φ falls with E: the iterates keep a bracket of the root, and a
        // Newton step that would leave it halves it instead.
        double below = -std::numeric_limits<double>::infinity();
        double above = std::numeric_limits<double>::infinity();
        for (int iteration = 1;; ++iteration) {
            I = evaluate(E);
            if (std::fabs(phi) <= kPotentialTolerance)
                break;
            if (!std::isfinite(phi) || iteration == kMaxPotentialIterations)
                throw EngineErrorException(
                    "The implicit solver found no electrode potential at E = " +
                    FloatToGeneral(applied * 1000, 6, '.') +
                    " mV with Ru = " + FloatToText(resistance_, '.') + " ohm.");
            (phi > 0 ? below : above) = E;
            double next =
                E + std::clamp(-phi / slope, -kLargestPotentialStep, kLargestPotentialStep);
            if (!(next > below && next < above) && std::isfinite(below) && std::isfinite(above))
                next = (below + above) / 2;
            if (next == E)
                break;
            E = next;
        }
    } else {
        I = evaluate(E);
    }
    for (int s = 0; s < S; ++s)
        x[s] = D_[s] > 0 ? x[s] - base[s] : 0;
    pendingE_ = E;
    pendingCurrent_ = I;
    return I;
}

// A sweep that starts where current flows starts like a potential step: its
// current falls as 1/√t at first, and steps of a fixed length follow that
// badly. The first steps are taken in parts that grow with the time since
// the start (a part about kStartPart of it, the first step's parts growing
// geometrically from a small one), the potential moving in proportion.
double TImplicitEngine::startStep(std::int64_t index, double E) {
    const double start = lastE_;
    std::vector<double>& parts = startParts_;
    parts.clear();
    if (index == 0) {
        const double ratio = 1 + kStartPart;
        const double first = (ratio - 1) / (std::pow(ratio, kFirstStepParts) - 1);
        for (int j = 0; j < kFirstStepParts; ++j)
            parts.push_back(first * std::pow(ratio, j));
    } else {
        const int n = static_cast<int>(std::ceil(1 / (kStartPart * static_cast<double>(index))));
        parts.assign(n, 1.0 / n);
    }
    double I = 0, t = 0;
    for (std::size_t j = 0; j < parts.size(); ++j) {
        t += parts[j];
        const double h = j + 1 == parts.size() ? dt_ * (1 - (t - parts[j])) : dt_ * parts[j];
        I = advance(h, j + 1 == parts.size() ? E : start + (E - start) * t);
    }
    return I;
}

double TImplicitEngine::chargingStep(double E) {
    const int direction = (E > lastE_) - (E < lastE_);
    if (direction != lastDirection_) {
        lastDirection_ = direction;
        sinceTurn_ = 0;
        turnPart_ = 0;
        capacitorRestarts_ = true;
    }
    const double tau = resistance_ * capacitance_;
    if (!(tau > 0) || turnPart_ >= dt_) {
        sinceTurn_ += dt_;
        return advance(dt_, E);
    }
    const double start = lastE_;
    double done = 0;
    for (;;) {
        turnPart_ = turnPart_ == 0
                        ? kTurnFirstPart * tau
                        : std::min(kTurnPart * tau * std::exp(sinceTurn_ / (kTurnGrowthTime * tau)),
                                   kTurnPartGrowth * turnPart_);
        // What is left of the step in equal parts of at most turnPart_.
        const double left = dt_ - done;
        const double parts = std::ceil(left / turnPart_);
        if (parts <= 1) {
            sinceTurn_ += left;
            return advance(left, E);
        }
        const double h = left / parts;
        done += h;
        sinceTurn_ += h;
        advance(h, start + (E - start) * done / dt_);
    }
}

// The current of the couples' rates at the step's potential.
double TImplicitEngine::current(const std::vector<double>& u) const {
    double reduction = 0;  // per unit area and relative concentration, cm/s
    for (std::size_t c = 0; c < couples_.size(); ++c)
        reduction += kf_[c] * at(u, 0, couples_[c].ox) - kb_[c] * at(u, 0, couples_[c].red);
    return -reduction * kFaraday * area_ * concScale_;
}

// The program's steps since the last stored point, one dt_ apart, path
// holding their potentials. Where the program runs straight on, several are
// taken as one, a run at most twice as long as the step before (so that the
// second-order difference stays stable); a step ends wherever the program
// turns, holds or resumes. The start keeps its own finer steps, and so does
// the double layer's charging after a corner (chargingStep) until it has
// settled.
double TImplicitEngine::advancePath(std::int64_t index, const std::vector<double>& path) {
    const std::int64_t first = index + 1 - static_cast<std::int64_t>(path.size());
    const auto sameRise = [](double a, double b) {
        return std::fabs(a - b) <= kSameRise * std::fabs(b);
    };
    const double tau = resistance_ * capacitance_;
    double I = 0;
    for (std::size_t j = 0; j < path.size();) {
        const double E = path[j], rise = E - lastE_;
        const int direction = (rise > 0) - (rise < 0);
        if (static_cast<double>(first) + static_cast<double>(j) < 1 / kStartPart) {
            // The start's own parts resolve the double layer's first
            // charging.
            lastDirection_ = direction;
            I = startStep(first + static_cast<std::int64_t>(j), E);
            ++j;
            sinceTurn_ = static_cast<double>(first + static_cast<std::int64_t>(j)) * dt_;
            continue;
        }
        if (capacitance_ > 0 && (direction != lastDirection_ || sinceTurn_ < kSettled * tau)) {
            I = chargingStep(E);
            ++j;
            continue;
        }
        const std::size_t most =
            std::max<std::size_t>(1, static_cast<std::size_t>(2 * lastDt_ / dt_ + 1e-9));
        std::size_t n = 1;
        while (j + n < path.size() && n < most && sameRise(path[j + n] - path[j + n - 1], rise))
            ++n;
        I = advance(static_cast<double>(n) * dt_, path[j + n - 1]);
        sinceTurn_ += static_cast<double>(n) * dt_;
        j += n;
    }
    return I;
}

double TImplicitEngine::holdSteps(double duration, double E, double first, double growth,
                                  bool jumped, bool awaitBetween) {
    // With the double layer charging through Ru, the parts also follow its
    // relaxation from the jump, as after a turn of a sweep (chargingStep).
    const double tau = resistance_ * capacitance_;
    double part = first, done = 0, I = 0;
    for (int j = 0;; ++j) {
        if (awaitBetween && j > 0)
            AwaitNextStep();
        // The capacitor's current after a jump of the applied potential:
        // first-order differences over the jump and the step after it, so
        // that no share of the jump is carried on.
        if (jumped && j < 2)
            capacitorRestarts_ = true;
        double h = part;
        if (jumped && tau > 0)
            h = std::min(h, kTurnPart * tau * std::exp(done / (kTurnGrowthTime * tau)));
        const double left = duration - done;
        if (h >= left)
            return advance(left, E);
        // The rest in two equal parts rather than a long one and a sliver.
        if (left < 2 * h)
            h = left / 2;
        done += h;
        I = advance(h, E);
        part *= growth;
    }
    return I;
}

void TImplicitEngine::RunQuietTime() {
    if (!(pilot_.quietTime > 0))
        return;
    holdSteps(pilot_.quietTime, pilot_.Einitial, pilot_.quietTime * kHoldFirstPart, 1 + kHoldGrowth,
              lastDt_ == 0, true);
}

double TImplicitEngine::stairStep(double E) {
    const double stair = dt_, sampled = pilot_.samplingPoint * stair;
    const double growth = 1 + kStairGrowth / refinement_;
    // A step that holds the potential the last one held goes on from that
    // one's parts; one that moves it (or the first, from the bulk) starts
    // from a small part, as a potential step does.
    const bool jumped = E != lastE_ || lastDt_ == 0;
    const double first = jumped ? stair * kStairFirstPart / refinement_ : lastDt_ * growth;
    const double I = holdSteps(sampled, E, first, growth, jumped, false);
    if (sampled < stair)
        holdSteps(stair - sampled, E, lastDt_ * growth, growth, false, false);
    return I;
}

void TImplicitEngine::Run() {
    if (couples_.empty())
        throw Exception(kNoCouples);
    if (pilot_.staircase())
        RunProgram(nSteps_, stepsPerPoint_,
                   [this](std::int64_t, double E) { return stairStep(E); });
    else if (everyStep_)
        RunProgram(nSteps_, stepsPerPoint_, [this](std::int64_t index, double E) {
            if (static_cast<double>(index) < 1 / kStartPart) {
                // The start's own parts resolve the double layer's first
                // charging.
                lastDirection_ = (E > lastE_) - (E < lastE_);
                return startStep(index, E);
            }
            return capacitance_ > 0 ? chargingStep(E) : advance(dt_, E);
        });
    else
        RunProgramByPoints(nSteps_, stepsPerPoint_,
                           [this](std::int64_t index, const std::vector<double>& path) {
                               return advancePath(index, path);
                           });
    display_.RefreshProfiles(Profiles());
}

}  // namespace ondrel
