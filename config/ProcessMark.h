// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <sys/types.h>

namespace ohmrada {

// Who made a temporary file or folder, written into its name, so that a
// later run can remove what a process killed outright left behind without
// ever taking what a running process still uses: the process id, its start
// time in clock ticks after boot (a reused id has another), and the start of
// the boot's id (an id from before the last reboot names no process).
struct CProcessMark {
    pid_t pid = -1;
    unsigned long long start = 0;
    std::string boot;  // 8 hex digits

    // "<pid>-<start>-<boot>".
    std::string Text() const;
    // Read from the front of text; `rest` is what follows the mark. Nothing
    // when text does not begin with a mark.
    static std::optional<CProcessMark> Parse(std::string_view text,
                                             std::string_view* rest = nullptr);
    // True only where the process is gone for certain; one this program
    // cannot look at counts as running.
    bool IsGone() const;
};

// This process's mark; nothing where the system does not say (then what it
// makes carries no mark and is never removed by another run).
std::optional<CProcessMark> ThisProcessMark();

// The start of this boot's id; empty where the system does not say.
std::string BootMark();

// A process's start time in clock ticks after boot; nothing when there is no
// such process or it cannot be read.
std::optional<unsigned long long> ProcessStartTime(pid_t pid);

}  // namespace ohmrada
