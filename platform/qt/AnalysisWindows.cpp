// SPDX-License-Identifier: GPL-3.0-or-later
#include "AnalysisWindows.h"

#include <array>
#include <charconv>

#include <QAction>

#include "AnalysisTexts.h"
#include "ControlIds.h"
#include "FormWindow.h"
#include "LimitsWindow.h"
#include "MainDialog.h"
#include "QtPlatform.h"
#include "ReportWriter.h"
#include "SweepWindow.h"
#include "Texts.h"
#include "TimeDomainWindow.h"
#include "ToleranceWindow.h"

namespace ohmrada::qt {

CAnalysisWindows::CAnalysisWindows(CQtPlatform& platform, CFormWindow& window, CMainDialog& dialog)
    : QObject(&window),
      m_platform(platform),
      m_window(window),
      m_dialog(dialog),
      m_warnings(window) {
    struct CCommand {
        int command;
        void (CAnalysisWindows::*open)();
    };
    constexpr CCommand kCommands[] = {
        {kCmdAnalyseTolerances, &CAnalysisWindows::OpenTolerances},
        {kCmdAnalyseLimits, &CAnalysisWindows::OpenLimits},
        {kCmdAnalyseSweep, &CAnalysisWindows::OpenSweep},
        {kCmdAnalyseTimeDomain, &CAnalysisWindows::OpenTimeDomain},
        {kCmdAnalyseReport, &CAnalysisWindows::SaveReport},
    };
    // The form's own handler ignores these commands; the menu entries reach
    // this object as well.
    for (const CCommand& command : kCommands) {
        if (QAction* action = window.Action(command.command)) {
            connect(action, &QAction::triggered, this, command.open);
        }
    }
    m_state.design = CDesign::TakeFrom(dialog.Supply());
    m_state.evaluation = Evaluate(m_state.design);
}

CAnalysisWindows::~CAnalysisWindows() {
    // The windows refer to this object: they go first.
    delete m_tolerances.data();
    delete m_limits.data();
    delete m_sweep.data();
    delete m_timeDomain.data();
}

CToleranceWindow* CAnalysisWindows::Tolerances() const {
    return m_tolerances.data();
}
CLimitsWindow* CAnalysisWindows::Limits() const {
    return m_limits.data();
}
CSweepWindow* CAnalysisWindows::Sweep() const {
    return m_sweep.data();
}
CTimeDomainWindow* CAnalysisWindows::TimeDomain() const {
    return m_timeDomain.data();
}

void CAnalysisWindows::CycleEnded(const CPlatform::CCycleAlerts& alerts) {
    m_state.alerts = alerts;
    CDesign design = CDesign::TakeFrom(m_dialog.Supply());
    if (design == m_state.design) {
        // A cycle of the same design (a field left unchanged) changes no
        // result: only the colours of its alerts.
        ApplyWarnings();
        return;
    }
    m_state.design = std::move(design);
    m_state.evaluation = Evaluate(m_state.design);
    Refresh();
}

void CAnalysisWindows::SetSettings(const CWindowSettings& settings) {
    m_settings = settings;
    Refresh();
}

void CAnalysisWindows::Refresh() {
    ApplyWarnings();
    FollowOpenWindows();
}

void CAnalysisWindows::ApplyWarnings() {
    m_warnings.Apply(m_state, static_cast<float>(m_settings.analysis.junctionLimitC),
                     WindingOverloaded());
}

void CAnalysisWindows::FollowOpenWindows() {
    const std::array<CToolWindow*, 4> windows = {m_tolerances.data(), m_limits.data(),
                                                 m_sweep.data(), m_timeDomain.data()};
    for (CToolWindow* window : windows) {
        if (window != nullptr && window->isVisible()) {
            window->Follow(m_state);
        }
    }
}

bool CAnalysisWindows::WindingOverloaded() const {
    return m_simulatedDesign && *m_simulatedDesign == m_state.design &&
           m_simulatedWindingRatio > 1.0;
}

void CAnalysisWindows::SetSimulatedWindingRatio(const CDesign& design, double ratio) {
    m_simulatedDesign = design;
    m_simulatedWindingRatio = ratio;
    ApplyWarnings();
}

void CAnalysisWindows::ClearSimulatedWindingRatio() {
    m_simulatedDesign.reset();
    ApplyWarnings();
}

std::string CAnalysisWindows::TextToType(float value) {
    std::array<char, 32> text{};
    const auto [end, error] = std::to_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() ? std::string(text.data(), end) : std::string();
}

void CAnalysisWindows::EnterIntoForm(int fieldId, float value) {
    m_platform.SetItemText(fieldId, TextToType(value));
    m_dialog.OnKillFocus(fieldId);
}

namespace {

template <typename TWindow>
TWindow* OpenWindow(QPointer<TWindow>& window, CAnalysisWindows& owner, CFormWindow& form) {
    if (!window) {
        window = new TWindow(owner, &form);
    }
    window->ShowBesideForm();
    return window.data();
}

}  // namespace

void CAnalysisWindows::OpenTolerances() {
    OpenWindow(m_tolerances, *this, m_window);
}

void CAnalysisWindows::OpenLimits() {
    OpenWindow(m_limits, *this, m_window);
}

void CAnalysisWindows::OpenSweep() {
    OpenWindow(m_sweep, *this, m_window);
}

void CAnalysisWindows::OpenTimeDomain() {
    OpenWindow(m_timeDomain, *this, m_window);
}

void CAnalysisWindows::SaveReport() {
    CReportWriter writer(*this);
    writer.SaveWithDialog();
}

void CAnalysisWindows::CloseAll() {
    const std::array<CToolWindow*, 4> windows = {m_tolerances.data(), m_limits.data(),
                                                 m_sweep.data(), m_timeDomain.data()};
    for (CToolWindow* window : windows) {
        if (window != nullptr) {
            window->close();
        }
    }
}

void CAnalysisWindows::ShowHelp(const QString& page) {
    if (!m_platform.ShowHelpPage(page)) {
        m_platform.MessageBox(texts::kHelpFailedMessage, CPlatform::EIcon::kExclamation);
    }
}

}  // namespace ohmrada::qt
