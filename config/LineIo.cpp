// SPDX-License-Identifier: GPL-3.0-or-later
#include "LineIo.h"

#include <cerrno>
#include <cstring>
#include <exception>
#include <random>
#include <sstream>
#include <streambuf>

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <unistd.h>
#endif

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
    try {
        const std::streamsize got =
            m_buffer->sgetn(m_chunk.data(), static_cast<std::streamsize>(m_chunk.size()));
        m_end = got > 0 ? static_cast<std::size_t>(got) : 0;
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
        error = std::make_error_code(std::errc::operation_not_supported);
        return nullptr;
    }
    std::unique_ptr<CFileLineSource> source(new CFileLineSource());
    errno = 0;
    if (source->m_file.open(path, std::ios::in | std::ios::binary) == nullptr) {
        const int cause = errno != 0 ? errno : ENOENT;
        error = std::error_code(cause, std::generic_category());
        return nullptr;
    }
    source->m_lines = CStreamLineSource(&source->m_file);
    return source;
}

namespace {

// A name for the temporary file beside the target that no other file has.
fs::path TemporaryBeside(const fs::path& target) {
    std::random_device device;
    std::mt19937_64 random(device());
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::ostringstream name;
        name << '.' << target.filename().string() << '.' << std::hex << random() << ".tmp";
        fs::path candidate = target.parent_path() / name.str();
        std::error_code ignored;
        if (!fs::exists(fs::symlink_status(candidate, ignored))) {
            return candidate;
        }
    }
    return {};
}

}  // namespace

std::unique_ptr<CFileLineSink> CFileLineSink::Open(const fs::path& path, std::error_code& error) {
    error.clear();
    if (path.empty()) {
        error = std::make_error_code(std::errc::no_such_file_or_directory);
        return nullptr;
    }
    // Write beside the file a link points to, so the link stays a link.
    fs::path target = fs::absolute(path, error);
    if (error) {
        return nullptr;
    }
    const fs::path resolved = fs::weakly_canonical(target, error);
    if (!error) {
        target = resolved;
    }
    error.clear();

    const fs::file_status status = fs::status(target, error);
    if (error && error != std::make_error_code(std::errc::no_such_file_or_directory)) {
        return nullptr;
    }
    error.clear();
    if (fs::exists(status)) {
        if (fs::is_directory(status)) {
            error = std::make_error_code(std::errc::is_a_directory);
            return nullptr;
        }
        if (!fs::is_regular_file(status)) {
            // A device or a pipe is never replaced by a regular file.
            error = std::make_error_code(std::errc::operation_not_supported);
            return nullptr;
        }
    }
    const fs::path folder = target.parent_path();
    if (!fs::is_directory(folder, error)) {
        if (!error) {
            error = std::make_error_code(std::errc::no_such_file_or_directory);
        }
        return nullptr;
    }

    std::unique_ptr<CFileLineSink> sink(new CFileLineSink());
    sink->m_target = target;
    sink->m_temporary = TemporaryBeside(target);
    if (sink->m_temporary.empty()) {
        error = std::make_error_code(std::errc::file_exists);
        return nullptr;
    }
    errno = 0;
    sink->m_file.open(sink->m_temporary, std::ios::out | std::ios::binary | std::ios::trunc);
    if (!sink->m_file.is_open()) {
        const int cause = errno != 0 ? errno : EACCES;
        error = std::error_code(cause, std::generic_category());
        sink->m_temporary.clear();
        return nullptr;
    }
    if (fs::exists(status)) {
        // The replacement keeps the permissions of the file it replaces.
        std::error_code ignored;
        fs::permissions(sink->m_temporary, status.permissions(), ignored);
    }
    return sink;
}

CFileLineSink::~CFileLineSink() {
    if (!m_committed) {
        Discard();
    }
}

void CFileLineSink::Discard() {
    if (m_file.is_open()) {
        m_file.close();
    }
    if (!m_temporary.empty()) {
        std::error_code ignored;
        fs::remove(m_temporary, ignored);
        m_temporary.clear();
    }
}

bool CFileLineSink::WriteLine(std::string_view line) {
    if (m_failed || m_committed) {
        return false;
    }
    m_file.write(line.data(), static_cast<std::streamsize>(line.size()));
    m_file.write("\r\n", 2);
    if (!m_file.good()) {
        m_failed = true;
    }
    return !m_failed;
}

bool CFileLineSink::Commit() {
    if (m_failed || m_committed || !m_file.is_open()) {
        Discard();
        return false;
    }
    m_file.flush();
    const bool written = m_file.good();
    m_file.close();
    if (!written || m_file.fail()) {
        m_failed = true;
        Discard();
        return false;
    }
#if defined(__unix__) || defined(__APPLE__)
    // Put the data on the medium before the name points at it.
    const int fd = ::open(m_temporary.c_str(), O_RDONLY);
    if (fd >= 0) {
        const bool synced = ::fsync(fd) == 0;
        ::close(fd);
        if (!synced) {
            m_failed = true;
            Discard();
            return false;
        }
    }
#endif
    std::error_code error;
    fs::rename(m_temporary, m_target, error);
    if (error) {
        m_failed = true;
        Discard();
        return false;
    }
    m_temporary.clear();
    m_committed = true;
    return true;
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
