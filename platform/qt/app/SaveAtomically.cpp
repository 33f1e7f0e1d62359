// SPDX-License-Identifier: GPL-3.0-or-later
#include "SaveAtomically.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>

#include <filesystem>
#include <string_view>
#include <system_error>

#include "SafeFile.h"

namespace ohmrada::qt {

bool SaveAtomically(const QString& path, const std::function<bool(QIODevice&)>& write) {
    // The target is checked (no link, FIFO, device or directory) and the
    // temporary file made before anything is rendered.
    std::error_code error;
    const std::unique_ptr<CSafeFile> file =
        CSafeFile::Create(std::filesystem::path(QFile::encodeName(path).toStdString()), error);
    if (!file) {
        return false;
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!write(buffer)) {
        return false;
    }
    buffer.close();
    return file->Write(
               std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()))) &&
           file->Commit();
}

}  // namespace ohmrada::qt
