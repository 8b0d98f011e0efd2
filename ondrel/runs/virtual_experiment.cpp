#include "virtual_experiment.h"

#include "../model/validity.h"

namespace ondrel {

TVirtualExperiment TVirtualExperiment::Snapshot(const TModel& model, const std::string& modelName) {
    TVirtualExperiment e;
    e.modelName = modelName;
    for (const TEspece& s : model.species)
        e.species.append({s.name, s.D, s.C});
    // Every record is copied, failing or not; the failures are reported.
    e.couples = model.couples;
    e.reactions = model.reactions;
    e.messages = SnapshotProblems(model);
    e.invalid = !e.messages.empty();
    e.pilot = model.pilot;
    e.method = model.method;
    e.solver = model.solver;
    e.temperature = model.temperature;
    e.area = model.area;
    e.diffusionScale = model.diffusionScale;
    e.concScale = model.concScale;
    e.plotInterval = model.plotInterval;
    e.pilotRefreshInterval = model.pilotRefreshInterval;
    return e;
}

void TVirtualExperiment::RecallInto(TModel& model) const {
    model.temperature = temperature;
    model.area = area;
    model.diffusionScale = diffusionScale;
    model.concScale = concScale;
    model.method = method;
    model.solver = solver;
    model.plotInterval = plotInterval;
    model.pilotRefreshInterval = pilotRefreshInterval;
    model.species = species;
    model.couples = couples;
    model.reactions = reactions;
    model.pilot = pilot;
}

DiffKind CompareExperiments(const TVirtualExperiment& a, const TVirtualExperiment& b) {
    if (a.species.count() != b.species.count())
        return speciesDiff;
    for (int i = 1; i <= a.species.count(); ++i)
        if (a.species[i].D != b.species[i].D || a.species[i].C != b.species[i].C)
            return speciesDiff;
    if (a.couples != b.couples)
        return redoxDiff;
    if (a.reactions != b.reactions)
        return chemDiff;
    const TPilot &p = a.pilot, &q = b.pilot;
    if (p.Einitial != q.Einitial || p.Eswitch1 != q.Eswitch1 || p.Eswitch2 != q.Eswitch2 ||
        p.Efinal != q.Efinal || p.scanRate != q.scanRate || p.halfCycles != q.halfCycles ||
        p.irComp != q.irComp || p.icComp != q.icComp || p.capacitance != q.capacitance ||
        p.resistance != q.resistance || p.quietTime != q.quietTime ||
        p.stepHeight != q.stepHeight || p.samplingPoint != q.samplingPoint)
        return pilotDiff;
    if (a.method != b.method || a.solver != b.solver || a.temperature != b.temperature ||
        a.area != b.area || a.diffusionScale != b.diffusionScale || a.concScale != b.concScale)
        return otherDiff;
    return noDiff;
}

}  // namespace ondrel
