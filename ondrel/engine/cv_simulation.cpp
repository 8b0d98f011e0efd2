#include "cv_simulation.h"

#include "cv_engine.h"
#include "implicit_engine.h"

namespace ondrel {

std::unique_ptr<CVSimulation> MakeSimulation(const TModel& model, std::vector<CVpoint>& points,
                                             const std::atomic<bool>& freeze,
                                             EngineDisplay& display) {
    if (model.solver == Solver::Implicit)
        return std::make_unique<TImplicitEngine>(model, points, freeze, display);
    return std::make_unique<TCVEngine>(model, points, freeze, display);
}

}  // namespace ondrel
