// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

#include <QIODevice>
#include <QString>

namespace ohmrada::qt {

// Writes a file the way Save As does, through a CSafeFile: a target that is a
// symbolic link, a directory, a FIFO or a device is refused; otherwise a
// temporary file beside it replaces it only when everything was written.
// write gets a device in memory and returns false on failure. False when
// anything failed; the file that was there is then unchanged.
bool SaveAtomically(const QString& path, const std::function<bool(QIODevice&)>& write);

}  // namespace ohmrada::qt
