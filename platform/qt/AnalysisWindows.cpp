// SPDX-License-Identifier: GPL-3.0-or-later
#include "AnalysisWindows.h"

#include <array>
#include <charconv>

#include <QAction>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>

#include "AnalysisTexts.h"
#include "ControlIds.h"
#include "DesignTexts.h"
#include "DesignWindow.h"
#include "FormWindow.h"
#include "InputTable.h"
#include "LimitsWindow.h"
#include "LineIo.h"
#include "MainDialog.h"
#include "QtPlatform.h"
#include "ReportWriter.h"
#include "SweepWindow.h"
#include "Texts.h"
#include "TimeDomainWindow.h"
#include "ToleranceWindow.h"

namespace ohmrada::qt {

namespace ta = texts::analysis;

namespace {

template <typename TWindow>
CToolWindow* Make(CAnalysisWindows& owner, QWidget* form) {
    return new TWindow(owner, form);
}

}  // namespace

const std::array<CAnalysisWindowSpec, kAnalysisWindowCount>& AnalysisWindowSpecs() {
    static const std::array<CAnalysisWindowSpec, kAnalysisWindowCount> kSpecs = {{
        {EAnalysisWindow::kTolerances, kCmdAnalyseTolerances, ta::kTolerancesTitle,
         ta::kTolerancesHelp, &Make<CToleranceWindow>},
        {EAnalysisWindow::kLimits, kCmdAnalyseLimits, ta::kLimitsTitle, ta::kLimitsHelp,
         &Make<CLimitsWindow>},
        {EAnalysisWindow::kSweep, kCmdAnalyseSweep, ta::kSweepTitle, ta::kSweepHelp,
         &Make<CSweepWindow>},
        {EAnalysisWindow::kTimeDomain, kCmdAnalyseTimeDomain, ta::kTimeDomainTitle,
         ta::kTimeDomainHelp, &Make<CTimeDomainWindow>},
        {EAnalysisWindow::kDesign, kCmdSearchDesign, texts::design::kTitle, texts::design::kHelp,
         &Make<CDesignWindow>},
    }};
    return kSpecs;
}

CAnalysisWindows::CAnalysisWindows(CQtPlatform& platform, CFormWindow& window, CMainDialog& dialog)
    : QObject(&window),
      m_platform(platform),
      m_window(window),
      m_dialog(dialog),
      m_warnings(window) {
    // The form's own handler ignores these commands; the menu entries reach
    // this object as well.
    for (const CAnalysisWindowSpec& spec : AnalysisWindowSpecs()) {
        if (QAction* action = window.Action(spec.command)) {
            const EAnalysisWindow which = spec.window;
            connect(action, &QAction::triggered, this, [this, which] { Open(which); });
        }
    }
    if (QAction* action = window.Action(kCmdAnalyseReport)) {
        connect(action, &QAction::triggered, this, &CAnalysisWindows::SaveReport);
    }
    // Each entry of the menu "S&uchen" opens Grenzwerte at its search.
    for (int command = kCmdSearchFirst; command <= kCmdSearchLast; ++command) {
        if (QAction* action = window.Action(command)) {
            const auto search = static_cast<CLimitsWindow::ESearch>(command - kCmdSearchFirst);
            connect(action, &QAction::triggered, this, [this, search] { OpenSearch(search); });
        }
    }
    m_state.design = CDesign::TakeFrom(dialog.Supply());
    m_state.evaluation = Evaluate(m_state.design);
}

CAnalysisWindows::~CAnalysisWindows() {
    // The windows refer to this object: they go first.
    for (QPointer<CToolWindow>& window : m_windows) {
        delete window.data();
    }
}

CToolWindow* CAnalysisWindows::Window(EAnalysisWindow window) const {
    return m_windows[static_cast<std::size_t>(window)].data();
}
// The registry made each window of its own type.
CToleranceWindow* CAnalysisWindows::Tolerances() const {
    return static_cast<CToleranceWindow*>(Window(EAnalysisWindow::kTolerances));
}
CLimitsWindow* CAnalysisWindows::Limits() const {
    return static_cast<CLimitsWindow*>(Window(EAnalysisWindow::kLimits));
}
CSweepWindow* CAnalysisWindows::Sweep() const {
    return static_cast<CSweepWindow*>(Window(EAnalysisWindow::kSweep));
}
CTimeDomainWindow* CAnalysisWindows::TimeDomain() const {
    return static_cast<CTimeDomainWindow*>(Window(EAnalysisWindow::kTimeDomain));
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
    m_warnings.Apply(m_state, m_settings.analysis, WindingOverloaded());
}

void CAnalysisWindows::FollowOpenWindows() {
    for (const QPointer<CToolWindow>& window : m_windows) {
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

void CAnalysisWindows::EnterDesign(const CDesign& design) {
    // The design's file as Save As would write it, read and applied as Open
    // reads and applies a file.
    CStringLineSink sink;
    WriteConfiguration(sink, design.ToConfigurationTexts(), design.mainsFrequency);
    CStringLineSource source(sink.Text());
    CConfiguration configuration;
    if (!ReadConfiguration(source, configuration)) {
        return;
    }
    ApplyConfiguration(m_dialog.Supply(), configuration);
    m_dialog.Recalculate();
}

CToolWindow* CAnalysisWindows::Open(EAnalysisWindow which) {
    QPointer<CToolWindow>& window = m_windows[static_cast<std::size_t>(which)];
    if (!window) {
        window = AnalysisWindowSpecs()[static_cast<std::size_t>(which)].make(*this, &m_window);
    }
    window->ShowBesideForm();
    return window.data();
}

void CAnalysisWindows::OpenTolerances() {
    Open(EAnalysisWindow::kTolerances);
}

void CAnalysisWindows::OpenLimits() {
    Open(EAnalysisWindow::kLimits);
}

void CAnalysisWindows::OpenSearch(int search) {
    Open(EAnalysisWindow::kLimits);
    if (search >= 0 && search < CLimitsWindow::kSearchCount) {
        Limits()->MarkSearch(static_cast<CLimitsWindow::ESearch>(search));
    }
}

void CAnalysisWindows::OpenSweep() {
    Open(EAnalysisWindow::kSweep);
}

void CAnalysisWindows::OpenTimeDomain() {
    Open(EAnalysisWindow::kTimeDomain);
}

void CAnalysisWindows::SaveReport() {
    CReportWriter writer(*this);
    writer.SaveWithDialog();
}

void CAnalysisWindows::CloseAll() {
    for (const QPointer<CToolWindow>& window : m_windows) {
        if (window != nullptr) {
            window->close();
        }
    }
}

CPlacementRequest CAnalysisWindows::PlacementRequestFor(const CToolWindow& window) const {
    CPlacementRequest request;
    request.form = m_window.frameGeometry();
    const QWidget* menu = m_window.MenuBar();
    request.menuBottom = menu != nullptr ? menu->mapToGlobal(QPoint(0, menu->height())).y()
                                         : m_window.geometry().top();
    const QScreen* screen = m_window.screen();
    request.screen = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    // A window not yet shown has no frame of its own: the form's is the
    // best guess of what the desktop puts around it.
    const QRect frame = m_window.frameGeometry();
    const QRect contents = m_window.geometry();
    request.frame = QMargins(contents.left() - frame.left(), contents.top() - frame.top(),
                             frame.right() - contents.right(), frame.bottom() - contents.bottom());
    request.size = window.testAttribute(Qt::WA_Resized) ? window.size() : window.sizeHint();
    request.minimum = window.minimumSizeHint().expandedTo(window.minimumSize());
    request.size = request.size.expandedTo(request.minimum);
    for (const QPointer<CToolWindow>& other : m_windows) {
        if (other != nullptr && other.data() != &window && other->isVisible()) {
            request.taken.push_back(other->frameGeometry());
        }
    }
    return request;
}

QRect CAnalysisWindows::PlaceOf(const CToolWindow& window) const {
    const CPlacementRequest request = PlacementRequestFor(window);
    if (!m_placesFile.isEmpty()) {
        const QSettings places(m_placesFile, QSettings::IniFormat);
        const QRect remembered =
            places.value(window.PlaceKey() + QStringLiteral("/geometry")).toRect();
        if (remembered.isValid()) {
            return KeepOnScreen(remembered, request);
        }
    }
    return PlaceBesideForm(request);
}

void CAnalysisWindows::RememberPlace(const CToolWindow& window) {
    if (m_placesFile.isEmpty()) {
        return;
    }
    QSettings places(m_placesFile, QSettings::IniFormat);
    places.setValue(window.PlaceKey() + QStringLiteral("/geometry"), window.geometry());
}

void CAnalysisWindows::ShowHelp(const QString& page) {
    if (!m_platform.ShowHelpPage(page)) {
        m_platform.MessageBox(texts::kHelpFailedMessage, CPlatform::EIcon::kExclamation);
    }
}

}  // namespace ohmrada::qt
