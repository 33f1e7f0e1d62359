// SPDX-License-Identifier: GPL-3.0-or-later
#include "Platform.h"

#include <filesystem>

namespace ohmrada {

namespace {

// Paths pass between the form and the files as UTF-8.
std::filesystem::path PathFromUtf8(const std::string& path) {
    return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

}  // namespace

CPlatform::~CPlatform() = default;

void CPlatform::CycleEnded(const CCycleAlerts& /*alerts*/) {}
void CPlatform::SetModified(bool /*modified*/) {}
void CPlatform::FileUsed(const std::string& /*path*/) {}

std::unique_ptr<CLineSource> CPlatform::OpenForReading(const std::string& path,
                                                       std::error_code& error) {
    return CFileLineSource::Open(PathFromUtf8(path), error);
}

std::unique_ptr<CLineSink> CPlatform::OpenForWriting(const std::string& path,
                                                     std::error_code& error) {
    return CFileLineSink::Open(PathFromUtf8(path), error);
}

}  // namespace ohmrada
