// SPDX-License-Identifier: GPL-3.0-or-later
#include "SaveAtomically.h"

#include <QSaveFile>

namespace ohmrada::qt {

bool SaveAtomically(const QString& path, const std::function<bool(QIODevice&)>& write) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    if (!write(file) || file.error() != QFileDevice::NoError) {
        file.cancelWriting();
        file.commit();  // removes the temporary file
        return false;
    }
    return file.commit();
}

}  // namespace ohmrada::qt
