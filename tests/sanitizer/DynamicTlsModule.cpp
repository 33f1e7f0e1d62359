// SPDX-License-Identifier: GPL-3.0-or-later
// A module with a thread-local variable, loaded with dlopen by
// DynamicTlsProbe: each thread's copy lies in a block the loader allocates
// when the thread first touches it (dynamic TLS), as Qt's plug-ins, the font
// libraries and ngspice have theirs.
#include <cstdlib>

namespace {
thread_local void* t_pBlock = nullptr;
}

// Keeps a heap block reachable only through this thread's dynamic TLS.
extern "C" __attribute__((visibility("default"))) int OhmradaTouchDynamicTls() {
    if (t_pBlock == nullptr)
        t_pBlock = std::malloc(64);
    return t_pBlock != nullptr ? 0 : 1;
}
