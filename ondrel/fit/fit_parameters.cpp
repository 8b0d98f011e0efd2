#include "fit_parameters.h"

#include <algorithm>
#include <cmath>

#include "../platform/float_text.h"

namespace ondrel {

namespace {

std::string numbered(const char* prefix, int index) {
    return std::string(prefix) + "(" + std::to_string(index) + ")";
}

// A species by its name where the name tells it apart, else by its number.
std::string speciesLabel(const TEspeces& species, int index) {
    const std::string& name = species[index].name;
    int same = 0;
    for (const TEspece& s : species)
        same += s.name == name;
    return name.empty() || same > 1 ? std::to_string(index) : name;
}

FitParameter make(std::string name, ParameterKind kind, int index, double value, double lower,
                  double upper) {
    return {std::move(name),        kind, index, value, std::min(lower, value),
            std::max(upper, value), false};
}

// A positive value's default range: so many decades either side.
FitParameter decades(std::string name, ParameterKind kind, int index, double value, double n) {
    if (!(value > 0))
        return make(std::move(name), kind, index, value, value, value);
    const double factor = std::pow(10.0, n);
    return make(std::move(name), kind, index, value, value / factor, value * factor);
}

std::string text(double value) {
    return FloatToGeneral(value, 6, '.');
}

}  // namespace

std::vector<FitParameter> FitParameters(const TModel& model) {
    std::vector<FitParameter> list;
    for (int c = 1; c <= model.couples.count(); ++c) {
        const TRedox& couple = model.couples[c];
        list.push_back(make(numbered("E0", c), ParameterKind::E0, c, couple.E0, couple.E0 - 0.5,
                            couple.E0 + 0.5));
        list.push_back(make(numbered("k0", c), ParameterKind::K0, c, couple.k0, 1e-8, 1e4));
        list.push_back(
            make(numbered("alpha", c), ParameterKind::Alpha, c, couple.alpha, 0.05, 0.95));
    }
    for (int r = 1; r <= model.reactions.count(); ++r) {
        const TChemical& reaction = model.reactions[r];
        list.push_back(decades(numbered("kf", r), ParameterKind::Kf, r, reaction.kf, 4));
        list.push_back(decades(numbered("kb", r), ParameterKind::Kb, r, reaction.kb, 4));
    }
    for (int s = 1; s <= model.species.count(); ++s) {
        const std::string label = speciesLabel(model.species, s);
        const TEspece& species = model.species[s];
        list.push_back(decades("D(" + label + ")", ParameterKind::D, s, species.D, 2));
        list.push_back(make("C(" + label + ")", ParameterKind::C, s, species.C, 0,
                            std::max(10 * species.C, 1.0)));
    }
    const TPilot& cell = model.pilot;
    list.push_back(make("Ru", ParameterKind::Ru, 0, cell.resistance, 0,
                        std::max(10 * cell.resistance, 1000.0)));
    list.push_back(make("Cdl", ParameterKind::Cdl, 0, cell.capacitance, 0,
                        std::max(10 * cell.capacitance, 1000.0)));
    return list;
}

std::string ParameterUnit(ParameterKind kind) {
    switch (kind) {
        case ParameterKind::E0:
            return "V";
        case ParameterKind::K0:
            return "cm/s";
        case ParameterKind::Alpha:
        case ParameterKind::D:
        case ParameterKind::C:
            return "";  // relative to the model's scales
        case ParameterKind::Kf:
        case ParameterKind::Kb:
            return "1/s";
        case ParameterKind::Ru:
            return "ohm";
        case ParameterKind::Cdl:
            return "uF/cm2";
    }
    return "";
}

bool FittedInLog10(ParameterKind kind) {
    return kind == ParameterKind::K0 || kind == ParameterKind::Kf || kind == ParameterKind::Kb ||
           kind == ParameterKind::D;
}

double ParameterValue(const TModel& model, const FitParameter& p) {
    switch (p.kind) {
        case ParameterKind::E0:
            return model.couples[p.index].E0;
        case ParameterKind::K0:
            return model.couples[p.index].k0;
        case ParameterKind::Alpha:
            return model.couples[p.index].alpha;
        case ParameterKind::Kf:
            return model.reactions[p.index].kf;
        case ParameterKind::Kb:
            return model.reactions[p.index].kb;
        case ParameterKind::D:
            return model.species[p.index].D;
        case ParameterKind::C:
            return model.species[p.index].C;
        case ParameterKind::Ru:
            return model.pilot.resistance;
        case ParameterKind::Cdl:
            return model.pilot.capacitance;
    }
    return 0;
}

void SetParameterValue(TModel& model, const FitParameter& p, double value) {
    switch (p.kind) {
        case ParameterKind::E0:
            model.couples[p.index].E0 = value;
            break;
        case ParameterKind::K0:
            model.couples[p.index].k0 = value;
            break;
        case ParameterKind::Alpha:
            model.couples[p.index].alpha = value;
            break;
        case ParameterKind::Kf:
            model.reactions[p.index].kf = value;
            break;
        case ParameterKind::Kb:
            model.reactions[p.index].kb = value;
            break;
        case ParameterKind::D:
            model.species[p.index].D = value;
            break;
        case ParameterKind::C:
            model.species[p.index].C = value;
            break;
        case ParameterKind::Ru:
            model.pilot.resistance = value;
            model.pilot.irComp = 1;
            break;
        case ParameterKind::Cdl:
            model.pilot.capacitance = value;
            model.pilot.icComp = 1;
            break;
    }
}

FitParameter* FindParameter(std::vector<FitParameter>& parameters, const std::string& name) {
    const auto found = std::find_if(parameters.begin(), parameters.end(),
                                    [&](const FitParameter& p) { return p.name == name; });
    return found == parameters.end() ? nullptr : &*found;
}

std::string ParameterProblem(const FitParameter& p) {
    const std::string range = text(p.lower) + ":" + text(p.upper);
    if (!std::isfinite(p.value) || !std::isfinite(p.lower) || !std::isfinite(p.upper))
        return p.name + ": the value and its bounds must be finite numbers";
    if (p.lower >= p.upper)
        return p.name + ": the bounds " + range + " are reversed or empty (the lower one first)";
    if (FittedInLog10(p.kind) && !(p.lower > 0))
        return p.name + " is fitted in log10: its bounds " + range + " must be above 0";
    if (p.kind == ParameterKind::Alpha && (p.lower <= 0 || p.upper >= 1))
        return p.name + ": its bounds " + range + " must lie within 0 and 1";
    if ((p.kind == ParameterKind::C || p.kind == ParameterKind::Ru ||
         p.kind == ParameterKind::Cdl) &&
        p.lower < 0)
        return p.name + ": its bounds " + range + " must not be below 0";
    if (p.value < p.lower || p.value > p.upper)
        return p.name + ": its starting value " + text(p.value) + " lies outside its bounds " +
               range;
    return {};
}

double ToFitted(ParameterKind kind, double value) {
    return FittedInLog10(kind) ? std::log10(value) : value;
}

double FromFitted(ParameterKind kind, double fitted) {
    return FittedInLog10(kind) ? std::pow(10.0, fitted) : fitted;
}

}  // namespace ondrel
