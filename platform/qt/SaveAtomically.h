// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

#include <QIODevice>
#include <QString>

namespace ohmrada::qt {

// Writes a file the way Save As does: into a temporary file beside it, which
// replaces the file only when everything was written. write gets the open
// device and returns false on failure. False when anything failed; the file
// that was there is then unchanged.
bool SaveAtomically(const QString& path, const std::function<bool(QIODevice&)>& write);

}  // namespace ohmrada::qt
