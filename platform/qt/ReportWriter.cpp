// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReportWriter.h"

#include <optional>

#include <QDateTime>
#include <QFileInfo>
#include <QPageLayout>
#include <QPdfWriter>
#include <QTextDocument>
#include <QUrl>

#include "AnalysisTexts.h"
#include "AnalysisWindows.h"
#include "DesignWindow.h"
#include "FormLabels.h"
#include "FormWindow.h"
#include "Limits.h"
#include "LimitsWindow.h"
#include "MainsRegions.h"
#include "PlotWidget.h"
#include "QtPlatform.h"
#include "SaveAtomically.h"
#include "SweepWindow.h"
#include "Texts.h"
#include "TimeDomainWindow.h"
#include "ToleranceWindow.h"
#include "WorstCase.h"

namespace ohmrada::qt {

namespace ta = texts::analysis;

namespace {

QString Escaped(const QString& text) {
    return text.toHtmlEscaped();
}

QString Heading(const char* text, bool newPage = false) {
    return (newPage ? QStringLiteral("<h2 style=\"page-break-before: always\">")
                    : QStringLiteral("<h2>")) +
           Escaped(QString::fromUtf8(text)) + QStringLiteral("</h2>");
}

// A table of rows of cells; the first row is the header when header is set.
QString Table(const QList<QStringList>& rows, bool header) {
    QString html = QStringLiteral(
        "<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\" "
        "style=\"border-collapse:collapse\">");
    for (qsizetype r = 0; r < rows.size(); ++r) {
        html += QStringLiteral("<tr>");
        for (const QString& cell : rows[r]) {
            const bool head = header && r == 0;
            html += head ? QStringLiteral("<th>") : QStringLiteral("<td>");
            html += Escaped(cell).replace(QLatin1Char('\n'), QStringLiteral("<br>"));
            html += head ? QStringLiteral("</th>") : QStringLiteral("</td>");
        }
        html += QStringLiteral("</tr>");
    }
    return html + QStringLiteral("</table>");
}

QString Image(QTextDocument& document, const QString& name, const QImage& image) {
    const QUrl url(QStringLiteral("ohmrada://") + name);
    document.addResource(QTextDocument::ImageResource, url, image);
    // The text's width on A4 is about 650 of the document's pixels.
    const int width = 600;
    const int height = image.width() > 0 ? width * image.height() / image.width() : width;
    return QStringLiteral("<p><img src=\"%1\" width=\"%2\" height=\"%3\"></p>")
        .arg(url.toString())
        .arg(width)
        .arg(height);
}

}  // namespace

QString CReportWriter::Html(QTextDocument& document, const QString& path) {
    CQtPlatform& platform = m_owner.Platform();
    const CFormState& state = m_owner.State();
    const CAnalysisSettings& settings = m_owner.Settings().analysis;

    QString html = QStringLiteral("<html><body><h1>") +
                   Escaped(QString::fromUtf8(ta::kReportTitle)) + QStringLiteral("</h1>");
    QString design;
    if (const CFormWindow* window = platform.Window()) {
        design = window->windowTitle();
    }
    html +=
        QStringLiteral("<p>") + Escaped(Fill(ta::kReportFile, QFileInfo(path).fileName())) +
        QStringLiteral("<br>") + Escaped(design) + QStringLiteral("<br>") +
        Escaped(Fill(ta::kReportDate,
                     QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")))) +
        QStringLiteral("</p>");

    // The inputs and results as the form shows them.
    html += Heading(ta::kReportInputs);
    QList<QStringList> inputs;
    inputs << QStringList{
        QString::fromUtf8(ta::kReportCentreTap),
        state.design.centreTap != 0 ? QString::fromUtf8(ta::kYes) : QString::fromUtf8(ta::kNo),
        QString()};
    inputs << QStringList{QString::fromUtf8(ta::kReportCircuit),
                          QString::fromStdString(state.design.circuit), QString()};
    inputs << QStringList{QString::fromUtf8(ta::kReportMainsFrequency),
                          FormatNumber(state.design.mainsFrequency, 0), QStringLiteral("Hz")};
    {
        const std::optional<std::size_t> region = MainsRegionOf(settings);
        inputs << QStringList{
            QString::fromUtf8(ta::kMainsRegion),
            QString::fromUtf8(region ? MainsRegions()[*region].name : ta::kOwnMainsRegion),
            QString()};
    }
    for (const CInputSpec& spec : kInputs) {
        const CFieldLabel label = LabelOf(spec.fieldId);
        inputs << QStringList{
            label.label, QString::fromStdString(platform.GetItemText(spec.fieldId)), label.unit};
    }
    html += Table(inputs, false);
    html += PartsListHtml(m_owner);
    html += Heading(ta::kReportResults);
    QList<QStringList> results;
    for (const CResultSpec& spec : kResults) {
        const CFieldLabel label = LabelOf(spec.fieldId);
        results << QStringList{
            label.label, QString::fromStdString(platform.GetItemText(spec.fieldId)), label.unit};
    }
    html += Table(results, false);

    // The worst case.
    html += Heading(ta::kReportWorstCase);
    html += QStringLiteral("<p>") + Escaped(QString::fromUtf8(ta::kMainsTolerance)) +
            QStringLiteral(" − ") + FormatNumber(settings.mainsLowTolerancePct, 1) +
            QStringLiteral(" / + ") + FormatNumber(settings.mainsHighTolerancePct, 1) +
            QStringLiteral(" %, ") + Escaped(QString::fromUtf8(ta::kCapacitorTolerance)) +
            QStringLiteral(" − ") + FormatNumber(settings.capacitorTolerancePct, 1) +
            QStringLiteral(" %, ") + Escaped(QString::fromUtf8(ta::kJunctionLimit)) +
            QLatin1Char(' ') + FormatNumber(settings.junctionLimitC, 1) +
            Escaped(QString::fromUtf8(ta::kDegrees)) + QStringLiteral("</p>");
    const CWorstCase worstCase = AnalyseWorstCase(state.design, settings);
    // One column per corner: the columns of the window's table as rows fit
    // the width of a page.
    QList<QStringList> corners;
    QStringList header{QString()};
    for (const ECorner corner : kCorners) {
        header << CornerTitle(corner);
    }
    corners << header;
    const auto cells = WorstCaseCells(worstCase);
    for (int column = 0; column < CToleranceWindow::kColumnCount; ++column) {
        QStringList line{
            WorstCaseColumnTitle(column).replace(QLatin1Char('\n'), QStringLiteral(", "))};
        for (const auto& row : cells) {
            line << row[static_cast<std::size_t>(column)].text;
        }
        corners << line;
    }
    html += Table(corners, true);

    // The five limits.
    html += Heading(ta::kReportLimits);
    QList<QStringList> limits;
    for (const CLimitRow& row :
         LimitRows(WithCircuitLimits(FindLimits(state.design, settings), state.design), settings,
                   state.design[EInput::kTu])) {
        limits << QStringList{row.heading ? QStringLiteral("» ") + row.label : row.label,
                              row.value};
    }
    html += Table(limits, false);

    // The simulation, when the design the form holds was simulated.
    html += Heading(ta::kReportSimulation);
    const CTimeDomainWindow* timeDomain = m_owner.TimeDomain();
    if (timeDomain != nullptr && timeDomain->HasResultFor(state.design)) {
        html += Table(timeDomain->ComparisonRows(), true);
        html += QStringLiteral("<p>") + Escaped(timeDomain->WindingCheckText()) +
                QStringLiteral("</p>");
        html += Image(document, QStringLiteral("waveforms"), timeDomain->WaveformImage(1000, 600));
    } else {
        html += QStringLiteral("<p>") + Escaped(QString::fromUtf8(ta::kReportNoSimulation)) +
                QStringLiteral("</p>");
    }

    // The sweep, while its window is open.
    if (CSweepWindow* sweep = m_owner.Sweep(); sweep != nullptr && sweep->isVisible()) {
        html += Heading(ta::kReportSweep, true);
        html += Image(document, QStringLiteral("sweep"), sweep->Plot()->ToImage(1000, 600));
    }
    return html + QStringLiteral("</body></html>");
}

bool CReportWriter::Write(const QString& path) {
    return SaveAtomically(path, [&](QIODevice& device) {
        QPdfWriter writer(&device);
        writer.setCreator(QStringLiteral("Ohmrada"));
        writer.setTitle(QString::fromUtf8(ta::kReportTitle));
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(18, 18, 18, 18), QPageLayout::Millimeter));
        writer.setResolution(300);
        QTextDocument document;
        QFont font = document.defaultFont();
        font.setPointSizeF(9.0);
        document.setDefaultFont(font);
        document.setHtml(Html(document, path));
        document.print(&writer);
        return true;
    });
}

void CReportWriter::SaveWithDialog() {
    CPlatform::CFileDialogRequest request;
    request.save = true;
    request.title = ta::kReportDialogTitle;
    request.initialName = ta::kReportInitialName;
    request.filterLabel = ta::kReportFilter;
    request.filterPattern = ta::kReportFilterPattern;
    request.confirmOverwrite = true;
    CQtPlatform& platform = m_owner.Platform();
    const std::optional<std::string> path = platform.RunFileDialog(request);
    if (!path) {
        return;
    }
    const QString file = QString::fromStdString(*path);
    if (!Write(file)) {
        platform.MessageBox(Fill(ta::kReportFailed, file).toStdString(), CPlatform::EIcon::kStop);
    }
}

}  // namespace ohmrada::qt
