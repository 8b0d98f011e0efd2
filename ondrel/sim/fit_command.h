#pragma once

namespace ondrel {

// ondrel-sim MODEL --fit CURVE[:PROGRAM.CVN]... --vary NAME...
// [--bounds NAME=LO:HI]... [--out FITTED.CVN]: fits the model to the
// recorded curves, prints the result table and writes the fitted model.
// Returns the exit code.
int RunFitCommand(int argc, char** argv);

// Whether the command line asks for a fit.
bool AsksForFit(int argc, char** argv);

}  // namespace ondrel
