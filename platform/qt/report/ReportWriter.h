// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>
#include <stop_token>

#include <QObject>
#include <QPointer>
#include <QString>

#include "JobTracker.h"
#include "Report.h"

class QPagedPaintDevice;
class QPainter;
class QProgressDialog;
class QTextDocument;

namespace ohmrada {
class CSafeFile;
}

namespace ohmrada::qt {

class CAnalysisWindows;

// "Bericht speichern...": the form's design as a PDF of A4 pages with
// selectable text, to hand to a colleague. It always holds the design (the
// inputs and results as the form shows them, under the design file's name),
// the analysis settings and which verdict comes from what, the worst case,
// the limits, the simulation with its comparison and its two plots, and a
// sweep (the one Parameterverlauf shows, or one of the load current made for
// the report). Page one opens with the overall verdict (every check of the
// worst case at each corner) and the circuit's schematic, drawn as vectors
// (Schematic.h) over a place the document keeps free for it. Every page ends
// with "Seite N von M".
//
// Save asks for the name; what the windows do not already show is then
// computed on a thread of the writer's CJobTracker (the worst case and the
// limits, the simulation through the worker process, the sweep) under a
// progress dialog whose "Abbrechen" drops it all and writes nothing. The
// file is written like Save As (SaveAtomically): its target is checked
// before anything is computed (a link, a FIFO, a folder that is not there is
// refused at once, with the reason), and a failure says why and leaves the
// file that was there unchanged.
class CReportWriter : public CReport {
public:
    enum class EOutcome { kNone, kRunning, kWritten, kFailed, kCancelled };

    explicit CReportWriter(CAnalysisWindows& owner);
    ~CReportWriter() override;

    // Asks for the file name, then Start.
    void SaveWithDialog() override;
    // Computes what is missing off the GUI thread, then writes path.
    void Start(const QString& path);
    void Cancel() override;
    EOutcome Outcome() const { return m_outcome; }
    QProgressDialog* Progress() const;

    // Draws document onto device page by page, each with the footer
    // "Seite N von M" below the text; returns M (0: nothing drawn). overlay
    // then draws onto each page (index from 0) with the painter in the
    // document's coordinates: what the document cannot hold as vectors.
    static int PrintPaged(QTextDocument& document, QPagedPaintDevice& device,
                          const std::function<void(QPainter&, int)>& overlay = {});

    struct CSnapshot;  // what the report takes from the form and the windows
    struct CComputed;  // what it computes itself

private:
    std::shared_ptr<const CSnapshot> Snapshot(const QString& path) const;
    void SnapshotTables(CSnapshot& snapshot) const;
    void OpenProgress();
    // Runs on the job's thread: touches nothing of the writer's.
    static std::shared_ptr<const CComputed> Compute(const CSnapshot& input,
                                                    const std::stop_token& stop,
                                                    const std::function<void(int)>& step);
    void Finished(const std::shared_ptr<const CComputed>& computed);
    void Step(int step);
    void End(EOutcome outcome);

    CAnalysisWindows& m_owner;
    std::shared_ptr<const CSnapshot> m_snapshot;
    // The target, checked and its temporary file made before anything is
    // computed; written once the report is there.
    std::unique_ptr<CSafeFile> m_file;
    QPointer<QProgressDialog> m_progress;
    EOutcome m_outcome = EOutcome::kNone;
    // Last: its destructor stops and joins a running job before the rest goes.
    CJobTracker m_jobs{this};
};

}  // namespace ohmrada::qt
