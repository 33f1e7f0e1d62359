// SPDX-License-Identifier: GPL-3.0-or-later
#include "Simulator.h"

#include "WorkerSession.h"

namespace ohmrada {

CSimulationResult Simulate(ISpiceSession& session, const CSimulationRequest& request,
                           std::stop_token stop, const CSimulationLimits& limits) {
    const std::string problem = request.Problem();
    if (!problem.empty()) {
        CSimulationResult result;
        result.error = ESimulationError::kCannotSimulate;
        result.message = problem;
        return result;
    }
    try {
        return CSteadyStateSearch(session, request, limits, std::move(stop)).Run();
    } catch (const std::exception& error) {
        CSimulationResult result;
        result.error = ESimulationError::kWorkerFailed;
        result.message = std::string("the simulation broke off: ") + error.what();
        return result;
    }
}

CSimulationResult Simulate(const CSimulationRequest& request, std::stop_token stop,
                           const CSimulationLimits& limits) {
    return Simulate(ProgramSession(), request, std::move(stop), limits);
}

std::future<CSimulationResult> SimulateAsync(const CSimulationRequest& request,
                                             std::stop_token stop) {
    return std::async(std::launch::async,
                      [request, stop = std::move(stop)]() { return Simulate(request, stop); });
}

CSimulationResult SimulateDesign(const CDesign& design, double leakageInductanceH,
                                 std::stop_token stop) {
    CSimulationResult result =
        Simulate(CSimulationRequest::FromDesign(design, leakageInductanceH), std::move(stop));
    result.steadyState = {};
    result.switchOn = {};
    return result;
}

void UnloadSimulator() {
    EndProgramWorker();
}

}  // namespace ohmrada
