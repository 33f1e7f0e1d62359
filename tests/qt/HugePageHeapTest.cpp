// SPDX-License-Identifier: GPL-3.0-or-later
// The heap's huge page advice at the program's start, seen from outside in a
// program that starts as the desktop program does (HugePageProbe.cpp): where
// the system offers huge pages on request, the window's backing store comes
// from the advised heap, is mapped in a few faults instead of one a page, and
// the advice itself maps no memory; elsewhere it changes nothing.
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include <gtest/gtest.h>
#include <QProcess>

#include "HugePageHeap.h"

namespace {

std::map<std::string, std::string> RunProbe() {
    QProcess probe;
    probe.start(QStringLiteral(OHMRADA_HUGE_PAGE_PROBE_PATH), {});
    if (!probe.waitForFinished(30000) || probe.exitStatus() != QProcess::NormalExit ||
        probe.exitCode() != 0) {
        return {};
    }
    std::map<std::string, std::string> said;
    std::istringstream lines(probe.readAllStandardOutput().toStdString());
    std::string line;
    while (std::getline(lines, line)) {
        const std::size_t at = line.find('=');
        if (at != std::string::npos) {
            said[line.substr(0, at)] = line.substr(at + 1);
        }
    }
    return said;
}

long Number(const std::map<std::string, std::string>& said, const std::string& key) {
    const auto it = said.find(key);
    return it != said.end() ? std::stol(it->second) : -1;
}

bool SystemOffersHugePages() {
    std::ifstream mode("/sys/kernel/mm/transparent_hugepage/enabled");
    std::string text;
    std::getline(mode, text);
    return text.find("[madvise]") != std::string::npos ||
           text.find("[always]") != std::string::npos;
}

TEST(HugePageHeapTest, TheBackingStoreComesFromAdvisedHugePages) {
    const std::map<std::string, std::string> said = RunProbe();
    ASSERT_FALSE(said.empty()) << "the probe did not run";
    if (!ohmrada::qt::kHeapAdviceBuilt || !SystemOffersHugePages()) {
        // Nothing is changed, and the advice says why.
        EXPECT_EQ(Number(said, "advised"), 0);
        EXPECT_FALSE(said.at("why").empty());
        GTEST_SKIP() << "no huge pages on request here: " << said.at("why");
    }
    ASSERT_EQ(Number(said, "advised"), 1) << said.at("why");
    // A block of the backing store's size lies in the heap, on advised pages.
    EXPECT_EQ(said.at("mapping"), "[heap]");
    EXPECT_EQ(Number(said, "hg"), 1);
    // The advice itself maps no memory (a header or two): a page, small or
    // huge, is mapped only when written.
    EXPECT_LT(Number(said, "heap_kib"), 64);
    // Writing it: whole huge pages, a few faults for its 327 pages; or, when
    // the system had no huge page to give, it says that it fell back.
    const long pages = Number(said, "pages");
    if (Number(said, "fallbacks") <= 0) {
        EXPECT_GE(Number(said, "huge_kib"), 2048);
        EXPECT_LT(Number(said, "faults"), pages / 8);
    }
}

}  // namespace
