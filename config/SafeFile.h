// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace ohmrada {

// Why a path is refused as a file to write or as a configuration to read,
// beyond what the system reports.
enum class EFileRefusal {
    kSymbolicLink = 1,  // the path is a symbolic link; it is neither followed nor replaced
    kSameAsInput,       // the output would replace a file the run reads
    kNotRegularFile,    // a FIFO, a device or a socket
    kTooLarge,          // a configuration larger than kMaxConfigurationBytes
};

const std::error_category& FileRefusalCategory();
std::error_code make_error_code(EFileRefusal refusal);

// A configuration is fourteen short lines; anything much larger is not one,
// and is refused before it is read to the end.
inline constexpr std::size_t kMaxConfigurationBytes = 64 * 1024;

// Writes a file so that the file that was there survives anything short of
// success: the bytes go to a temporary file created exclusively in the
// target's folder (unnamed where the system allows), which is put on the
// medium, named and then renamed over the target. A process killed between
// those two steps leaves the named file, which names its maker; the next
// write to that folder removes it. A target that is a symbolic link, a directory, a FIFO, a
// device or the same file as one of the inputs is refused before anything is
// written. A replaced file's permissions are kept.
class CSafeFile {
public:
    // Prepares writing to target; nullptr and the reason when it is refused
    // or the temporary file cannot be created.
    static std::unique_ptr<CSafeFile> Create(const std::filesystem::path& target,
                                             std::error_code& error,
                                             const std::vector<std::filesystem::path>& inputs = {});
    CSafeFile(const CSafeFile&) = delete;
    CSafeFile& operator=(const CSafeFile&) = delete;
    // Without a successful Commit() the temporary file is removed and the
    // target is untouched.
    ~CSafeFile();

    // False once anything failed (Error() says why); later writes do nothing.
    bool Write(std::string_view bytes);
    // Puts everything on the medium and replaces the target; false and the
    // target untouched when that failed.
    bool Commit();
    const std::error_code& Error() const { return m_error; }

private:
    CSafeFile() = default;
    bool Flush();
    bool Fail(int cause);
    void Discard();

    std::filesystem::path m_target;
    std::filesystem::path m_folder;
    std::filesystem::path m_temporary;  // empty while the file has no name
    int m_fd = -1;
    unsigned m_mode = 0;
    std::string m_buffer;
    std::error_code m_error;
    bool m_done = false;
};

// A fresh name beside target for its temporary file,
// ".NAME.<pid>-<start>-<boot>-<16 hex>.tmp": it names the process that makes
// it (see CProcessMark), so that a later write can tell a leftover from a
// file a running save still uses. Without the mark where the system gives
// none.
std::string TemporaryNameFor(const std::filesystem::path& target);

// Removes from folder the temporary files of our own naming whose maker is
// gone for certain (a save killed between naming its finished file and
// renaming it over the target leaves one); returns how many. Every
// CSafeFile::Create does this in its target's folder. Only the first
// kMaxEntriesLookedAt names of a folder are looked at, so that a huge folder
// costs a bounded time.
inline constexpr std::size_t kMaxEntriesLookedAt = 100000;
int RemoveAbandonedTemporaries(const std::filesystem::path& folder);

// Writes the whole text through a CSafeFile; the reason when it failed.
std::error_code WriteFileSafely(const std::filesystem::path& target, std::string_view bytes,
                                const std::vector<std::filesystem::path>& inputs = {});

}  // namespace ohmrada

template <>
struct std::is_error_code_enum<ohmrada::EFileRefusal> : std::true_type {};
