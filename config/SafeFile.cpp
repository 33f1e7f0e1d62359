// SPDX-License-Identifier: GPL-3.0-or-later
#include "SafeFile.h"

#include "ProcessMark.h"

#include <cerrno>
#include <iomanip>
#include <optional>
#include <random>
#include <sstream>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace ohmrada {

namespace {

class CFileRefusalCategory : public std::error_category {
public:
    const char* name() const noexcept override { return "file refusal"; }
    std::string message(int value) const override {
        switch (static_cast<EFileRefusal>(value)) {
            case EFileRefusal::kSymbolicLink:
                return "it is a symbolic link, which is neither followed nor replaced";
            case EFileRefusal::kSameAsInput:
                return "it is the same file as an input";
            case EFileRefusal::kNotRegularFile:
                return "it is not a regular file (a FIFO, a device or a socket)";
            case EFileRefusal::kTooLarge:
                return "it is larger than 64 KiB, too large for a configuration";
        }
        return "refused";
    }
};

std::error_code FromErrno(int cause) {
    return {cause != 0 ? cause : EIO, std::generic_category()};
}

// Why the existing target must not be replaced; empty when it may.
std::error_code RefusalOf(const struct stat& target, const std::vector<fs::path>& inputs) {
    if (S_ISLNK(target.st_mode)) {
        return EFileRefusal::kSymbolicLink;
    }
    if (S_ISDIR(target.st_mode)) {
        return std::make_error_code(std::errc::is_a_directory);
    }
    if (!S_ISREG(target.st_mode)) {
        return EFileRefusal::kNotRegularFile;
    }
    for (const fs::path& input : inputs) {
        struct stat read {};
        if (::stat(input.c_str(), &read) == 0 && read.st_dev == target.st_dev &&
            read.st_ino == target.st_ino) {
            return EFileRefusal::kSameAsInput;
        }
    }
    return {};
}

constexpr std::string_view kTemporarySuffix = ".tmp";
constexpr std::size_t kTemporaryHexDigits = 16;

std::string FreshName(const fs::path& target, std::mt19937_64& random) {
    const std::optional<CProcessMark> mark = ThisProcessMark();
    std::ostringstream name;
    name << '.' << target.filename().string() << '.';
    if (mark) {
        name << mark->Text() << '-';
    }
    name << std::hex << std::setw(kTemporaryHexDigits) << std::setfill('0') << random()
         << kTemporarySuffix;
    return (target.parent_path() / name.str()).string();
}

// The process a temporary file's name says made it; nothing when the name is
// not one of ours or carries no mark.
std::optional<CProcessMark> MakerOfTemporary(std::string_view name) {
    if (!name.starts_with('.') || !name.ends_with(kTemporarySuffix)) {
        return std::nullopt;
    }
    name.remove_suffix(kTemporarySuffix.size());
    // The target's own name may hold dots, the mark none.
    const std::size_t dot = name.rfind('.');
    if (dot == 0 || dot == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view rest;
    std::optional<CProcessMark> maker = CProcessMark::Parse(name.substr(dot + 1), &rest);
    if (!maker || rest.size() != kTemporaryHexDigits ||
        rest.find_first_not_of("0123456789abcdef") != std::string_view::npos) {
        return std::nullopt;
    }
    return maker;
}

}  // namespace

std::string TemporaryNameFor(const fs::path& target) {
    thread_local std::mt19937_64 random(std::random_device{}());
    return FreshName(target, random);
}

const std::error_category& FileRefusalCategory() {
    static const CFileRefusalCategory category;
    return category;
}

std::error_code make_error_code(EFileRefusal refusal) {
    return {static_cast<int>(refusal), FileRefusalCategory()};
}

std::unique_ptr<CSafeFile> CSafeFile::Create(const fs::path& target, std::error_code& error,
                                             const std::vector<fs::path>& inputs) {
    error.clear();
    if (target.empty() || !target.has_filename()) {
        error = std::make_error_code(target.empty() ? std::errc::no_such_file_or_directory
                                                    : std::errc::is_a_directory);
        return nullptr;
    }
    std::unique_ptr<CSafeFile> file(new CSafeFile());
    file->m_target = target;
    file->m_folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    struct stat existing {};
    const bool exists = ::lstat(target.c_str(), &existing) == 0;
    if (!exists && errno != ENOENT) {
        error = FromErrno(errno);
        return nullptr;
    }
    if (exists) {
        error = RefusalOf(existing, inputs);
        if (error) {
            return nullptr;
        }
        file->m_mode = existing.st_mode & 07777;
    }
    RemoveAbandonedTemporaries(file->m_folder);
    // An unnamed file in the folder disappears with the process, however it
    // ends; where the file system cannot make one, a named one is made
    // exclusively.
    file->m_fd = ::open(file->m_folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (file->m_fd < 0 && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        error = FromErrno(errno);
        return nullptr;
    }
    std::mt19937_64 random(std::random_device{}());
    for (int attempt = 0; file->m_fd < 0 && attempt < 100; ++attempt) {
        const std::string name = FreshName(target, random);
        file->m_fd =
            ::open(name.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (file->m_fd >= 0) {
            file->m_temporary = name;
        } else if (errno != EEXIST) {
            error = FromErrno(errno);
            return nullptr;
        }
    }
    if (file->m_fd < 0) {
        error = std::make_error_code(std::errc::file_exists);
        return nullptr;
    }
    if (exists && ::fchmod(file->m_fd, file->m_mode) != 0) {
        error = FromErrno(errno);
        return nullptr;
    }
    return file;
}

CSafeFile::~CSafeFile() {
    Discard();
}

void CSafeFile::Discard() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temporary.empty()) {
        ::unlink(m_temporary.c_str());
        m_temporary.clear();
    }
    m_done = true;
}

bool CSafeFile::Fail(int cause) {
    m_error = FromErrno(cause);
    Discard();
    return false;
}

bool CSafeFile::Flush() {
    std::size_t written = 0;
    while (written < m_buffer.size()) {
        const ssize_t got = ::write(m_fd, m_buffer.data() + written, m_buffer.size() - written);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return Fail(got < 0 ? errno : ENOSPC);
        }
        written += static_cast<std::size_t>(got);
    }
    m_buffer.clear();
    return true;
}

bool CSafeFile::Write(std::string_view bytes) {
    if (m_done) {
        return false;
    }
    m_buffer.append(bytes);
    return m_buffer.size() < (std::size_t{64} << 10) || Flush();
}

bool CSafeFile::Commit() {
    if (m_done || !Flush()) {
        return false;
    }
    // The data is on the medium before any name points at it.
    if (::fsync(m_fd) != 0) {
        return Fail(errno);
    }
    std::mt19937_64 random(std::random_device{}());
    const std::string self = "/proc/self/fd/" + std::to_string(m_fd);
    for (int attempt = 0; m_temporary.empty() && attempt < 100; ++attempt) {
        const std::string name = FreshName(m_target, random);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0 ||
            ::linkat(m_fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0) {
            m_temporary = name;
        } else if (errno != EEXIST) {
            return Fail(errno);
        }
    }
    if (m_temporary.empty()) {
        return Fail(EEXIST);
    }
    // rename replaces a link planted meanwhile by itself, never what it
    // points to.
    if (::rename(m_temporary.c_str(), m_target.c_str()) != 0) {
        return Fail(errno);
    }
    m_temporary.clear();
    const int folder = ::open(m_folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    Discard();
    return true;
}

int RemoveAbandonedTemporaries(const fs::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* listing = fd >= 0 ? ::fdopendir(fd) : nullptr;
    if (listing == nullptr) {
        if (fd >= 0) {
            ::close(fd);
        }
        return 0;
    }
    int removed = 0;
    std::size_t looked = 0;
    while (const dirent* entry = ::readdir(listing)) {
        if (++looked > kMaxEntriesLookedAt) {
            break;
        }
        const std::optional<CProcessMark> maker = MakerOfTemporary(entry->d_name);
        struct stat status {};
        // Only a plain file of this user with no other name, whose maker is
        // gone for certain: never a link, never a file a running save still
        // has to rename.
        if (maker && ::fstatat(fd, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(status.st_mode) && status.st_uid == ::getuid() && status.st_nlink == 1 &&
            maker->IsGone() && ::unlinkat(fd, entry->d_name, 0) == 0) {
            ++removed;
        }
    }
    ::closedir(listing);
    return removed;
}

std::error_code WriteFileSafely(const fs::path& target, std::string_view bytes,
                                const std::vector<fs::path>& inputs) {
    std::error_code error;
    const std::unique_ptr<CSafeFile> file = CSafeFile::Create(target, error, inputs);
    if (!file) {
        return error;
    }
    if (!file->Write(bytes) || !file->Commit()) {
        return file->Error();
    }
    return {};
}

}  // namespace ohmrada
