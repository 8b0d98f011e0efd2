// The block elimination of the implicit solver's linear systems against the
// system's own product: solving and multiplying back gives the right-hand
// side, whatever the groups' sizes.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/node_line_system.h"

namespace ondrel {
namespace {

// A diagonally dominant system like a time step's: blocks with reactions
// inside each group, diffusion between neighbouring nodes, and the couples'
// terms tying species together at node 0.
NodeLineSystem makeSystem(int nodes, int species, const std::vector<int>& sizes) {
    NodeLineSystem system(nodes, species, sizes);
    double seed = 0.3;
    const auto next = [&seed] {
        seed = std::fmod(seed * 7.31 + 0.17, 1.0);
        return seed;
    };
    for (int g = 0; g < system.groupCount(); ++g) {
        const int k = system.groupSize(g);
        for (int node = 0; node < nodes; ++node) {
            double* B = system.block(g, node);
            for (int p = 0; p < k; ++p)
                for (int q = 0; q < k; ++q)
                    B[p * k + q] = p == q ? 3 + next() : next() - 0.5;
        }
    }
    for (int node = 0; node < nodes; ++node)
        for (int s = 0; s < species; ++s)
            system.setCouplings(node, s, node > 0 ? -0.6 - next() : 0,
                                node + 1 < nodes ? -0.4 - next() : 0);
    std::vector<double>& electrode = system.electrode();
    for (int p = 0; p < species; ++p)
        for (int q = 0; q < species; ++q)
            electrode[p * species + q] = p == q ? 2 : 0.3 * (next() - 0.5);
    return system;
}

TEST(NodeLineSystem, SolvesWhatItMultipliesForGroupsOfAnySize) {
    // Groups of several species (the sizes of fixed-size code and one
    // past), then groups of one, and a species in no group.
    const std::vector<int> cases[] = {{2, 2, 1}, {3, 1}, {4, 2, 1, 1}, {5, 1}, {4, 4, 1}};
    for (const std::vector<int>& sizes : cases) {
        int species = 1;
        for (int k : sizes)
            species += k;
        const int nodes = 9;
        NodeLineSystem system = makeSystem(nodes, species, sizes);
        for (int g = 0; g < system.groupCount(); ++g)
            system.eliminate(g);
        std::vector<double> x(static_cast<std::size_t>(nodes) * species);
        for (std::size_t i = 0; i < x.size(); ++i)
            x[i] = i % species == static_cast<std::size_t>(species - 1)
                       ? 0
                       : std::sin(1.7 * static_cast<double>(i)) + 0.2;
        std::vector<double> rhs;
        system.multiply(x, rhs);
        system.solve(rhs);
        for (std::size_t i = 0; i < x.size(); ++i)
            ASSERT_NEAR(rhs[i], x[i], 1e-12) << "groups " << sizes.size() << ", unknown " << i;
    }
}

}  // namespace
}  // namespace ondrel
