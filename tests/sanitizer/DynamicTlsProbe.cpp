// SPDX-License-Identifier: GPL-3.0-or-later
// Starts many threads that each touch a dynamically loaded module's
// thread-local variable and keep running, then exits, so that the leak check
// at exit must walk every thread's dynamic TLS. Each thread's block holds a
// heap block reachable only from there.
//
// The sanitizer runtimes of GCC 12 and clang 14 misread any such block that
// starts 16 bytes into a page and crash in that walk ("Tracer caught signal
// 11"); with a few hundred threads some block always does. The sanitizer
// runs set intercept_tls_get_addr=0, and this probe passes only when the
// walk neither crashes nor reports the blocks held in TLS as leaks.
//
//   ohmrada_dynamic_tls_probe MODULE
#include <dlfcn.h>
#include <pthread.h>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kThreads = 256;

// Plain POSIX objects without destructors: exit() must not wait to destroy a
// condition the threads still wait on.
pthread_mutex_t g_mutex = PTHREAD_MUTEX_INITIALIZER;
pthread_cond_t g_changed = PTHREAD_COND_INITIALIZER;
int g_touched = 0;
int g_failed = 0;
int (*g_touch)() = nullptr;

void* Touch(void*) {
    const int failed = g_touch();
    pthread_mutex_lock(&g_mutex);
    ++g_touched;
    g_failed += failed;
    pthread_cond_broadcast(&g_changed);
    for (;;)
        pthread_cond_wait(&g_changed, &g_mutex);
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: ohmrada_dynamic_tls_probe MODULE\n");
        return 2;
    }
    void* pModule = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (pModule == nullptr) {
        std::fprintf(stderr, "cannot load %s: %s\n", argv[1], dlerror());
        return 2;
    }
    using FTouch = int (*)();
    g_touch = reinterpret_cast<FTouch>(dlsym(pModule, "OhmradaTouchDynamicTls"));
    if (g_touch == nullptr) {
        std::fprintf(stderr, "%s has no OhmradaTouchDynamicTls\n", argv[1]);
        return 2;
    }

    // The threads stay blocked until the process ends: the leak check at
    // exit then finds all of them, each with its dynamic TLS.
    for (int i = 0; i < kThreads; ++i) {
        pthread_t thread;
        if (pthread_create(&thread, nullptr, Touch, nullptr) != 0) {
            std::fprintf(stderr, "cannot start thread %d\n", i + 1);
            return 2;
        }
        pthread_detach(thread);
    }
    pthread_mutex_lock(&g_mutex);
    while (g_touched < kThreads)
        pthread_cond_wait(&g_changed, &g_mutex);
    const int failed = g_failed;
    pthread_mutex_unlock(&g_mutex);
    std::printf("threads %d, failed %d\n", kThreads, failed);
    std::fflush(stdout);
    // exit() runs the leak check with every thread still alive.
    std::exit(failed == 0 ? 0 : 1);
}
