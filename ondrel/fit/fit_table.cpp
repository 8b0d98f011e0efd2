#include "fit_table.h"

#include "../platform/float_text.h"

namespace ondrel {

std::string FitNumber(double value) {
    return FloatToGeneral(value, 6, '.');
}

std::string FittedValueText(const FittedParameter& p) {
    return p.lowerLimit ? "> " + FitNumber(*p.lowerLimit) : FitNumber(p.parameter.value);
}

std::string FitStatusText(FitStatus status) {
    switch (status) {
        case FitStatus::Converged:
            return "converged";
        case FitStatus::NotConverged:
            return "not converged";
        case FitStatus::Stopped:
            return "stopped";
        case FitStatus::Failed:
            return "failed";
    }
    return "failed";
}

namespace {

std::string noteOf(const FittedParameter& p) {
    if (p.lowerLimit)
        return "reversible at the fastest scan rate: only bounded below";
    if (p.atBound)
        return "at its bound";
    if (!p.standardError)
        return "not determined by the data";
    return {};
}

}  // namespace

std::string FitResultTable(const FitResult& result) {
    std::string text =
        "parameter\tvalue\tstandard error\tunit\tlog10 value\tlog10 error\tstart\tnote\n";
    for (const FittedParameter& p : result.parameters) {
        const bool log = FittedInLog10(p.parameter.kind);
        text += p.parameter.name + '\t' + FittedValueText(p) + '\t' +
                (p.standardError ? FitNumber(*p.standardError) : "") + '\t' +
                ParameterUnit(p.parameter.kind) + '\t' + (log ? FitNumber(p.fitted) : "") + '\t' +
                (log && p.fittedError ? FitNumber(*p.fittedError) : "") + '\t' +
                FitNumber(p.start) + '\t' + noteOf(p) + '\n';
    }
    if (!result.correlation.empty()) {
        text += "\ncorrelation";
        for (std::size_t j : result.correlated)
            text += '\t' + result.parameters[j].parameter.name;
        text += '\n';
        for (std::size_t a = 0; a < result.correlated.size(); ++a) {
            text += result.parameters[result.correlated[a]].parameter.name;
            for (double value : result.correlation[a])
                text += '\t' + FloatToGeneral(value, 4, '.');
            text += '\n';
        }
    }
    text += "\nstatus\t" + FitStatusText(result.status) + '\n';
    if (!result.message.empty())
        text += "message\t" + result.message + '\n';
    if (!result.covarianceProblem.empty())
        text += "covariance\t" + result.covarianceProblem + '\n';
    text += "residual sum\t" + FitNumber(result.residualSum) + "\tuA2\n";
    text += "reduced chi2\t" +
            (result.reducedChiSquare ? FitNumber(*result.reducedChiSquare)
                                     : std::string("(no noise estimate)")) +
            '\n';
    for (const FittedCurve& curve : result.curves)
        text += "noise\t" + (curve.noise ? FitNumber(*curve.noise) : std::string()) + "\tuA\t" +
                curve.name + '\n';
    text += "points\t" + std::to_string(result.points) + '\n';
    text += "iterations\t" + std::to_string(result.iterations) + '\n';
    text += "simulations\t" + std::to_string(result.simulations) + '\n';
    text += "time\t" + FloatToGeneral(result.seconds, 3, '.') + "\ts\n";
    return text;
}

}  // namespace ondrel
