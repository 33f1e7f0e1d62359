// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReportWriter.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include <QAbstractTextDocumentLayout>
#include <QDateTime>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QProgressDialog>
#include <QTextBlock>
#include <QTextDocument>
#include <QUrl>

#include "AnalysisTexts.h"
#include "AnalysisWindows.h"
#include "CircuitFigures.h"
#include "ControlIds.h"
#include "DesignWindow.h"
#include "FormLabels.h"
#include "FormTemplate.h"
#include "FormTexts.h"
#include "FormWindow.h"
#include "Limits.h"
#include "LimitsWindow.h"
#include "MainDialog.h"
#include "MainsRegions.h"
#include "Palette.h"
#include "PlotWidget.h"
#include "QtPlatform.h"
#include "QtTexts.h"
#include "SafeFile.h"
#include "SaveAtomically.h"
#include "Schematic.h"
#include "Sweep.h"
#include "SweepPlot.h"
#include "SweepTable.h"
#include "SweepWindow.h"
#include "Texts.h"
#include "TimeDomainWindow.h"
#include "ToleranceWindow.h"
#include "WorstCase.h"

#ifndef OHMRADA_VERSION
#error "OHMRADA_VERSION must name the program's version"
#endif

namespace ohmrada::qt {

namespace ta = texts::analysis;

// Taken on the GUI thread when the report is started: what the form shows
// then, and what the windows already hold for that design.
struct CReportWriter::CSnapshot {
    QString path;
    CDesign design;
    CEvaluation evaluation;
    CWindowSettings settings;
    QString designFile;
    QList<QStringList> inputs;
    QList<QStringList> results;
    std::shared_ptr<const CTimeDomainWindow::CSimulated> simulated;
    // The sweep Parameterverlauf shows, drawn; null when none is open.
    QImage sweepImage;
    QString sweepNote;
    QString created;
    // The parts of a design taken from the design window, as HTML; empty
    // when the form holds no such design.
    QString partsList;
    CSchematic schematic;
};

// Computed on the job's thread.
struct CReportWriter::CComputed {
    CWorstCase worstCase;
    std::vector<CLimitRow> limits;
    std::shared_ptr<const CTimeDomainWindow::CSimulated> simulated;
    CSweepSpec sweepSpec;
    std::vector<CSweepPoint> sweep;
    std::vector<CSweepCircuitPoint> sweepCircuit;     // the circuit at each point
    std::optional<CSweepCircuitPoint> designCircuit;  // and at the design itself
    CSweepPoint designPoint;                          // the design as a point of the sweep
};

namespace {

// The report's page: A4 with 18 mm margins, the footer in the lowest 8 mm
// of the text area.
constexpr double kMarginMm = 18.0;
constexpr double kFooterMm = 8.0;
constexpr int kResolution = 300;
// Plots are drawn at this size (twice the pixels) and scaled to the text's width.
constexpr int kPlotWidth = 760;
constexpr int kPlotHeight = 360;

enum EStep { kStepAnalysis, kStepSimulation, kStepSweep, kStepWriting, kStepCount };

QString Text(const char* text) {
    return Tr(text);
}

QString Escaped(const QString& text) {
    return text.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>"));
}

QString Heading(const QString& text) {
    return QStringLiteral("<h2>") + Escaped(text) + QStringLiteral("</h2>");
}

QString Paragraph(const QString& text) {
    return QStringLiteral("<p>") + Escaped(text) + QStringLiteral("</p>");
}

// A table whose first row is its header: it is repeated on every page the
// table runs onto.
QString Table(const QList<QStringList>& rows) {
    QString html = QStringLiteral(
        "<table border=\"1\" cellspacing=\"0\" cellpadding=\"2\" width=\"100%\" "
        "style=\"border-collapse:collapse\">");
    for (qsizetype r = 0; r < rows.size(); ++r) {
        const bool head = r == 0;
        if (head) {
            html += QStringLiteral("<thead>");
        }
        html += head ? QStringLiteral("<tr style=\"background-color:#e8e8e8\">")
                     : QStringLiteral("<tr>");
        for (const QString& cell : rows[r]) {
            html += head ? QStringLiteral("<th align=\"left\">") : QStringLiteral("<td>");
            html += Escaped(cell);
            html += head ? QStringLiteral("</th>") : QStringLiteral("</td>");
        }
        html += QStringLiteral("</tr>");
        if (head) {
            html += QStringLiteral("</thead>");
        }
    }
    return html + QStringLiteral("</table>");
}

QStringList QuantityHeader() {
    return {Text(ta::kReportQuantity), Text(ta::kReportValue), Text(ta::kReportUnit)};
}

QString Image(QTextDocument& document, const QString& name, const QImage& image, double width) {
    const QUrl url(QStringLiteral("ohmrada://") + name);
    document.addResource(QTextDocument::ImageResource, url, image);
    const double height = image.width() > 0 ? width * image.height() / image.width() : width;
    return QStringLiteral("<p><img src=\"%1\" width=\"%2\" height=\"%3\"></p>")
        .arg(url.toString())
        .arg(std::floor(width))
        .arg(std::floor(height));
}

QString TitleOf(EAnalysisWindow window) {
    for (const CAnalysisWindowSpec& spec : AnalysisWindowSpecs()) {
        if (spec.window == window) {
            return Text(spec.title);
        }
    }
    return {};
}

// The radio button of the form that shows the circuit.
int CircuitButton(const std::string& circuit) {
    if (circuit == CRectifier::kHalfWave) {
        return kIdHalfWave;
    }
    if (circuit == CRectifier::kBridge) {
        return kIdBridge;
    }
    return kIdCentreTapCircuit;
}

// Where the form's group with this caption stands among its groups.
int GroupRank(const QString& caption) {
    int rank = 0;
    for (const res::CControlTemplate& control : res::form::kControls) {
        if (control.kind == res::EControlKind::kGroupBox) {
            if (caption == Tr(control.text)) {
                return rank;
            }
            ++rank;
        }
    }
    return rank;
}

// The load-current sweep Parameterverlauf makes at first: from half to one
// and a half times the design's current.
CSweepSpec LoadCurrentSweep(const CDesign& design) {
    CSweepSpec spec;
    spec.input = EInput::kIb;
    const double current = design[EInput::kIb] > 0.0 ? design[EInput::kIb] : 1.0;
    spec.from = current * 0.5;
    spec.to = current * 1.5;
    spec.count = 101;
    spec.spacing = ESpacing::kLinear;
    return spec;
}

// The report's own sweep drawn as Parameterverlauf draws its first choice,
// from the circuit's steady state as the verdicts are: the minimum voltage on
// the left axis with the points where the target is not held or the winding
// is overloaded marked, the junction temperature dashed on the right axis,
// the design itself circled.
QImage SweepImage(const CReportWriter::CComputed& computed) {
    CPlotWidget plot;
    plot.setMinimumSize(0, 0);
    plot.resize(kPlotWidth, kPlotHeight);
    plot.xAxis->setLabel(LabelWithUnit(InputSpec(EInput::kIb).fieldId));
    CSweepDrawing drawing;
    drawing.points = &computed.sweep;
    drawing.circuit = &computed.sweepCircuit;
    drawing.designCircuit = &computed.designCircuit;
    drawing.designEvaluation = &computed.designPoint.evaluation;
    drawing.designX = computed.designPoint.design[EInput::kIb];
    drawing.shownInput = [](const CDesign& design) { return design[EInput::kIb]; };
    const CSweepAxes axes =
        DrawSweepResults(plot, drawing, {EResult::kMinimumVoltage, EResult::kJunctionTemperature});
    LabelSweepAxes(plot, axes);
    // Laid out once, so that the axis labels are fitted to the axes' length.
    plot.replot(QCustomPlot::rpImmediateRefresh);
    plot.ShowAll();
    return plot.ToImage(kPlotWidth, kPlotHeight);
}

QString DesignHeader(const CReportWriter::CSnapshot& snapshot) {
    return QStringLiteral("<h1>") + Escaped(Text(ta::kReportTitle)) + QStringLiteral("</h1>") +
           QStringLiteral("<p>") + Escaped(Fill(ta::kReportFile, snapshot.designFile)) +
           QStringLiteral("<br>") + Escaped(Fill(ta::kReportDate, snapshot.created)) +
           QStringLiteral("<br>") +
           Escaped(Fill(ta::kReportProgram, QStringLiteral(OHMRADA_VERSION))) +
           QStringLiteral("</p>");
}

// The names of the checks that fail at some corner of the worst case (by the
// circuit's steady state, or the closed form's where the circuit has no
// answer), in the worst case's order; none when all pass.
QStringList FailedChecks(const CWorstCase& worstCase) {
    QStringList failed;
    for (const CCorner& corner : worstCase.corners) {
        const CCircuitVerdict& circuit = corner.verdict;
        const bool solved = circuit.solved;
        const QString where = CornerTitle(corner.corner);
        if (solved ? !circuit.targetHeld : corner.check.targetNotHeld) {
            failed << Fill(ta::kReportCheckTarget, where);
        }
        if (solved ? circuit.overloaded : corner.check.overloaded) {
            failed << Fill(ta::kReportCheckWinding, where);
        }
        if (solved ? circuit.junctionOverLimit : corner.check.junctionOverLimit) {
            failed << Fill(ta::kReportCheckJunction, where);
        }
    }
    return failed;
}

// The image resource the schematic is drawn over.
const QString kSchematicImage = QStringLiteral("ohmrada://schematic");

// The overall verdict and a free place of the schematic's shape, the width
// of the text, under its heading.
QString VerdictAndSchematic(QTextDocument& document, const CWorstCase& worstCase, double width,
                            double aspect) {
    const QStringList failed = FailedChecks(worstCase);
    const QString verdict = failed.isEmpty()
                                ? Text(ta::kReportAllPassed)
                                : Fill(ta::kReportSomeFailed, failed.join(QStringLiteral(", ")));
    QImage blank(1, 1, QImage::Format_ARGB32);
    blank.fill(Qt::transparent);
    document.addResource(QTextDocument::ImageResource, QUrl(kSchematicImage), blank);
    return QStringLiteral("<p><b>") + Escaped(Fill(ta::kReportOverall, verdict)) +
           QStringLiteral("</b></p>") + Heading(Text(ta::kReportSchematic)) +
           QStringLiteral("<p><img src=\"%1\" width=\"%2\" height=\"%3\"></p>")
               .arg(kSchematicImage)
               .arg(std::floor(width))
               .arg(std::floor(width / aspect));
}

// Where the document placed the image resource `name`, in its coordinates
// (as laid out on the paint device it was given); nothing when it holds none.
std::optional<QRectF> ImageRect(const QTextDocument& document, const QString& name) {
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.charFormat().isImageFormat() ||
                fragment.charFormat().toImageFormat().name() != name) {
                continue;
            }
            const QTextLayout* layout = block.layout();
            const int position = fragment.position() - block.position();
            const QTextLine line = layout->lineForTextPosition(position);
            if (!line.isValid()) {
                return std::nullopt;
            }
            const QTextImageFormat image = fragment.charFormat().toImageFormat();
            // The layout scales the image's size (1/96 inch) to the device.
            const QPaintDevice* device = document.documentLayout()->paintDevice();
            const double scale = device != nullptr ? device->logicalDpiY() / 96.0 : 1.0;
            const QSizeF size(image.width() * scale, image.height() * scale);
            const QPointF origin = layout->position();
            const double left = origin.x() + line.cursorToX(position);
            const double baseline = origin.y() + line.y() + line.ascent();
            return QRectF(QPointF(left, baseline - size.height()), size);
        }
    }
    return std::nullopt;
}

QString InputsSection(const CReportWriter::CSnapshot& snapshot) {
    return Heading(Text(ta::kReportInputs)) + Table(snapshot.inputs);
}

QString ResultsSection(const CReportWriter::CSnapshot& snapshot) {
    return Heading(Text(ta::kReportResults)) + Table(snapshot.results);
}

QString SettingsSection(const CReportWriter::CSnapshot& snapshot) {
    const CAnalysisSettings& settings = snapshot.settings.analysis;
    const std::optional<std::size_t> region = MainsRegionOf(settings);
    const auto label = [](const char* text) { return Text(text).remove(QLatin1Char(':')); };
    QList<QStringList> rows{QuantityHeader()};
    rows << QStringList{label(ta::kMainsRegion),
                        Text(region ? MainsRegions()[*region].name : ta::kOwnMainsRegion),
                        QString()};
    rows << QStringList{label(ta::kMainsTolerance),
                        QStringLiteral("−") + FormatNumber(settings.mainsLowTolerancePct, 1) +
                            QStringLiteral(" / +") +
                            FormatNumber(settings.mainsHighTolerancePct, 1),
                        QStringLiteral("%")};
    rows << QStringList{label(ta::kCapacitorTolerance),
                        QStringLiteral("−") + FormatNumber(settings.capacitorTolerancePct, 1),
                        QStringLiteral("%")};
    rows << QStringList{label(ta::kJunctionLimit), FormatNumber(settings.junctionLimitC, 1),
                        Text(ta::kDegrees).trimmed()};
    rows << QStringList{label(ta::kLeakageInductance),
                        FormatNumber(snapshot.settings.leakageInductanceMh, 3),
                        Text(ta::kMillihenry).trimmed()};
    // Right after the results: the first page's overflow shares a page with
    // it rather than leaving one almost empty.
    return Heading(Text(ta::kReportSettings)) + Table(rows) + Paragraph(Text(ta::kReportVerdicts));
}

QString WorstCaseSection(const CWorstCase& worstCase) {
    // One column per corner: the window's columns as rows fit a page's width.
    QList<QStringList> rows;
    QStringList header{Text(ta::kReportQuantity)};
    for (const ECorner corner : kCorners) {
        header << CornerTitle(corner);
    }
    rows << header;
    const auto cells = WorstCaseCells(worstCase);
    for (int column = 0; column < CToleranceWindow::kColumnCount; ++column) {
        QStringList line{
            WorstCaseColumnTitle(column).replace(QLatin1Char('\n'), QStringLiteral(", "))};
        for (const auto& row : cells) {
            line << row[static_cast<std::size_t>(column)].text;
        }
        rows << line;
    }
    return Heading(TitleOf(EAnalysisWindow::kTolerances)) + Table(rows);
}

// What the circuit beyond the plain single rail gives, rail by rail, at the
// nominal corner; nothing for the plain circuit.
QString CircuitFiguresSection(const CCircuitChoice& choice, const CWorstCase& worstCase) {
    const CCircuitFigures figures = CircuitFiguresOf(choice, worstCase.corners[0].circuit);
    if (figures.rows.isEmpty() && figures.note.isEmpty()) {
        return {};
    }
    return Heading(Text(ta::kCircuitFiguresTitle)) +
           (figures.rows.isEmpty() ? Paragraph(figures.note) : Table(figures.rows));
}

QString LimitsSection(const std::vector<CLimitRow>& limitRows) {
    QList<QStringList> rows{{Text(ta::kReportQuantity), Text(ta::kReportValue)}};
    for (const CLimitRow& row : limitRows) {
        rows << QStringList{row.heading ? QStringLiteral("» ") + row.label : row.label, row.value};
    }
    return Heading(TitleOf(EAnalysisWindow::kLimits)) + Table(rows);
}

}  // namespace

CReportWriter::CReportWriter(CAnalysisWindows& owner) : m_owner(owner) {}

CReportWriter::~CReportWriter() {
    delete m_progress;
}

QProgressDialog* CReportWriter::Progress() const {
    return m_progress.data();
}

void CReportWriter::SaveWithDialog() {
    if (m_outcome == EOutcome::kRunning) {
        if (m_progress) {
            m_progress->raise();
        }
        return;
    }
    CPlatform::CFileDialogRequest request;
    request.save = true;
    request.title = ta::kReportDialogTitle;
    request.initialName = m_owner.ProposedName(ta::kReportNameEnding, ta::kReportInitialName);
    request.filterLabel = ta::kReportFilter;
    request.filterPattern = ta::kReportFilterPattern;
    request.confirmOverwrite = true;
    request.defaultSuffix = "pdf";
    const std::optional<std::string> path = m_owner.Platform().RunFileDialog(request);
    if (path) {
        Start(QString::fromStdString(*path));
    }
}

void CReportWriter::Start(const QString& path) {
    Cancel();
    std::error_code error;
    m_file = PrepareSave(path, error);
    if (!m_file) {
        m_outcome = EOutcome::kFailed;
        m_owner.Platform().MessageBox(
            Fill(ta::kReportRefused, path, FileReasonText(error)).toStdString(),
            CPlatform::EIcon::kStop);
        return;
    }
    m_snapshot = Snapshot(path);
    OpenProgress();
    m_outcome = EOutcome::kRunning;
    const std::shared_ptr<const CSnapshot> input = m_snapshot;
    m_jobs.Start(
        [this, input](std::stop_token stop) {
            return Compute(*input, stop, [this](int next) {
                QMetaObject::invokeMethod(
                    this, [this, next] { Step(next); }, Qt::QueuedConnection);
            });
        },
        [this](std::shared_ptr<const CComputed> computed) { Finished(computed); });
}

// What the report takes from the form and the windows, on the GUI thread.
std::shared_ptr<const CReportWriter::CSnapshot> CReportWriter::Snapshot(const QString& path) const {
    const CFormState& state = m_owner.State();
    auto snapshot = std::make_shared<CSnapshot>();
    snapshot->path = path;
    snapshot->design = state.design;
    snapshot->evaluation = state.evaluation;
    snapshot->settings = m_owner.Settings();
    snapshot->partsList = PartsListHtml(m_owner);
    // An adjustable regulator is known only of a candidate the design window
    // entered into the form (while the form holds its design).
    bool adjustable = false;
    if (const auto* designs =
            static_cast<const CDesignWindow*>(m_owner.Window(EAnalysisWindow::kDesign))) {
        if (const CCandidate* adopted = designs->Adopted()) {
            const auto& regulators = designs->Catalogue().regulators;
            adjustable = adopted->choice.regulator < regulators.size() &&
                         regulators[adopted->choice.regulator].Adjustable();
        }
    }
    snapshot->schematic = SchematicOfDesign(state.design, adjustable);
    // The parts' own values where the design has a parts list.
    if (auto values = AdoptedPartValues(m_owner); !values.empty()) {
        snapshot->schematic.values = std::move(values);
    }
    snapshot->created = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    const std::string& file = m_owner.Dialog().FileName();
    snapshot->designFile = file.empty() ? Text(ta::kReportNoFile) : QString::fromStdString(file);
    // A design that the file does not hold (changed since, or taken from the
    // design window) is not passed off as the file's.
    if (!file.empty() && m_owner.Dialog().IsModified()) {
        snapshot->designFile +=
            QStringLiteral(" (") + Text(texts::kChangedNotSaved) + QLatin1Char(')');
    }

    SnapshotTables(*snapshot);
    // What the windows already show of this design.
    if (const CTimeDomainWindow* timeDomain = m_owner.TimeDomain()) {
        snapshot->simulated = timeDomain->ResultFor(state.design);
    }
    if (CSweepWindow* sweep = m_owner.Sweep();
        sweep != nullptr && sweep->isVisible() && !sweep->Points().empty()) {
        // At the plot's own size: its legend and labels are fitted to that.
        CPlotWidget& plot = *sweep->Plot();
        snapshot->sweepImage = plot.ToImage(plot.width(), plot.height());
        snapshot->sweepNote = Text(ta::kReportWindowSweep);
    }
    return snapshot;
}

// The inputs and results as the form shows them; the inputs under the
// captions of the form's groups, which tell apart two fields of one name.
void CReportWriter::SnapshotTables(CSnapshot& snapshot) const {
    CQtPlatform& platform = m_owner.Platform();
    const CFormState& state = m_owner.State();
    const auto groupOf = [](int id) {
        const std::string_view group = res::FieldTextsOf(id).group;
        return Tr(group);
    };
    QList<QStringList> inputs;
    inputs << QStringList{groupOf(kIdCentreTap), LabelOf(kIdCentreTap).label,
                          Text(state.design.centreTap != 0 ? ta::kYes : ta::kNo), QString()};
    inputs << QStringList{groupOf(kIdCentreTap), Text(ta::kReportMainsFrequency),
                          FormatNumber(state.design.mainsFrequency, 0), QStringLiteral("Hz")};
    const int circuit = CircuitButton(state.design.circuit);
    inputs << QStringList{groupOf(circuit), Text(ta::kReportCircuit), LabelOf(circuit).label,
                          QString()};
    // The circuit beyond the form's inputs, under the panel's name, where it
    // is not the plain one.
    const CCircuitChoice& choice = state.design.circuitChoice;
    if (!choice.Plain()) {
        const QString group = Text(ta::kCircuitPanelTitle);
        inputs << QStringList{
            group, Text(ta::kReportCircuitTopology),
            Text(choice.topology == ETopology::kDual ? ta::kCircuitDual : ta::kCircuitSingle),
            QString()};
        inputs << QStringList{group, Text(ta::kReportCircuitFilter), CircuitFilterText(choice),
                              QString()};
        inputs << QStringList{group, Text(ta::kReportCircuitLoad),
                              Text(choice.load == ELoad::kResistive ? ta::kCircuitResistiveLoad
                                                                    : ta::kCircuitCurrentLoad),
                              QString()};
    }
    for (const CInputSpec& spec : kInputs) {
        const CFieldLabel label = LabelOf(spec.fieldId);
        inputs << QStringList{groupOf(spec.fieldId), label.label,
                              QString::fromStdString(platform.GetItemText(spec.fieldId)),
                              label.unit};
    }
    std::stable_sort(inputs.begin(), inputs.end(), [&](const QStringList& a, const QStringList& b) {
        return GroupRank(a[0]) < GroupRank(b[0]);
    });
    snapshot.inputs << QStringList{Text(ta::kReportGroup)} + QuantityHeader();
    QString group;
    for (QStringList& row : inputs) {
        if (row[0] == group) {
            row[0].clear();
        } else {
            group = row[0];
        }
        snapshot.inputs << row;
    }
    snapshot.results << QuantityHeader();
    for (const CResultSpec& spec : kResults) {
        const CFieldLabel label = LabelOf(spec.fieldId);
        snapshot.results << QStringList{
            label.label, QString::fromStdString(platform.GetItemText(spec.fieldId)), label.unit};
    }
}

void CReportWriter::OpenProgress() {
    m_progress = new QProgressDialog(Text(ta::kReportProgressAnalysis), Text(ta::kCancel), 0,
                                     kStepCount, m_owner.Platform().Window());
    m_progress->setWindowTitle(Text(ta::kReportProgressTitle));
    m_progress->setWindowModality(Qt::NonModal);
    m_progress->setMinimumDuration(0);
    m_progress->setAutoClose(false);
    m_progress->setAutoReset(false);
    m_progress->setValue(0);
    connect(m_progress, &QProgressDialog::canceled, this, [this] { Cancel(); });
}

// What no window shows yet, on the job's thread; nothing when stopped.
std::shared_ptr<const CReportWriter::CComputed> CReportWriter::Compute(
    const CSnapshot& input, const std::stop_token& stop, const std::function<void(int)>& step) {
    auto computed = std::make_shared<CComputed>();
    const CAnalysisSettings& settings = input.settings.analysis;
    computed->worstCase = AnalyseWorstCase(input.design, settings);
    computed->limits =
        LimitRows(WithCircuitLimits(FindLimits(input.design, settings), input.design), settings,
                  input.design[EInput::kTu]);
    if (stop.stop_requested()) {
        return std::shared_ptr<const CComputed>();
    }
    step(kStepSimulation);
    computed->simulated =
        input.simulated
            ? input.simulated
            : CTimeDomainWindow::Run(input.design, input.settings.leakageInductanceMh, stop);
    if (stop.stop_requested()) {
        return std::shared_ptr<const CComputed>();
    }
    step(kStepSweep);
    if (input.sweepImage.isNull()) {
        computed->sweepSpec = LoadCurrentSweep(input.design);
        computed->sweep = SweepPoints(input.design, computed->sweepSpec);
        const CAnalysisSettings& analysis = input.settings.analysis;
        CSweepCircuitSolver solver(analysis);
        for (const CSweepPoint& point : computed->sweep) {
            if (stop.stop_requested()) {
                return std::shared_ptr<const CComputed>();
            }
            computed->sweepCircuit.push_back(solver.Solve(point));
        }
        computed->designPoint.design = input.design;
        computed->designPoint.evaluation = input.evaluation;
        computed->designCircuit = SolveSweepPoint(computed->designPoint, analysis);
    }
    return std::shared_ptr<const CComputed>(std::move(computed));
}

void CReportWriter::Step(int step) {
    if (!m_progress || m_outcome != EOutcome::kRunning) {
        return;
    }
    static constexpr const char* kSteps[kStepCount] = {
        ta::kReportProgressAnalysis, ta::kReportProgressSimulation, ta::kReportProgressSweep,
        ta::kReportProgressWriting};
    m_progress->setLabelText(Text(kSteps[step]));
    m_progress->setValue(step);
}

void CReportWriter::Cancel() {
    if (m_outcome != EOutcome::kRunning) {
        return;
    }
    m_jobs.Cancel();  // a simulation's worker is killed at once
    m_file.reset();   // its temporary file goes, the target stays untouched
    End(EOutcome::kCancelled);
}

void CReportWriter::End(EOutcome outcome) {
    m_outcome = outcome;
    if (m_progress) {
        QProgressDialog* progress = m_progress;
        m_progress = nullptr;
        progress->hide();
        progress->deleteLater();
    }
}

namespace {

// The simulation: the window's where it holds this design's, else the
// report's own; its table and plots where it measured anything.
QString SimulationSection(QTextDocument& document, const CReportWriter::CSnapshot& snapshot,
                          const CReportWriter::CComputed& computed, double width) {
    QString html;
    // The sections follow one another without forced page breaks: a plot
    // that does not fit moves to the next page, and no page is left with a
    // few lines of the section before.
    html += Heading(TitleOf(EAnalysisWindow::kTimeDomain));
    const CTimeDomainWindow::CSimulated& simulated = *computed.simulated;
    const CSimulationResult& result = CTimeDomainWindow::ResultOf(simulated);
    const bool measured = result.Ok() || result.error == ESimulationError::kCollapsed;
    if (!result.Ok()) {
        html +=
            Paragraph(Fill(ta::kReportNoSimulationBecause, CTimeDomainWindow::StatusOf(result)));
    } else {
        const bool ofWindow = computed.simulated == snapshot.simulated;
        html += Paragraph(CTimeDomainWindow::StatusOf(result) + QLatin1Char(' ') +
                          Fill(ofWindow ? ta::kReportSimulationOfWindow : ta::kReportSimulationOwn,
                               FormatNumber(snapshot.settings.leakageInductanceMh, 3)));
    }
    if (measured) {
        html += Table(CTimeDomainWindow::RowsOf(simulated));
        html += Paragraph(CTimeDomainWindow::WindingCheckOf(simulated));
        html += Image(document, QStringLiteral("waveforms"),
                      CTimeDomainWindow::WaveformImageOf(simulated, kPlotWidth, kPlotHeight),
                      width * 0.98);
        html += Image(document, QStringLiteral("switchon"),
                      CTimeDomainWindow::SwitchOnImageOf(simulated, kPlotWidth, kPlotHeight),
                      width * 0.98);
    }

    return html;
}

// The sweep the window shows, or the report's own of the load current.
QString SweepSection(QTextDocument& document, const CReportWriter::CSnapshot& snapshot,
                     const CReportWriter::CComputed& computed, double width) {
    QString html;
    html += Heading(TitleOf(EAnalysisWindow::kSweep));
    if (!snapshot.sweepImage.isNull()) {
        html += Paragraph(snapshot.sweepNote);
        html += Image(document, QStringLiteral("sweep"), snapshot.sweepImage, width * 0.98);
    } else {
        const CSweepSpec& spec = computed.sweepSpec;
        html += Paragraph(Fill(ta::kReportOwnSweep, LabelWithUnit(InputSpec(spec.input).fieldId),
                               FormatNumber(spec.from, 3), FormatNumber(spec.to, 3),
                               QString::number(spec.count)));
        html += Image(document, QStringLiteral("sweep"), SweepImage(computed), width * 0.98);
    }
    return html;
}

}  // namespace

void CReportWriter::Finished(const std::shared_ptr<const CComputed>& computed) {
    if (!computed || m_outcome != EOutcome::kRunning) {
        return;
    }
    Step(kStepWriting);
    const CSnapshot& snapshot = *m_snapshot;

    std::error_code error;
    const bool written =
        m_file &&
        FinishSave(
            *m_file,
            [&](QIODevice& device) {
                QPdfWriter writer(&device);
                writer.setCreator(QStringLiteral("Ohmrada"));
                writer.setTitle(Text(ta::kReportTitle));
                writer.setPageLayout(
                    QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                                QPageLayout::Millimeter));
                writer.setResolution(kResolution);
                // An image's size in the document is in pixels of 1/96 inch, whatever
                // the device: the text's width in those.
                const double width =
                    writer.pageLayout().paintRect(QPageLayout::Inch).width() * 96.0;

                QTextDocument document;
                QFont font = document.defaultFont();
                font.setPointSizeF(9.0);
                document.setDefaultFont(font);
                document.documentLayout()->setPaintDevice(&writer);
                document.setDefaultStyleSheet(QStringLiteral(
                    "h1 { font-size: 14pt; margin-bottom: 4px; } "
                    "h2 { font-size: 11pt; margin-top: 10px; margin-bottom: 4px; }"));

                QString html = QStringLiteral("<html><body>") + DesignHeader(snapshot);
                html += VerdictAndSchematic(document, computed->worstCase, width,
                                            SchematicAspect(snapshot.schematic));
                html += InputsSection(snapshot);
                html += snapshot.partsList;
                html += ResultsSection(snapshot);
                html += SettingsSection(snapshot);
                html += WorstCaseSection(computed->worstCase);
                html += CircuitFiguresSection(snapshot.design.circuitChoice, computed->worstCase);
                html += LimitsSection(computed->limits);

                html += SimulationSection(document, snapshot, *computed, width);
                html += SweepSection(document, snapshot, *computed, width);
                document.setHtml(html + QStringLiteral("</body></html>"));
                const auto schematic = [&document, &snapshot](QPainter& painter, int) {
                    if (const auto area = ImageRect(document, kSchematicImage)) {
                        DrawSchematic(painter, *area, snapshot.schematic);
                    }
                };
                return PrintPaged(document, writer, schematic) > 0;
            },
            error);
    m_file.reset();
    End(written ? EOutcome::kWritten : EOutcome::kFailed);
    if (!written) {
        const QString text =
            error ? Fill(ta::kReportFailedBecause, snapshot.path, FileReasonText(error))
                  : Fill(ta::kReportFailed, snapshot.path);
        m_owner.Platform().MessageBox(text.toStdString(), CPlatform::EIcon::kStop);
    }
}

int CReportWriter::PrintPaged(QTextDocument& document, QPagedPaintDevice& device,
                              const std::function<void(QPainter&, int)>& overlay) {
    const int resolution = device.logicalDpiY();
    const QRectF body = device.pageLayout().paintRectPixels(resolution);
    const double footer = kFooterMm / 25.4 * resolution;
    const QSizeF page(body.width(), body.height() - footer);
    document.documentLayout()->setPaintDevice(&device);
    document.setPageSize(page);
    const int count = document.pageCount();
    QPainter painter;
    if (count <= 0 || !painter.begin(&device)) {
        return 0;
    }
    QFont footerFont = document.defaultFont();
    footerFont.setPointSizeF(8.0);
    for (int index = 0; index < count; ++index) {
        if (index > 0 && !device.newPage()) {
            return 0;
        }
        painter.save();
        const double top = index * page.height();
        painter.translate(0.0, -top);
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = QRectF(0.0, top, page.width(), page.height());
        painter.setClipRect(context.clip);
        document.documentLayout()->draw(&painter, context);
        if (overlay) {
            overlay(painter, index);
        }
        painter.restore();
        const QRectF footerArea(0.0, page.height(), page.width(), footer);
        painter.setPen(QPen(Qt::gray, 0));
        painter.drawLine(footerArea.topLeft() + QPointF(0.0, footer * 0.3),
                         footerArea.topRight() + QPointF(0.0, footer * 0.3));
        painter.setPen(Qt::black);
        painter.setFont(footerFont);
        painter.drawText(footerArea, Qt::AlignRight | Qt::AlignBottom,
                         Fill(ta::kReportPage, QString::number(index + 1), QString::number(count)));
    }
    return painter.end() ? count : 0;
}

}  // namespace ohmrada::qt
