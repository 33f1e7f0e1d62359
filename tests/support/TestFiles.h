// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the tests that touch real files share: a scratch folder of their own,
// whole-file reading and writing, and the start-up form.

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>

#if defined(__unix__) || defined(__APPLE__)
#include <unistd.h>
#endif

#include "support/StartUpForm.h"

namespace ohmrada::test {

inline std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::string bytes;
    char chunk[4096];
    while (file.read(chunk, sizeof chunk) || file.gcount() > 0) {
        bytes.append(chunk, static_cast<std::size_t>(file.gcount()));
    }
    return bytes;
}

inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// A fresh, empty folder named after the running test, removed with
// everything in it (even what was made read-only) when the object goes.
class CScratchFolder {
public:
    CScratchFolder() {
        static std::atomic<int> counter{0};
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = "ohmrada-";
        name += info != nullptr ? info->name() : "test";
#if defined(__unix__) || defined(__APPLE__)
        name += '-';
        name += std::to_string(::getpid());
#endif
        name += '-';
        name += std::to_string(counter++);
        m_path = std::filesystem::temp_directory_path() / name;
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~CScratchFolder() {
        std::error_code ignored;
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(m_path, ignored);
    }
    CScratchFolder(const CScratchFolder&) = delete;
    CScratchFolder& operator=(const CScratchFolder&) = delete;

    const std::filesystem::path& Path() const {
        return m_path;
    }
    std::string operator/(const std::string& name) const {
        return (m_path / name).string();
    }
    // How many entries the folder holds.
    long Count() const {
        return static_cast<long>(std::distance(std::filesystem::directory_iterator(m_path),
                                               std::filesystem::directory_iterator()));
    }

private:
    std::filesystem::path m_path;
};

}  // namespace ohmrada::test
