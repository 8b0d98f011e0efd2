#pragma once

#include <string>
#include <vector>

namespace ondrel {

// ondrel-sim MODEL --fit CURVE[:PROGRAM.CVN]... --vary NAME...
// [--bounds NAME=LO:HI]... [--out FITTED.CVN]: fits the model to the
// recorded curves, prints the result table and writes the fitted model.
// Returns the exit code.
int RunFitCommand(const std::vector<std::string>& words);

}  // namespace ondrel
