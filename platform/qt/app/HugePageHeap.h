// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>  // also brings the C library's own macros (__GLIBC__)

// Whether this build can advise the heap at all: Linux, glibc 2.33 or later
// (mallinfo2 tells where the heap's free top begins), and glibc's heap in
// use, not a sanitizer's allocator.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define OHMRADA_OWN_ALLOCATOR 1
#endif
#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || \
    __has_feature(memory_sanitizer)
#define OHMRADA_OWN_ALLOCATOR 1
#endif
#endif
#if defined(__linux__) && defined(__GLIBC__) && !defined(OHMRADA_OWN_ALLOCATOR) && \
    (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 33))
#define OHMRADA_HEAP_ADVICE 1
#endif

namespace ohmrada::qt {

#ifdef OHMRADA_HEAP_ADVICE
inline constexpr bool kHeapAdviceBuilt = true;
#else
inline constexpr bool kHeapAdviceBuilt = false;
#endif

// What AdviseHeapHugePages did.
struct CHugePageAdvice {
    bool advised = false;  // the heap's next bytes lie on advised huge pages
    const char* why = "";  // why not, when not
};

// The window's first paint needs some 2 MB of fresh memory at once: the
// controls' objects and, above all, the window's backing store (4 bytes a
// pixel). Page by page that is some 500 page faults, and on a virtual
// machine a fault can cost 10 µs and more. Where the system offers
// transparent huge pages on request (Linux's "madvise" or "always" mode) and
// the heap is glibc's, this lets the heap's next `bytes` (rounded to whole
// huge pages) come as huge pages, each mapped in one fault, and lets blocks
// up to 8 MB come from the heap (the backing store among them) instead of
// maps of their own. Memory that is never touched is never mapped: the
// program's resident memory stays what it was.
//
// Called once, early in the program, before the window is made. Other threads
// may run beside it (they take their memory from heaps of their own): it
// advises only blocks it has checked lie where it expects them (where they
// do not, the heap keeps only its new limits). Elsewhere (another system or
// C library, a sanitizer's allocator, huge pages off) it changes nothing and
// says why.
CHugePageAdvice AdviseHeapHugePages(std::size_t bytes);

}  // namespace ohmrada::qt
