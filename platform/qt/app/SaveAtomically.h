// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>
#include <system_error>

#include <QIODevice>
#include <QString>

namespace ohmrada {
class CSafeFile;
}

namespace ohmrada::qt {

// Writes a file the way Save As does, through a CSafeFile: a target that is a
// symbolic link, a directory, a FIFO or a device is refused; otherwise a
// temporary file beside it replaces it only when everything was written.
// write gets a device in memory and returns false on failure. False when
// anything failed; the file that was there is then unchanged.
bool SaveAtomically(const QString& path, const std::function<bool(QIODevice&)>& write);

// The same in two steps, for a file whose contents take long to make: the
// target is checked and the temporary file made first (nullptr and the
// reason when refused), and the bytes written later. error says why
// FinishSave failed (empty when write itself failed).
std::unique_ptr<CSafeFile> PrepareSave(const QString& path, std::error_code& error);
bool FinishSave(CSafeFile& file, const std::function<bool(QIODevice&)>& write,
                std::error_code& error);

// Why a file could not be written, in the windows' words (German).
QString FileReasonText(const std::error_code& error);

}  // namespace ohmrada::qt
