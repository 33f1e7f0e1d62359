// SPDX-License-Identifier: GPL-3.0-or-later
#include "SaveAtomically.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>

#include <filesystem>
#include <string_view>
#include <system_error>

#include <cerrno>

#include "AnalysisTexts.h"
#include "FormLabels.h"
#include "QtTexts.h"
#include "SafeFile.h"

namespace ohmrada::qt {

std::unique_ptr<CSafeFile> PrepareSave(const QString& path, std::error_code& error) {
    return CSafeFile::Create(std::filesystem::path(QFile::encodeName(path).toStdString()), error);
}

bool FinishSave(CSafeFile& file, const std::function<bool(QIODevice&)>& write,
                std::error_code& error) {
    error.clear();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!write(buffer)) {
        return false;
    }
    buffer.close();
    if (file.Write(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()))) &&
        file.Commit()) {
        return true;
    }
    error = file.Error();
    return false;
}

bool SaveAtomically(const QString& path, const std::function<bool(QIODevice&)>& write) {
    // The target is checked (no link, FIFO, device or directory) and the
    // temporary file made before anything is rendered.
    std::error_code error;
    const std::unique_ptr<CSafeFile> file = PrepareSave(path, error);
    return file && FinishSave(*file, write, error);
}

QString FileReasonText(const std::error_code& error) {
    namespace ta = texts::analysis;
    const char* text = nullptr;
    if (error.category() == FileRefusalCategory()) {
        switch (static_cast<EFileRefusal>(error.value())) {
            case EFileRefusal::kSymbolicLink:
                text = ta::kFileIsLink;
                break;
            case EFileRefusal::kNotRegularFile:
                text = ta::kFileNotRegular;
                break;
            default:
                text = ta::kFileRefused;
                break;
        }
    } else if (error.category() == std::generic_category() ||
               error.category() == std::system_category()) {
        switch (error.value()) {
            case ENOSPC:
                text = ta::kFileDiskFull;
                break;
            case EFBIG:
                text = ta::kFileTooLarge;
                break;
            case EACCES:
            case EPERM:
                text = ta::kFileNoAccess;
                break;
            case EROFS:
                text = ta::kFileReadOnly;
                break;
            case ENOENT:
            case ENOTDIR:
                text = ta::kFileNoFolder;
                break;
            case EISDIR:
                text = ta::kFileIsFolder;
                break;
            default:
                break;
        }
    }
    if (text != nullptr) {
        return Tr(text);
    }
    return Fill(ta::kFileOtherReason, QString::fromStdString(error.message()));
}

}  // namespace ohmrada::qt
