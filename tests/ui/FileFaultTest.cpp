// SPDX-License-Identifier: GPL-3.0-or-later
// Open and Save As against real files that misbehave: the old file is never
// damaged, the user is always told, and nothing hangs.

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "DialogFixture.h"
#include "FieldTable.h"
#include "MainDialog.h"
#include "MemoryPlatform.h"
#include "Texts.h"
#include "support/TestFiles.h"

#if defined(__unix__)
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;
using namespace ohmrada;

namespace {

using test::kStartUpFile;

class FileFaultTest : public test::CDialogFixture<CMemoryPlatform> {
protected:
    // The last message names the path with a stop icon.
    void ExpectStopMessageNaming(const std::string& path, std::size_t count) const {
        ASSERT_EQ(m_platform.Messages().size(), count) << path;
        EXPECT_EQ(m_platform.Messages().back().icon, CPlatform::EIcon::kStop);
        EXPECT_NE(m_platform.Messages().back().text.find(path), std::string::npos);
    }
    static bool IsRoot() {
#if defined(__unix__)
        return ::geteuid() == 0;
#else
        return false;
#endif
    }
};

TEST_F(FileFaultTest, SavingWhereNoFileCanBeIsRefusedWithAMessage) {
    WriteFile(Path("plain"), "x");
    const std::string targets[] = {
        Path("missing/a.odr"),  // a folder that does not exist
        m_dir.string(),         // a directory
        Path("plain/a.odr"),    // a file used as a folder
        "/dev/null",            // a device is never replaced
    };
    std::size_t count = 0;
    for (const std::string& target : targets) {
        SaveAs(target);
        ExpectStopMessageNaming(target, ++count);
    }
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    EXPECT_EQ(Contents(Path("plain")), "x");
}

#if defined(__unix__)
TEST_F(FileFaultTest, APipeIsRefusedWithoutBlocking) {
    const std::string fifo = Path("pipe.odr");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    SaveAs(fifo);
    ExpectStopMessageNaming(fifo, 1);
    EXPECT_TRUE(fs::is_fifo(fifo));
}

TEST_F(FileFaultTest, AFullMediumLeavesTheOldFileByteForByte) {
    const std::string path = Path("design.odr");
    const std::string old = "an older design that must survive\r\n";
    WriteFile(path, old);

    // A file-size limit below the configuration's size stands in for a full
    // disk; with SIGXFSZ ignored the write fails with EFBIG.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto* previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 100;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    SaveAs(path);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_EQ(Contents(path), old);
    ASSERT_EQ(m_platform.Messages().size(), 1u);
    EXPECT_EQ(m_platform.Messages()[0].text,
              "Beim Zugriff auf " + path + " wurde ein voller Datentr\xC3\xA4ger gemeldet.");
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 1)
        << "no temporary file may be left behind";

    SaveAs(path);
    EXPECT_EQ(Contents(path), kStartUpFile);
}

TEST_F(FileFaultTest, ReadOnlyFolderAndUnreadableFile) {
    const std::string locked = Path("locked.odr");
    WriteFile(locked, kStartUpFile);
    fs::permissions(locked, fs::perms::none);
    fs::permissions(m_dir, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    const std::string target = Path("new.odr");
    const auto check = [&] {
        Open(locked);
        const bool openReported = m_platform.Messages().size() == 1 &&
                                  m_platform.Messages()[0].icon == CPlatform::EIcon::kStop;
        SaveAs(target);
        const bool saveReported = m_platform.Messages().size() == 2 &&
                                  m_platform.Messages()[1].icon == CPlatform::EIcon::kStop;
        return openReported && saveReported && !fs::exists(target) &&
               m_platform.Title() == texts::kWindowTitle;
    };
    if (IsRoot()) {
        // Permissions do not bind the superuser: check as an ordinary user in
        // a child process, for whom the folder is read-only.
        EXPECT_EXIT(
            {
                const bool dropped = ::setgid(65534) == 0 && ::setuid(65534) == 0;
                std::exit(dropped && check() ? 0 : 1);
            },
            ::testing::ExitedWithCode(0), "");
    } else {
        fs::permissions(m_dir, fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_TRUE(check());
    }
}
#endif

TEST_F(FileFaultTest, OpeningADirectoryIsReported) {
    m_platform.Enter(kIdLoadCurrent, "2");
    Open(m_dir.string());
    ExpectStopMessageNaming(m_dir.string(), 1);
    EXPECT_EQ(m_platform.GetItemText(kIdLoadCurrent), "2.000");
    EXPECT_EQ(m_platform.Title(), texts::kWindowTitle);
}

TEST_F(FileFaultTest, DamagedContentsLoadWithoutHarm) {
    std::string crOnly = kStartUpFile;
    for (std::size_t at; (at = crOnly.find("\r\n")) != std::string::npos;)
        crOnly.erase(at + 1, 1);
    std::string withNul = kStartUpFile;
    withNul.replace(withNul.find("mittelpunkt"), 11, std::string("mittel\0punkt", 12));

    struct Case {
        const char* name;
        std::string contents;
        const char* ratedVoltage;  // field 1024 afterwards
    } cases[] = {
        {"only CR line ends: one long first line", crOnly, "0.000"},
        {"NUL bytes", withNul, "18.000"},
    };
    for (const Case& c : cases) {
        const std::string path = Path("damaged.odr");
        WriteFile(path, c.contents);
        Open(path);
        EXPECT_EQ(m_platform.Title(), "Ohmrada -- " + path) << c.name;
        EXPECT_EQ(m_platform.GetItemText(kIdRatedVoltage), c.ratedVoltage) << c.name;
        for (const auto& message : m_platform.Messages()) {
            EXPECT_NE(message.icon, CPlatform::EIcon::kStop) << c.name << ": " << message.text;
        }
    }
    // The circuit keeps its NUL byte and is saved as it came.
    WriteFile(Path("nul.odr"), withNul);
    Open(Path("nul.odr"));
    SaveAs(Path("nul-again.odr"));
    EXPECT_EQ(Contents(Path("nul-again.odr")), withNul);
}

// A file far larger than a configuration is refused at once, not read to its
// end (a sparse gigabyte costs no time), and the form stays as it was.
TEST_F(FileFaultTest, AFileLargerThanAConfigurationIsRefusedUnread) {
    const std::string path = Path("huge.odr");
    std::string huge = kStartUpFile;
    huge.resize(100u << 10, '9');
    WriteFile(path, huge);
    fs::resize_file(path, std::uintmax_t{1} << 30);
    m_platform.Enter(kIdLoadCurrent, "2");
    Open(path);
    ExpectStopMessageNaming(path, 1);
    EXPECT_EQ(m_platform.GetItemText(kIdLoadCurrent), "2.000");
    EXPECT_EQ(m_platform.Title(), texts::kWindowTitle);
}

#if defined(__unix__)
// Save As never writes through a symbolic link planted at the name (in a
// shared folder it could point anywhere); the link and its target stay.
TEST_F(FileFaultTest, SavingOverASymbolicLinkIsRefused) {
    const std::string victim = Path("victim");
    const std::string link = Path("planted.odr");
    WriteFile(victim, "not yours");
    fs::create_symlink(victim, link);
    SaveAs(link);
    ExpectStopMessageNaming(link, 1);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Contents(victim), "not yours");
}
#endif

TEST_F(FileFaultTest, UnusualNamesWork) {
    const std::string names[] = {
        "mit Leerzeichen.odr",
        "Netzger\xC3\xA4t \xC3\xBC"
        "ber 12 V.odr",
        "$(echo x); `rm -rf` 'a' \"b\" & | * ? [c].odr",
        "ohne Endung",
    };
    for (const std::string& name : names) {
        const std::string path = Path(name);
        SaveAs(path);
        ASSERT_EQ(Contents(path), kStartUpFile) << name;
        Open(path);
        EXPECT_EQ(m_platform.Title(), "Ohmrada -- " + path) << name;
    }
    EXPECT_TRUE(m_platform.Messages().empty());
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()),
              static_cast<long>(std::size(names)));
}

}  // namespace
