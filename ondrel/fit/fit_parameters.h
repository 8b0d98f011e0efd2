#pragma once

#include <string>
#include <vector>

#include "../model/model.h"

namespace ondrel {

// What a fit may vary in a model.
enum class ParameterKind { E0, K0, Alpha, Kf, Kb, D, C, Ru, Cdl };

// One parameter of a model as the fit shows it: its name ("E0(1)",
// "k0(1)", "alpha(1)", "kf(2)", "kb(2)", "D(Ox)", "C(Ox)", "Ru", "Cdl"),
// its value and bounds in the model's units, and whether it is varied.
struct FitParameter {
    std::string name;
    ParameterKind kind = ParameterKind::E0;
    int index = 0;  // the couple, reaction or species, 1-based; 0 for Ru and Cdl
    double value = 0;
    double lower = 0;
    double upper = 0;
    bool vary = false;
    bool operator==(const FitParameter&) const = default;
};

// Every parameter of the model in the window's order (couples, reactions,
// species, cell), with default bounds wide enough for any sensible start.
std::vector<FitParameter> FitParameters(const TModel& model);

// The unit of a kind, as the tables show it ("V", "cm/s", "1/s", ...).
std::string ParameterUnit(ParameterKind kind);

// Rate constants, diffusion coefficients and k° are fitted in log10: a step
// of the solver is a factor, and the value stays positive.
bool FittedInLog10(ParameterKind kind);

double ParameterValue(const TModel& model, const FitParameter& parameter);
// Sets the value; a varied Ru or Cdl also switches its compensation on, so
// that it acts in the simulation.
void SetParameterValue(TModel& model, const FitParameter& parameter, double value);

// The parameter of that name in the list; nullptr when there is none.
FitParameter* FindParameter(std::vector<FitParameter>& parameters, const std::string& name);

// What is wrong with a parameter about to be varied (bounds reversed or
// outside what the parameter can take, a value outside its bounds); empty
// when nothing is.
std::string ParameterProblem(const FitParameter& parameter);

// The value of a parameter as the solver sees it and back.
double ToFitted(ParameterKind kind, double value);
double FromFitted(ParameterKind kind, double fitted);

}  // namespace ondrel
