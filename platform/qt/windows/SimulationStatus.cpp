// SPDX-License-Identifier: GPL-3.0-or-later
// How a simulation ended, in words: shared by Zeitbereich, the design window
// and the report, so it stays with the program when Zeitbereich is loaded
// on first use.
#include <algorithm>

#include "AnalysisTexts.h"
#include "FormLabels.h"
#include "QtTexts.h"
#include "Simulator.h"
#include "TimeDomainWindow.h"

namespace ohmrada::qt {

namespace ta = texts::analysis;

QString CTimeDomainWindow::StatusOf(const CSimulationResult& result) {
    const CSimulationLimits limits;
    const auto brokeOff = [](const QString& why) { return Fill(ta::kSimulationBrokeOff, why); };
    switch (result.error) {
        case ESimulationError::kNone:
            return Fill(ta::kSimulationDone, FormatNumber(result.measurements.periods, 0));
        case ESimulationError::kNgspiceMissing:
            return Tr(ta::kNgspiceMissing);
        case ESimulationError::kCancelled:
            return Tr(ta::kSimulationCancelled);
        case ESimulationError::kCannotSimulate:
            return Fill(ta::kSimulationFailed, Tr(ta::kCannotSimulate));
        case ESimulationError::kNoSteadyState:
            return Fill(ta::kSimulationFailed,
                        Fill(ta::kNoSteadyState, QString::number(limits.maxPeriods)));
        case ESimulationError::kNgspiceError:
            return Fill(ta::kSimulationFailed, Tr(ta::kNgspiceRefused));
        case ESimulationError::kOverBudget:
            return brokeOff(
                Fill(ta::kOverBudget,
                     FormatNumber(static_cast<double>(limits.budget.count()) / 1000.0, 0),
                     QString::number(limits.maxPointsPerRun)));
        case ESimulationError::kWorkerFailed:
            return brokeOff(Tr(ta::kWorkerEnded));
        case ESimulationError::kCollapsed:
            return Fill(ta::kOutputCollapses,
                        FormatNumber(std::max(0.0, result.measurements.minimumVoltage), 3));
    }
    return {};
}

}  // namespace ohmrada::qt
