#include "node_line_system.h"

#include <Eigen/Core>
#include <Eigen/LU>
#include <algorithm>
#include <cmath>
#include <utility>

namespace ondrel {

namespace {

// Inverts the n × n matrix a (row-major) into inverse by Gauss–Jordan
// elimination with partial pivoting; a is destroyed. A singular matrix gives
// non-finite values. N > 0 fixes n at compile time, so that the loops of the
// small blocks unroll.
template <int N>
void invert(double* a, double* inverse, int size) {
    const int n = N > 0 ? N : size;
    std::fill_n(inverse, n * n, 0.0);
    for (int i = 0; i < n; ++i)
        inverse[i * n + i] = 1;
    for (int k = 0; k < n; ++k) {
        int p = k;
        for (int r = k + 1; r < n; ++r)
            if (std::fabs(a[r * n + k]) > std::fabs(a[p * n + k]))
                p = r;
        if (p != k)
            for (int c = 0; c < n; ++c) {
                std::swap(a[k * n + c], a[p * n + c]);
                std::swap(inverse[k * n + c], inverse[p * n + c]);
            }
        const double pivot = 1 / a[k * n + k];
        for (int c = 0; c < n; ++c) {
            a[k * n + c] *= pivot;
            inverse[k * n + c] *= pivot;
        }
        for (int r = 0; r < n; ++r) {
            const double f = a[r * n + k];
            if (r == k || f == 0)
                continue;
            for (int c = 0; c < n; ++c) {
                a[r * n + c] -= f * a[k * n + c];
                inverse[r * n + c] -= f * inverse[k * n + c];
            }
        }
    }
}

}  // namespace

void FactoriseSmall(double* a, int* pivot, int n) {
    for (int k = 0; k < n; ++k) {
        int p = k;
        for (int r = k + 1; r < n; ++r)
            if (std::fabs(a[r * n + k]) > std::fabs(a[p * n + k]))
                p = r;
        pivot[k] = p;
        if (p != k)
            for (int c = 0; c < n; ++c)
                std::swap(a[k * n + c], a[p * n + c]);
        const double d = a[k * n + k];
        for (int r = k + 1; r < n; ++r) {
            const double f = a[r * n + k] / d;
            a[r * n + k] = f;
            if (f != 0)
                for (int c = k + 1; c < n; ++c)
                    a[r * n + c] -= f * a[k * n + c];
        }
    }
}

void SolveFactorisedSmall(const double* lu, const int* pivot, double* b, int n) {
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

namespace {

// y = M y for a k × k block M, with the small sizes unrolled; scratch holds
// k values.
template <int K>
inline void multiplyFixed(const double* M, double* y) {
    double product[K];
    for (int p = 0; p < K; ++p) {
        double sum = 0;
        for (int q = 0; q < K; ++q)
            sum += M[p * K + q] * y[q];
        product[p] = sum;
    }
    for (int p = 0; p < K; ++p)
        y[p] = product[p];
}

inline void multiplyInPlace(const double* M, double* y, int k, double* scratch) {
    switch (k) {
        case 1:
            y[0] *= M[0];
            return;
        case 2:
            return multiplyFixed<2>(M, y);
        case 3:
            return multiplyFixed<3>(M, y);
        case 4:
            return multiplyFixed<4>(M, y);
        default:
            for (int p = 0; p < k; ++p) {
                double sum = 0;
                for (int q = 0; q < k; ++q)
                    sum += M[p * k + q] * y[q];
                scratch[p] = sum;
            }
            for (int p = 0; p < k; ++p)
                y[p] = scratch[p];
    }
}

// x −= M b for a k × k block M.
template <int K>
inline void subtractFixed(const double* M, const double* b, double* x) {
    for (int p = 0; p < K; ++p) {
        double sum = 0;
        for (int q = 0; q < K; ++q)
            sum += M[p * K + q] * b[q];
        x[p] -= sum;
    }
}

inline void subtractProduct(const double* M, const double* b, double* x, int k) {
    switch (k) {
        case 1:
            x[0] -= M[0] * b[0];
            return;
        case 2:
            return subtractFixed<2>(M, b, x);
        case 3:
            return subtractFixed<3>(M, b, x);
        case 4:
            return subtractFixed<4>(M, b, x);
        default:
            for (int p = 0; p < k; ++p) {
                double sum = 0;
                for (int q = 0; q < k; ++q)
                    sum += M[p * k + q] * b[q];
                x[p] -= sum;
            }
    }
}

}  // namespace

NodeLineSystem::NodeLineSystem(int nodes, int species, const std::vector<int>& sizes)
    : nodes_(nodes), species_(species) {
    for (int k : sizes) {
        groups_.push_back({groupedEnd_, k, blockSize_});
        blockSize_ += static_cast<std::size_t>(k) * k;
        groupedEnd_ += k;
        if (k > 1)
            pairedEnd_ = groupedEnd_;
    }
    blocks_.assign(static_cast<std::size_t>(nodes_) * blockSize_, 0.0);
    inverses_ = carries_ = blocks_;
    reduced_.assign(blockSize_, 0.0);
    const std::size_t unknowns = static_cast<std::size_t>(nodes_) * species_;
    inward_.assign(unknowns, 0.0);
    outward_.assign(unknowns, 0.0);
    singleInverse_.assign(unknowns, 0.0);
    singleCarry_.assign(unknowns, 0.0);
    electrode_.assign(static_cast<std::size_t>(species_) * species_, 0.0);
    node0_.assign(electrode_.size(), 0.0);
    carried_.assign(species_, 0.0);
    scratch_.assign(static_cast<std::size_t>(species_) * species_, 0.0);
    pivots_.assign(species_, 0);
}

// From the outermost node inward: S_i = B_i − O_i S_{i+1}⁻¹ I_{i+1}, with O and
// I the diagonal outward and inward couplings. The inverses are kept, with
// S_i⁻¹ I_i for the outward pass; node 0's S_0 is the group's share of the
// electrode's system.
void NodeLineSystem::eliminate(int g) {
    switch (groups_[g].size) {
        case 1:
            return eliminateGroup<1>(g);
        case 2:
            return eliminateFixed<2>(g);
        case 3:
            return eliminateFixed<3>(g);
        case 4:
            return eliminateFixed<4>(g);
        default:
            return eliminateGroup<0>(g);
    }
}

// eliminateGroup for the block sizes of Eigen's fixed-size inverses, the
// block of each node held in registers from its assembly to its inverse.
template <int K>
void NodeLineSystem::eliminateFixed(int g) {
    using Block = Eigen::Matrix<double, K, K, Eigen::RowMajor>;
    using Column = Eigen::Matrix<double, K, 1>;
    const int first = groups_[g].first;
    for (int node = nodes_ - 1; node >= 0; --node) {
        Block S = Eigen::Map<const Block>(block(g, node));
        if (node + 1 < nodes_) {
            const Eigen::Map<const Column> o(outward_.data() + index(node, first));
            const Eigen::Map<const Column> in(inward_.data() + index(node + 1, first));
            S -= o.asDiagonal() *
                 Eigen::Map<const Block>(inverses_.data() + blockOffset(g, node + 1)) *
                 in.asDiagonal();
        }
        if (node == 0) {
            Eigen::Map<Block>(reduced_.data() + groups_[g].offset) = S;
            break;
        }
        Eigen::Map<Block> inverse(inverses_.data() + blockOffset(g, node));
        inverse = S.inverse();
        Eigen::Map<Block>(carries_.data() + blockOffset(g, node)) =
            inverse * Eigen::Map<const Column>(inward_.data() + index(node, first)).asDiagonal();
    }
}

template <int K>
void NodeLineSystem::eliminateGroup(int g) {
    const int k = K > 0 ? K : groups_[g].size, first = groups_[g].first;
    const std::size_t kk = static_cast<std::size_t>(k) * k;
    double* S = scratch_.data();
    for (int node = nodes_ - 1; node >= 0; --node) {
        std::copy_n(block(g, node), kk, S);
        if (node + 1 < nodes_) {
            const double* next = inverses_.data() + blockOffset(g, node + 1);
            const double* o = outward_.data() + index(node, first);
            const double* in = inward_.data() + index(node + 1, first);
            for (int p = 0; p < k; ++p)
                for (int q = 0; q < k; ++q)
                    S[p * k + q] -= o[p] * next[p * k + q] * in[q];
        }
        if (node == 0) {
            std::copy_n(S, kk, reduced_.data() + groups_[g].offset);
            break;
        }
        double* inverse = inverses_.data() + blockOffset(g, node);
        double* carry = carries_.data() + blockOffset(g, node);
        const double* in = inward_.data() + index(node, first);
        if (k == 1) {
            inverse[0] = 1 / S[0];
            carry[0] = inverse[0] * in[0];
            singleInverse_[index(node, first)] = inverse[0];
            singleCarry_[index(node, first)] = carry[0];
            continue;
        }
        invert<K>(S, inverse, k);
        for (int p = 0; p < k; ++p)
            for (int q = 0; q < k; ++q)
                carry[p * k + q] = inverse[p * k + q] * in[q];
    }
}

void NodeLineSystem::solve(std::vector<double>& rhs) {
    inward(rhs);
    std::vector<double>& A = node0();
    FactoriseSmall(A.data(), pivots_.data(), species_);
    SolveFactorisedSmall(A.data(), pivots_.data(), rhs.data(), species_);
    outward(rhs);
}

void NodeLineSystem::inward(std::vector<double>& rhs) {
    const int S = species_;
    double* w = rhs.data();
    // Inward: z_i = S_i⁻¹ (r_i − O_i z_{i+1}), kept in place of r_i.
    for (int node = nodes_ - 1; node >= 1; --node) {
        double* y = w + index(node, 0);
        if (node + 1 < nodes_) {
            const double* o = outward_.data() + index(node, 0);
            const double* z = y + S;
            for (int j = 0; j < groupedEnd_; ++j)
                y[j] -= o[j] * z[j];
        }
        const double* inverses = inverses_.data() + static_cast<std::size_t>(node) * blockSize_;
        for (const Group& g : groups_) {
            if (g.first >= pairedEnd_)
                break;
            multiplyInPlace(inverses + g.offset, y + g.first, g.size, carried_.data());
        }
        const double* single = singleInverse_.data() + index(node, 0);
        for (int j = pairedEnd_; j < groupedEnd_; ++j)
            y[j] *= single[j];
    }
    if (nodes_ > 1) {
        const double* o = outward_.data();
        for (int j = 0; j < groupedEnd_; ++j)
            w[j] -= o[j] * w[S + j];
    }

    // A species of no group gets the row of a zero solution.
    for (int j = groupedEnd_; j < S; ++j)
        w[j] = 0;
}

std::vector<double>& NodeLineSystem::node0() {
    const int S = species_;
    // Every group's reduced block and the electrode's terms.
    std::copy(electrode_.begin(), electrode_.end(), node0_.begin());
    for (const Group& g : groups_)
        for (int p = 0; p < g.size; ++p)
            for (int q = 0; q < g.size; ++q)
                node0_[(g.first + p) * S + g.first + q] += reduced_[g.offset + p * g.size + q];
    for (int j = groupedEnd_; j < S; ++j) {
        std::fill_n(node0_.data() + j * S, S, 0.0);
        node0_[j * S + j] = 1;
    }
    return node0_;
}

void NodeLineSystem::outward(std::vector<double>& rhs) {
    const int S = species_;
    double* w = rhs.data();
    // x_i = z_i − S_i⁻¹ I_i x_{i−1}.
    for (int node = 1; node < nodes_; ++node) {
        double* x = w + index(node, 0);
        const double* before = x - S;
        const double* carries = carries_.data() + static_cast<std::size_t>(node) * blockSize_;
        for (const Group& g : groups_) {
            if (g.first >= pairedEnd_)
                break;
            subtractProduct(carries + g.offset, before + g.first, x + g.first, g.size);
        }
        const double* single = singleCarry_.data() + index(node, 0);
        for (int j = pairedEnd_; j < groupedEnd_; ++j)
            x[j] -= single[j] * before[j];
        for (int j = groupedEnd_; j < S; ++j)
            x[j] = 0;
    }
}

void NodeLineSystem::multiply(const std::vector<double>& x, std::vector<double>& product) const {
    const int S = species_;
    product.assign(x.size(), 0.0);
    for (int g = 0; g < groupCount(); ++g) {
        const Group& group = groups_[g];
        const int k = group.size;
        for (int node = 0; node < nodes_; ++node) {
            const double* B = block(g, node);
            for (int p = 0; p < k; ++p) {
                const int s = group.first + p;
                double sum = 0;
                for (int q = 0; q < k; ++q)
                    sum += B[p * k + q] * x[index(node, group.first + q)];
                if (node > 0)
                    sum += inward_[index(node, s)] * x[index(node - 1, s)];
                if (node + 1 < nodes_)
                    sum += outward_[index(node, s)] * x[index(node + 1, s)];
                product[index(node, s)] = sum;
            }
        }
    }
    for (int s = 0; s < S; ++s)
        for (int q = 0; q < S; ++q)
            product[index(0, s)] += electrode_[s * S + q] * x[index(0, q)];
}

}  // namespace ondrel
