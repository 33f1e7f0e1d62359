// SPDX-License-Identifier: GPL-3.0-or-later
#include "LineIo.h"

#include <cerrno>
#include <cstring>
#include <exception>
#include <streambuf>

namespace fs = std::filesystem;

namespace ohmrada {

CLineSource::~CLineSource() = default;
CLineSink::~CLineSink() = default;

bool CStreamLineSource::Fill() {
    m_begin = 0;
    m_end = 0;
    if (m_buffer == nullptr) {
        return false;
    }
    if (m_limit != kUnlimited && m_total > m_limit) {
        m_failed = true;
        m_failure = EFileRefusal::kTooLarge;
        return false;
    }
    try {
        // Never more than one byte past the limit, so a huge input is told
        // apart from one that just fits without reading the rest of it.
        std::size_t want = m_chunk.size();
        if (m_limit != kUnlimited && m_limit + 1 - m_total < want) {
            want = m_limit + 1 - m_total;
        }
        const std::streamsize got =
            m_buffer->sgetn(m_chunk.data(), static_cast<std::streamsize>(want));
        m_end = got > 0 ? static_cast<std::size_t>(got) : 0;
        m_total += m_end;
    } catch (const std::exception&) {
        // A file buffer throws when the medium fails during a read.
        m_failed = true;
    }
    return m_end > 0;
}

CLineSource::EResult CStreamLineSource::ReadLine(std::string& line) {
    line.clear();
    if (m_failed) {
        return EResult::kError;
    }
    bool any = false;
    bool truncated = false;
    for (;;) {
        if (m_begin == m_end && !Fill()) {
            if (m_failed) {
                line.clear();
                return EResult::kError;
            }
            if (truncated) {
                line.resize(kMaxLineLength);
            }
            return any ? EResult::kLine : EResult::kEnd;
        }
        any = true;
        const char* first = m_chunk.data() + m_begin;
        const std::size_t available = m_end - m_begin;
        const void* newline = std::memchr(first, '\n', available);
        const std::size_t take =
            newline != nullptr ? static_cast<std::size_t>(static_cast<const char*>(newline) - first)
                               : available;
        // Keep one character more than the limit, so that a CR at the limit
        // can still be told from a longer line.
        if (!truncated) {
            const std::size_t room = kMaxLineLength + 1 - line.size();
            line.append(first, take < room ? take : room);
            truncated = line.size() > kMaxLineLength;
        }
        m_begin += take;
        if (newline != nullptr) {
            ++m_begin;
            if (truncated) {
                line.resize(kMaxLineLength);
            } else if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            return EResult::kLine;
        }
    }
}

std::unique_ptr<CFileLineSource> CFileLineSource::Open(const fs::path& path,
                                                       std::error_code& error) {
    error.clear();
    const fs::file_status status = fs::status(path, error);
    if (error) {
        return nullptr;
    }
    if (fs::is_directory(status)) {
        error = std::make_error_code(std::errc::is_a_directory);
        return nullptr;
    }
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        // A device or a pipe could deliver data without end, or none at all.
        error = EFileRefusal::kNotRegularFile;
        return nullptr;
    }
    if (fs::exists(status) && fs::file_size(path, error) > kMaxConfigurationBytes && !error) {
        error = EFileRefusal::kTooLarge;
        return nullptr;
    }
    if (error) {
        return nullptr;
    }
    std::unique_ptr<CFileLineSource> source(new CFileLineSource());
    errno = 0;
    if (source->m_file.open(path, std::ios::in | std::ios::binary) == nullptr) {
        const int cause = errno != 0 ? errno : ENOENT;
        error = std::error_code(cause, std::generic_category());
        return nullptr;
    }
    // The limit holds for a file that grows after the check too.
    source->m_lines = CStreamLineSource(&source->m_file, kMaxConfigurationBytes);
    return source;
}

std::unique_ptr<CFileLineSink> CFileLineSink::Open(const fs::path& path, std::error_code& error) {
    std::unique_ptr<CSafeFile> file = CSafeFile::Create(path, error);
    if (!file) {
        return nullptr;
    }
    return std::unique_ptr<CFileLineSink>(new CFileLineSink(std::move(file)));
}

bool CFileLineSink::WriteLine(std::string_view line) {
    return m_file->Write(line) && m_file->Write("\r\n");
}

bool CFileLineSink::Commit() {
    return m_file->Commit();
}

CStringLineSource::CStringLineSource(std::string text)
    : m_buffer(std::move(text), std::ios::in), m_lines(&m_buffer) {}

bool CStringLineSink::WriteLine(std::string_view line) {
    m_text.append(line);
    m_text.append("\r\n");
    return true;
}

bool CStringLineSink::Commit() {
    m_committed = true;
    return true;
}

}  // namespace ohmrada
