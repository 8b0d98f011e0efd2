#include "model_check.h"

#include <cmath>
#include <set>

#include "../platform/float_text.h"
#include "program_check.h"

namespace ondrel {

namespace {

bool positiveFinite(double value) {
    return std::isfinite(value) && value > 0;
}

std::string notPositive(const std::string& what, const char* unit, double value) {
    return "The " + what + " must be a positive number" +
           (*unit ? std::string(" of ") + unit : "") + ", not " + FloatToText(value, '.') + ".";
}

}  // namespace

std::string ModelProblem(const TModel& model) {
    if (std::string problem = ModelProblemForAnySolver(model); !problem.empty())
        return problem;
    return model.solver == Solver::Classic ? ClassicProgramProblem(model.pilot) : std::string();
}

std::string ModelProblemForAnySolver(const TModel& model) {
    if (!positiveFinite(model.temperature))
        return notPositive("temperature", "K", model.temperature);
    if (!positiveFinite(model.area))
        return notPositive("electrode area", "cm\u00B2", model.area);
    if (!positiveFinite(model.diffusionScale))
        return notPositive("diffusion scale", "cm\u00B2/s", model.diffusionScale);
    if (!positiveFinite(model.concScale))
        return notPositive("concentration factor", "mol/cm\u00B3", model.concScale);

    std::set<int> used;
    for (const TRedox& c : model.couples)
        used.insert({c.ox, c.red});
    for (const TChemical& r : model.reactions)
        used.insert({r.reagent1, r.reagent2, r.product1, r.product2});
    for (int s : used) {
        if (s < 1 || s > model.species.count())
            continue;  // the snapshot's checks name these
        const TEspece& species = model.species[s];
        if (!positiveFinite(species.D))
            return notPositive("diffusion coefficient D of species " + std::to_string(s) + " (" +
                                   species.name + ")",
                               "", species.D);
        if (!std::isfinite(species.C))
            return "The concentration C of species " + std::to_string(s) + " (" + species.name +
                   ") must be a number, not " + FloatToText(species.C, '.') + ".";
    }
    const TPilot& p = model.pilot;
    if (p.irComp != 0 && !(std::isfinite(p.resistance) && p.resistance >= 0))
        return "The uncompensated resistance must be a number of ohm of at least 0, not " +
               FloatToText(p.resistance, '.') + ".";
    if (p.icComp != 0 && !(std::isfinite(p.capacitance) && p.capacitance >= 0))
        return "The double-layer capacitance must be a number of \u00B5F/cm\u00B2 of at least 0, "
               "not " +
               FloatToText(p.capacitance, '.') + ".";
    return ProgramProblem(model.pilot);
}

bool CellActs(const TPilot& pilot) {
    return (pilot.irComp != 0 && pilot.resistance > 0) ||
           (pilot.icComp != 0 && pilot.capacitance > 0);
}

}  // namespace ondrel
