// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QTextDocument;

namespace ohmrada::qt {

class CAnalysisWindows;

// "Bericht speichern...": the form's design as a PDF of A4 pages with
// selectable text: the file names and the date, the inputs and the sixteen
// results as the form shows them, the worst-case table, the five limits, the
// simulation's comparison and waveforms (when the Zeitbereich window has
// simulated the design the form holds), and the sweep plot while its window
// is open. Saved like Save As: the dialog asks before replacing a file, the
// file is written beside its place and renamed over it only when complete,
// and a failure says so and leaves the old file as it was.
class CReportWriter {
public:
    explicit CReportWriter(CAnalysisWindows& owner) : m_owner(owner) {}

    // Asks for the file name, writes, and reports a failure.
    void SaveWithDialog();
    // Writes the report to path; false when it could not be written.
    bool Write(const QString& path);
    // The report as HTML, its images added to document as resources.
    QString Html(QTextDocument& document, const QString& path);

private:
    CAnalysisWindows& m_owner;
};

}  // namespace ohmrada::qt
