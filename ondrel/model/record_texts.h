#pragma once

#include <string>

#include "model.h"

namespace ondrel {

// The one-line texts of the records in lists and choosers; numbers use the
// given decimal separator.
std::string SpeciesText(const TEspece& species, char separator);
std::string CoupleText(const TRedox& couple, const TEspeces& species, char separator);
// The two sides of a reaction: "A + B <=> C", "Dummy" for an index 0 in
// first place.
std::string ReactionSides(const TChemical& reaction, const TEspeces& species);
std::string ReactionText(const TChemical& reaction, const TEspeces& species, char separator);

// What a fresh couple and a fresh reaction show until their list is rebuilt.
std::string FreshCoupleText(char separator);
inline constexpr const char* kFreshReactionText = "Dummy <=> Dummy Kf: 1 Kb: 1";

}  // namespace ondrel
