// SPDX-License-Identifier: GPL-3.0-or-later
#include "AnalysisWindows.h"

#include "CircuitText.h"

#include <array>
#include <charconv>
#include <cmath>
#include <utility>

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>

#include "AnalysisTexts.h"
#include "AnalysisWindowTable.h"
#include "ControlIds.h"
#include "DesignScaling.h"
#include "DesignTexts.h"
#include "DesignWindow.h"
#include "FormWindow.h"
#include "InputTable.h"
#include "LimitsWindow.h"
#include "LineIo.h"
#include "MainDialog.h"
#include "MainsRegions.h"
#include "PlotModule.h"
#include "QtPlatform.h"
#include "QtTexts.h"
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

// The plot module, loaded the first time it is needed; nullptr after
// telling the user why it is not there.
const CPlotModule* PlotModuleOrMessage(CAnalysisWindows& owner) {
    QString problem;
    const CPlotModule* module = PlotModule(&problem);
    if (module == nullptr) {
        owner.Platform().MessageBox(problem.toStdString(), CPlatform::EIcon::kExclamation);
    }
    return module;
}

// A window whose code is in the plot module.
template <CToolWindow* (*CPlotModule::*kMaker)(CAnalysisWindows&, QWidget*)>
CToolWindow* MakeFromModule(CAnalysisWindows& owner, QWidget* form) {
    const CPlotModule* module = PlotModuleOrMessage(owner);
    return module != nullptr ? (module->*kMaker)(owner, form) : nullptr;
}

}  // namespace

const std::array<CAnalysisWindowSpec, kAnalysisWindowCount>& AnalysisWindowSpecs() {
    // The windows of the menu "&Analyse" in the order of their table
    // (res/AnalysisWindowTable.h), each with the type that makes it; then
    // the design from requirements, opened from the menu "S&uchen".
    using FMake = CToolWindow* (*)(CAnalysisWindows&, QWidget*);
    static constexpr std::array<std::pair<EAnalysisWindow, FMake>, res::kAnalysisWindowEntryCount>
        kMakers = {{
            {EAnalysisWindow::kTolerances, &Make<CToleranceWindow>},
            {EAnalysisWindow::kLimits, &Make<CLimitsWindow>},
            {EAnalysisWindow::kSweep, &MakeFromModule<&CPlotModule::makeSweep>},
            {EAnalysisWindow::kTimeDomain, &MakeFromModule<&CPlotModule::makeTimeDomain>},
        }};
    static_assert(kAnalysisWindowCount == res::kAnalysisWindowEntryCount + 1);
    static const std::array<CAnalysisWindowSpec, kAnalysisWindowCount> kSpecs = [] {
        std::array<CAnalysisWindowSpec, kAnalysisWindowCount> specs{};
        for (std::size_t k = 0; k < res::kAnalysisWindowEntryCount; ++k) {
            const res::CAnalysisWindowEntry& entry = res::kAnalysisWindowTable[k];
            specs[k] = {kMakers[k].first, entry.command, entry.title, entry.helpPage,
                        kMakers[k].second};
        }
        specs.back() = {EAnalysisWindow::kDesign, kCmdSearchDesign, texts::design::kTitle,
                        texts::design::kHelp, &Make<CDesignWindow>};
        return specs;
    }();
    return kSpecs;
}

CDesign CAnalysisWindows::DesignOfForm() const {
    CDesign design = CDesign::TakeFrom(m_dialog.Supply());
    // The circuit the form's file states in its optional lines.
    design.circuitChoice = ReadCircuitChoice(m_dialog.Extras()).value_or(CCircuitChoice{});
    return design;
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
    m_state.design = DesignOfForm();
    m_state.evaluation = Evaluate(m_state.design);
}

void CAnalysisWindows::JudgeCorners(std::size_t count) {
    if (m_state.cornersJudged == 0) {
        m_state.worstCase.ratedPowerW = RatedPower(m_state.design);
    }
    for (std::size_t index = m_state.cornersJudged; index < count && index < kCorners.size();
         ++index) {
        m_state.worstCase.corners[index] = AnalyseCorner(
            m_state.design, kCorners[index], m_settings.analysis, m_state.worstCase.ratedPowerW);
        m_state.cornersJudged = index + 1;
    }
}

const CWorstCase& CAnalysisWindows::WorstCase() {
    JudgeCorners(kCorners.size());
    return m_state.worstCase;
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
// Sweep(), TimeDomain() and Report() are with the windows they return, in
// the plot module (PlotModuleEntry.cpp).

bool CAnalysisWindows::TakeRegionOfDesign() {
    const std::string& region = m_dialog.Extras().values[kExtraRegion];
    if (region == TolerancesForFile(m_settings.analysis)) {
        return false;
    }
    CAnalysisSettings analysis = m_settings.analysis;
    if (!ApplyTolerancesOfFile(region, analysis) || analysis == m_settings.analysis) {
        return false;
    }
    m_settings.analysis = analysis;
    return true;
}

void CAnalysisWindows::CycleEnded(const CPlatform::CCycleAlerts& alerts) {
    m_state.alerts = alerts;
    // A design that names its mains tolerances (opened, new, or taken from
    // the design window) brings them to every window.
    const bool regionChanged = TakeRegionOfDesign();
    CDesign design = DesignOfForm();
    if (design == m_state.design && !regionChanged) {
        // A cycle of the same design (a field left unchanged) changes no
        // result: only the colours of its alerts.
        ApplyWarnings();
        return;
    }
    m_state.design = std::move(design);
    m_state.evaluation = Evaluate(m_state.design);
    Refresh();
}

void CAnalysisWindows::SetCircuitChoice(const CCircuitChoice& choice) {
    CConfigExtras extras = m_dialog.Extras();
    WriteCircuitChoice(choice, extras);
    if (extras == m_dialog.Extras()) {
        return;
    }
    m_dialog.SetExtras(extras);
    // The design as its file will give it back (the lines just written, read).
    m_state.design = DesignOfForm();
    m_state.evaluation = Evaluate(m_state.design);
    Refresh();
}

namespace {

const QString kLeakageKey = QStringLiteral("analysis/leakageInductanceMh");

}  // namespace

void CAnalysisWindows::SetSettings(const CWindowSettings& settings) {
    m_settings = settings;
    // The mains tolerances belong to the design: saved with it.
    CConfigExtras extras = m_dialog.Extras();
    extras.values[kExtraRegion] = TolerancesForFile(m_settings.analysis);
    if (extras != m_dialog.Extras()) {
        m_dialog.SetExtras(extras);
    }
    // One leakage inductance for every window: the one entered in millihenries.
    m_settings.analysis.leakageInductanceH = m_settings.leakageInductanceMh / 1000.0;
    if (!m_placesFile.isEmpty()) {
        QSettings places(m_placesFile, QSettings::IniFormat);
        places.setValue(kLeakageKey, m_settings.leakageInductanceMh);
    }
    Refresh();
}

void CAnalysisWindows::SetPlacesFile(const QString& file) {
    m_placesFile = file;
    if (m_placesFile.isEmpty()) {
        return;
    }
    const QSettings places(m_placesFile, QSettings::IniFormat);
    bool ok = false;
    const double leakageMh = places.value(kLeakageKey).toDouble(&ok);
    // What the window would accept; anything else leaves the setting as it is.
    if (ok && std::isfinite(leakageMh) && leakageMh >= 0.0 && leakageMh <= 1000.0 &&
        leakageMh != m_settings.leakageInductanceMh) {
        CWindowSettings settings = m_settings;
        settings.leakageInductanceMh = leakageMh;
        SetSettings(settings);
    }
}

void CAnalysisWindows::Refresh() {
    // Once per change: the nominal corner, whose circuit the colours judge;
    // the other two when a window shows them.
    m_state.cornersJudged = 0;
    JudgeCorners(1);
    ApplyWarnings();
    FollowOpenWindows();
}

void CAnalysisWindows::ApplyWarnings() {
    if (m_state.cornersJudged == 0) {
        JudgeCorners(1);
    }
    m_warnings.Apply(m_state, m_settings.analysis, WindingOverloaded());
}

void CAnalysisWindows::FollowOpenWindows() {
    for (const QPointer<CToolWindow>& window : m_windows) {
        if (window != nullptr && window->isVisible()) {
            window->FollowForm(m_state);
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

bool CAnalysisWindows::EnterDesign(const CDesign& design, const CConfigExtras& extras) {
    // The design replaces the form's: a changed one is offered for saving
    // first, as leaving does.
    if (!m_dialog.ConfirmLeave()) {
        return false;
    }
    // The design's file as Save As would write it, read and applied as Open
    // reads and applies a file.
    const std::optional<CConfiguration> configuration = design.ReadBack();
    if (!configuration) {
        return false;
    }
    m_dialog.SetExtras(extras);
    ApplyConfiguration(m_dialog.Supply(), *configuration);
    m_dialog.Recalculate();
    return true;
}

CToolWindow* CAnalysisWindows::Open(EAnalysisWindow which) {
    QPointer<CToolWindow>& window = m_windows[static_cast<std::size_t>(which)];
    if (!window) {
        window = AnalysisWindowSpecs()[static_cast<std::size_t>(which)].make(*this, &m_window);
        if (!window) {
            return nullptr;  // its code could not be loaded; the user was told
        }
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
    if (!m_report) {
        const CPlotModule* module = PlotModuleOrMessage(*this);
        if (module == nullptr) {
            return;
        }
        m_report.reset(module->makeReport(*this));
    }
    m_report->SaveWithDialog();
}

void CAnalysisWindows::CloseAll() {
    if (m_report) {
        m_report->Cancel();
    }
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

std::string CAnalysisWindows::ProposedName(const char* ending, const char* fallback) const {
    const std::string& file = m_dialog.FileName();
    if (file.empty()) {
        return fallback;
    }
    const QFileInfo info(QString::fromStdString(file));
    QString stem = info.fileName();
    if (stem.endsWith(QStringLiteral(".odr"), Qt::CaseInsensitive)) {
        stem.chop(4);
    }
    return info.dir().filePath(stem + Tr(ending)).toStdString();
}

void CAnalysisWindows::ShowHelp(const QString& page) {
    if (!m_platform.ShowHelpPage(page)) {
        m_platform.MessageBox(texts::kHelpFailedMessage, CPlatform::EIcon::kExclamation);
    }
}

}  // namespace ohmrada::qt
