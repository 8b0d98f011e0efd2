#include "model.h"

namespace ondrel {

std::string SpeciesNameCut(const std::string& name) {
    std::size_t bytes = 0;
    for (int characters = 0; bytes < name.size() && characters < kSpeciesNameLength; ++characters) {
        ++bytes;
        while (bytes < name.size() && (static_cast<unsigned char>(name[bytes]) & 0xC0) == 0x80)
            ++bytes;
    }
    return name.substr(0, bytes);
}

TModel DefaultModel() {
    TModel model;
    for (int i = 1; i <= 3; ++i) {
        std::string name = "E";
        name += std::to_string(i);
        model.species.append({name, 1, i == 3 ? 1.0 : 0.0});
    }
    model.couples.append({1, 2, 1.4, 0.03, 0.48});
    model.couples.append({2, 3, 1.25, 1.0, 0.5});
    return model;
}

std::string SpeciesName(const TEspeces& species, int index) {
    if (index >= 1 && index <= species.count())
        return species[index].name;
    return "Dummy";
}

}  // namespace ondrel
