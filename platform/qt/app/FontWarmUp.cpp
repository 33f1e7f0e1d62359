// SPDX-License-Identifier: GPL-3.0-or-later
#include "FontWarmUp.h"

#include <system_error>
#include <utility>

#if __has_include(<dlfcn.h>)
#include <dlfcn.h>
#define OHMRADA_HAS_DLSYM 1
#endif

namespace ohmrada::qt {

CFontWarmUp::CFontWarmUp(CWork first) {
    if (!first) {
        m_closed = true;
        return;
    }
    try {
        m_thread = std::thread([this, first = std::move(first)] { Run(first); });
    } catch (const std::system_error&) {
        // No thread to be had: the toolkit does the work when it needs it.
        m_closed = true;
    }
}

CFontWarmUp::~CFontWarmUp() {
    Wait();
}

void CFontWarmUp::Run(const CWork& first) {
    first();
    CWork next;
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_closed; });
        next = std::move(m_next);
    }
    if (next) {
        next();
    }
}

bool CFontWarmUp::Then(CWork next) {
    if (!next) {
        return false;
    }
    {
        const std::lock_guard lock(m_mutex);
        if (m_closed) {
            return false;
        }
        m_next = std::move(next);
        m_closed = true;
    }
    m_changed.notify_one();
    return true;
}

void CFontWarmUp::Wait() {
    {
        const std::lock_guard lock(m_mutex);
        m_closed = true;
    }
    m_changed.notify_one();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

CFontWarmUp::CWork FontconfigWarmUp(const char* function) {
#ifdef OHMRADA_HAS_DLSYM
    // Only a fontconfig that the toolkit brought into the process is used:
    // the program loads nothing for it. FcInit takes no arguments and returns
    // an FcBool (int); what it returns does not matter here, since the
    // toolkit asks again and reports a failure itself.
    using CInit = int (*)();
    void* symbol = dlsym(RTLD_DEFAULT, function);
    if (symbol == nullptr) {
        return {};
    }
    const auto init = reinterpret_cast<CInit>(symbol);
    return [init] { init(); };
#else
    (void)function;
    return {};
#endif
}

}  // namespace ohmrada::qt
