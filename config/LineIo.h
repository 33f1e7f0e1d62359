// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "SafeFile.h"

namespace ohmrada {

// A source of text lines. A line ends at LF; a CR directly before the LF is
// part of the line end, so files with CR LF and with bare LF read the same.
class CLineSource {
public:
    enum class EResult { kLine, kEnd, kError };

    // Longest part of a line that is kept; the rest of a longer line is read
    // past and dropped, so a file of one huge line costs no more memory than
    // this.
    static constexpr std::size_t kMaxLineLength = 64 * 1024;

    virtual ~CLineSource();

    // The next line without its line end. kEnd once the source is exhausted
    // (line is then empty), kError when the medium failed or the source
    // refused to read on.
    virtual EResult ReadLine(std::string& line) = 0;

    // Why the last kError came, when the source knows more than that the
    // medium failed (a configuration too large to read, ...); empty else.
    virtual std::error_code Failure() const { return {}; }
};

// A sink for text lines; each line is ended with CR LF on every platform.
class CLineSink {
public:
    virtual ~CLineSink();

    // Writes one line and its line end; false when the medium failed.
    virtual bool WriteLine(std::string_view line) = 0;

    // Makes everything written so far final; false when that failed. A sink
    // that is destroyed without a successful Commit() leaves no trace.
    virtual bool Commit() = 0;
};

// Reads lines from a stream buffer it does not own (a file, standard input,
// a string). With a limit, data past that many bytes is not read: the source
// then gives kError and Failure() says the input is too large, so endless or
// huge data never holds the reader up.
class CStreamLineSource : public CLineSource {
public:
    explicit CStreamLineSource(std::streambuf* buffer, std::size_t limit = kUnlimited)
        : m_buffer(buffer), m_chunk(kChunkSize), m_limit(limit) {}
    EResult ReadLine(std::string& line) override;
    std::error_code Failure() const override { return m_failure; }

    static constexpr std::size_t kUnlimited = static_cast<std::size_t>(-1);

private:
    static constexpr std::size_t kChunkSize = 64 * 1024;
    // Reads the next chunk; false at the end of the data or on failure.
    bool Fill();

    std::streambuf* m_buffer;
    std::vector<char> m_chunk;
    std::size_t m_limit;
    std::size_t m_total = 0;  // bytes read so far
    std::size_t m_begin = 0;
    std::size_t m_end = 0;
    bool m_failed = false;
    std::error_code m_failure;
};

// Reads the lines of a configuration file, at most kMaxConfigurationBytes.
class CFileLineSource : public CLineSource {
public:
    // Opens the file for reading; nullptr and the reason when it cannot be
    // opened (it does not exist, access is denied, it is a directory, a device
    // or a pipe, it is larger than a configuration can be, ...).
    static std::unique_ptr<CFileLineSource> Open(const std::filesystem::path& path,
                                                 std::error_code& error);
    EResult ReadLine(std::string& line) override { return m_lines.ReadLine(line); }
    std::error_code Failure() const override { return m_lines.Failure(); }

private:
    CFileLineSource() : m_lines(nullptr) {}
    std::filebuf m_file;
    CStreamLineSource m_lines;
};

// Writes a file through a CSafeFile, so that a failure never destroys the
// file that was there.
class CFileLineSink : public CLineSink {
public:
    // Prepares writing to path; nullptr and the reason when the file cannot be
    // written: the folder does not exist or is not writable, or the path names
    // a symbolic link, a directory, a device or anything else that is not a
    // regular file (such a target is refused rather than replaced).
    static std::unique_ptr<CFileLineSink> Open(const std::filesystem::path& path,
                                               std::error_code& error);

    bool WriteLine(std::string_view line) override;
    bool Commit() override;

private:
    explicit CFileLineSink(std::unique_ptr<CSafeFile> file) : m_file(std::move(file)) {}
    std::unique_ptr<CSafeFile> m_file;
};

// Lines kept in memory: a source over a text, a sink that collects the text.
class CStringLineSource : public CLineSource {
public:
    explicit CStringLineSource(std::string text);
    EResult ReadLine(std::string& line) override { return m_lines.ReadLine(line); }

private:
    std::stringbuf m_buffer;
    CStreamLineSource m_lines;
};

class CStringLineSink : public CLineSink {
public:
    bool WriteLine(std::string_view line) override;
    bool Commit() override;
    // Everything written, with CR LF line ends.
    const std::string& Text() const { return m_text; }
    bool Committed() const { return m_committed; }

private:
    std::string m_text;
    bool m_committed = false;
};

}  // namespace ohmrada
