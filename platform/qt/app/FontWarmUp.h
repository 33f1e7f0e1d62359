// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace ohmrada::qt {

// Work done on a thread of its own while the program starts, for the first
// text the window measures: reading the system's font configuration, then
// the toolkit's list of the fonts.
//
// Fontconfig reads its configuration (some dozens of XML files) once per
// process, when it is first asked; that and the toolkit's list of the fonts
// made from it are most of the cost of the first text. Started first thing,
// the reading runs on the second core beside the creation of the
// application; the list follows (Then) once the application exists, and the
// form waits (Wait) just before it first measures its font. Both may be done
// from any thread: fontconfig's FcInit after the first returns at once, the
// toolkit's font database is filled once under its own lock, so the later
// calls find the work done, and one that comes early does it itself rather
// than wrongly.
//
// The thread never outlives its owner: Wait, or the destructor, joins it,
// so an early end of the program (a bad argument) waits for it and leaves
// nothing running. With no work, or when no thread can be started, nothing
// runs and Wait returns at once: the toolkit then does the work when it
// needs it.
class CFontWarmUp {
public:
    using CWork = std::function<void()>;

    // Starts first on a thread of its own; an empty first starts nothing.
    explicit CFontWarmUp(CWork first);
    ~CFontWarmUp();
    CFontWarmUp(const CFontWarmUp&) = delete;
    CFontWarmUp& operator=(const CFontWarmUp&) = delete;

    // Gives the thread its second and last work, done after the first: work
    // that needs what the caller has made meanwhile. Returns false, and the
    // work is not done, when no thread runs or it was already waited for or
    // given its second work.
    bool Then(CWork next);
    // Returns once the thread has done its work and ended (at once if it
    // was never started or already waited for); a thread still waiting for
    // Then ends without more.
    void Wait();
    // True while a started thread has not been waited for.
    bool Pending() const { return m_thread.joinable(); }

private:
    void Run(const CWork& first);

    std::mutex m_mutex;
    std::condition_variable m_changed;
    CWork m_next;
    bool m_closed = false;  // no more work will be given
    std::thread m_thread;
};

// The work that reads the font configuration: the running program's
// fontconfig function of that name (FcInit), looked up at run time. Empty
// where the program runs without fontconfig: on a system without it, or
// with a toolkit that draws text with fonts of its own.
CFontWarmUp::CWork FontconfigWarmUp(const char* function = "FcInit");

}  // namespace ohmrada::qt
