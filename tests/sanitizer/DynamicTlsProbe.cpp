// SPDX-License-Identifier: GPL-3.0-or-later
// Starts threads that each keep a heap block reachable only through a loaded
// module's thread-local variable (dynamic TLS), then exits with all of them
// alive, so that the leak check at exit walks every thread's dynamic TLS.
// The sanitizer runtimes of GCC 12 and clang 14 misread a block that starts
// 16 bytes into a page and crash in that walk; with a few hundred threads
// some block always does. The sanitizer runs set intercept_tls_get_addr=0
// (see the README): then the walk neither crashes nor reports the blocks.
//
//   ohmrada_dynamic_tls_probe MODULE
#include <dlfcn.h>
#include <pthread.h>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kThreads = 256;

// Without destructors: exit() must not wait to destroy a condition the
// threads still wait on.
pthread_mutex_t g_mutex = PTHREAD_MUTEX_INITIALIZER;
pthread_cond_t g_changed = PTHREAD_COND_INITIALIZER;
int g_touched = 0;
int (*g_touch)() = nullptr;

void* TouchAndStay(void*) {
    const bool touched = g_touch() == 0;
    pthread_mutex_lock(&g_mutex);
    g_touched += touched ? 1 : kThreads + 1;  // a failure ends the wait too
    pthread_cond_broadcast(&g_changed);
    for (;;)
        pthread_cond_wait(&g_changed, &g_mutex);
}

}  // namespace

int main(int argc, char** argv) {
    void* pModule = argc == 2 ? dlopen(argv[1], RTLD_NOW | RTLD_LOCAL) : nullptr;
    g_touch = pModule != nullptr
                  ? reinterpret_cast<int (*)()>(dlsym(pModule, "OhmradaTouchDynamicTls"))
                  : nullptr;
    if (g_touch == nullptr) {
        const char* why = dlerror();
        std::fprintf(stderr, "usage: ohmrada_dynamic_tls_probe MODULE (%s)\n",
                     why != nullptr ? why : "no module given");
        return 2;
    }
    for (int i = 0; i < kThreads; ++i) {
        pthread_t thread;
        if (pthread_create(&thread, nullptr, TouchAndStay, nullptr) != 0) {
            return 2;
        }
        pthread_detach(thread);
    }
    pthread_mutex_lock(&g_mutex);
    while (g_touched < kThreads)
        pthread_cond_wait(&g_changed, &g_mutex);
    const bool allTouched = g_touched == kThreads;
    pthread_mutex_unlock(&g_mutex);
    // exit() runs the leak check with every thread still alive.
    std::exit(allTouched ? 0 : 1);
}
