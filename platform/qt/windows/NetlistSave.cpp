// SPDX-License-Identifier: GPL-3.0-or-later
#include "NetlistSave.h"

#include <QFileInfo>

#include "AnalysisTexts.h"
#include "AnalysisWindows.h"
#include "FormLabels.h"
#include "NetlistExport.h"
#include "QtPlatform.h"
#include "QtTexts.h"
#include "SaveAtomically.h"
#include "SimulationRequest.h"

namespace ohmrada::qt {

namespace ta = texts::analysis;

QString NetlistPath(const QString& chosen) {
    if (QFileInfo(chosen).suffix().isEmpty()) {
        return chosen + QLatin1Char('.') + Tr(ta::kNetlistSuffix);
    }
    return chosen;
}

QString SaveNetlist(const QString& path, const CDesign& design, double leakageMh) {
    const CNetlistExport netlist =
        ExportNetlist(CSimulationRequest::FromDesign(design, leakageMh / 1000.0));
    if (!netlist.problem.empty()) {
        return Tr(ta::kNetlistImpossible);
    }
    const QByteArray bytes = QByteArray::fromStdString(netlist.text);
    const bool saved = SaveAtomically(
        path, [&bytes](QIODevice& device) { return device.write(bytes) == bytes.size(); });
    return saved ? QString() : Fill(ta::kNetlistFailed, path);
}

void SaveNetlistWithDialog(CAnalysisWindows& owner, const CDesign& design, double leakageMh) {
    CPlatform::CFileDialogRequest request;
    request.save = true;
    request.title = ta::kNetlistDialogTitle;
    request.initialName = owner.ProposedName(ta::kNetlistNameEnding, ta::kNetlistInitialName);
    request.filterLabel = ta::kNetlistFilter;
    request.filterPattern = ta::kNetlistFilterPattern;
    request.confirmOverwrite = true;
    request.defaultSuffix = ta::kNetlistSuffix;
    const std::optional<std::string> chosen = owner.Platform().RunFileDialog(request);
    if (!chosen) {
        return;
    }
    const QString failure =
        SaveNetlist(NetlistPath(QString::fromStdString(*chosen)), design, leakageMh);
    if (!failure.isEmpty()) {
        owner.Platform().MessageBox(failure.toStdString(), CPlatform::EIcon::kStop);
    }
}

}  // namespace ohmrada::qt
