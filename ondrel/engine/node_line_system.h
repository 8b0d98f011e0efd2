#pragma once

#include <cstddef>
#include <vector>

namespace ondrel {

// LU factorisation with partial pivoting of a small n × n matrix
// (row-major), in place, and the solution of a system with it (b replaced).
void FactoriseSmall(double* a, int* pivot, int n);
void SolveFactorisedSmall(const double* lu, const int* pivot, double* b, int n);

// The linear equations of one implicit time step on a line of nodes in front
// of the electrode, unknowns node-major (species within a node). Within a
// node the species' equations couple only inside their group (species that
// react with one another); between neighbouring nodes each species couples
// only with itself (diffusion); at node 0, the electrode, the couples tie
// any species together.
//
// The species are numbered so that each group is a run of consecutive
// species, the groups of several species first, then those of one; species
// past the last group take no part. The groups are eliminated from the
// outermost node inward, each on its own with blocks of its own size, down
// to node 0, where one system of all species is solved. A group whose blocks
// have not changed keeps its elimination from one solve to the next.
class NodeLineSystem {
public:
    // sizes: the size of each group in species order.
    NodeLineSystem(int nodes, int species, const std::vector<int>& sizes);

    int nodes() const { return nodes_; }
    int groupCount() const { return static_cast<int>(groups_.size()); }
    int groupFirst(int g) const { return groups_[g].first; }
    int groupSize(int g) const { return groups_[g].size; }

    // The k × k block of group g at a node, row-major.
    double* block(int g, int node) { return blocks_.data() + blockOffset(g, node); }
    const double* block(int g, int node) const { return blocks_.data() + blockOffset(g, node); }
    // The coupling of species s at a node to the node inward (nodes > 0)
    // and outward (all but the last); negative for diffusion.
    void setCouplings(int node, int s, double inward, double outward) {
        inward_[index(node, s)] = inward;
        outward_[index(node, s)] = outward;
    }
    // Terms added at node 0: S × S, row-major.
    std::vector<double>& electrode() { return electrode_; }

    // Eliminates group g's nodes after its blocks changed.
    void eliminate(int g);
    // Solves with the eliminations made; rhs is replaced by the solution, 0
    // for a species in no group. A singular system gives non-finite values.
    void solve(std::vector<double>& rhs);
    // solve in its three parts, for a caller that solves node 0 itself
    // with more unknowns: the inward pass leaves node 0's right-hand side in
    // place; node0() is node 0's S × S matrix after it (by species,
    // row-major; the caller may change it); the outward pass takes node 0's
    // solution in place and finishes.
    void inward(std::vector<double>& rhs);
    std::vector<double>& node0();
    void outward(std::vector<double>& rhs);
    // The system's matrix times x, from its blocks and couplings.
    void multiply(const std::vector<double>& x, std::vector<double>& product) const;

private:
    template <int K>
    void eliminateGroup(int g);
    template <int K>
    void eliminateFixed(int g);
    // Group g's blocks start at offset within a node's blocks.
    struct Group {
        int first, size;
        std::size_t offset;
    };
    std::size_t blockOffset(int g, int node) const {
        return static_cast<std::size_t>(node) * blockSize_ + groups_[g].offset;
    }
    std::size_t index(int node, int s) const {
        return static_cast<std::size_t>(node) * species_ + s;
    }

    int nodes_, species_;
    std::vector<Group> groups_;
    int pairedEnd_ = 0;                                // the species of groups of several end here
    int groupedEnd_ = 0;                               // the species of all groups end here
    std::size_t blockSize_ = 0;                        // the sum of the groups' k² of one node
    std::vector<double> blocks_, inverses_, carries_;  // by node, then group
    std::vector<double> reduced_;                      // node 0 after elimination
    std::vector<double> inward_, outward_;             // by node and species
    // For the groups of one species, by node and species: the inverse and
    // the inverse times the inward coupling.
    std::vector<double> singleInverse_, singleCarry_;
    std::vector<double> electrode_;
    // Node 0's whole system, and scratch.
    std::vector<double> node0_, carried_, scratch_;
    std::vector<int> pivots_;
};

}  // namespace ondrel
