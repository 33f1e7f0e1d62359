// SPDX-License-Identifier: GPL-3.0-or-later
#include "HugePageHeap.h"

#include <cstdint>
#include <cstdlib>
#include <string>

#ifdef OHMRADA_HEAP_ADVICE
#include <fcntl.h>
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace ohmrada::qt {

#ifdef OHMRADA_HEAP_ADVICE

namespace {

constexpr std::size_t kMiB = std::size_t{1} << 20;
// Blocks up to this size come from the heap; free memory at the heap's top is
// given back to the system beyond twice that (what glibc itself would settle
// on once such a block had been freed).
constexpr std::size_t kHeapBlockLimit = 8 * kMiB;
// glibc's heap chunk: a header of two words before the block, 16-byte steps.
constexpr std::uintptr_t kChunkHeader = 16;
constexpr std::uintptr_t kGapAtLeast = 64 * 1024;

std::string ReadSmallFile(const char* path) {
    const int file = ::open(path, O_RDONLY | O_CLOEXEC);
    if (file < 0) {
        return {};
    }
    char buffer[256];
    const ssize_t got = ::read(file, buffer, sizeof buffer);
    ::close(file);
    return got > 0 ? std::string(buffer, static_cast<std::size_t>(got)) : std::string();
}

// The huge page the kernel maps on request, 0 when it maps none.
std::size_t TransparentHugePage() {
    const std::string mode = ReadSmallFile("/sys/kernel/mm/transparent_hugepage/enabled");
    if (mode.find("[madvise]") == std::string::npos && mode.find("[always]") == std::string::npos) {
        return 0;
    }
    const std::string size = ReadSmallFile("/sys/kernel/mm/transparent_hugepage/hpage_pmd_size");
    return static_cast<std::size_t>(std::strtoull(size.c_str(), nullptr, 10));
}

// Stays allocated: it keeps the heap's allocations from the addresses below
// the first huge page. Never written past its header, it takes addresses but
// no memory.
void* g_gap = nullptr;

}  // namespace

CHugePageAdvice AdviseHeapHugePages(std::size_t bytes) {
    CHugePageAdvice advice;
    const std::size_t huge = TransparentHugePage();
    if (huge == 0) {
        advice.why = "transparent huge pages are off";
        return advice;
    }
    // A system with larger huge pages (512 MB under 64 KB pages) would map far
    // more than the start uses.
    if (huge > 4 * kMiB || (huge & (huge - 1)) != 0 || bytes == 0 || bytes > kHeapBlockLimit) {
        advice.why = "huge pages of this size are not worth it";
        return advice;
    }
    if (mallopt(M_MMAP_THRESHOLD, static_cast<int>(kHeapBlockLimit)) == 0 ||
        mallopt(M_TRIM_THRESHOLD, static_cast<int>(2 * kHeapBlockLimit)) == 0) {
        advice.why = "the heap does not take its limits";
        return advice;
    }
    const std::uintptr_t span = (bytes + huge - 1) & ~(huge - 1);
    // The heap's free top ends at the break and is keepcost long; the heap
    // hands out its blocks from its start, 16 bytes of header before each.
    void* const brk = sbrk(0);
    if (brk == reinterpret_cast<void*>(-1)) {
        advice.why = "the heap has no break";
        return advice;
    }
    const std::uintptr_t top = reinterpret_cast<std::uintptr_t>(brk) - mallinfo2().keepcost;
    std::uintptr_t first = (top + huge - 1) & ~(huge - 1);
    if (first - top < kGapAtLeast + kChunkHeader) {
        first += huge;
    }
    // A gap block up to the first huge page, then one block over the advised
    // pages: its header lies below them, the heap's new top beyond them, so
    // that none of them is touched before the advice (a page touched before
    // keeps its huge page from being mapped whole).
    void* gap = malloc(first - kChunkHeader - top - kChunkHeader / 2);
    void* reserve = gap != nullptr ? malloc(span + kChunkHeader / 2) : nullptr;
    const bool inPlace = gap == reinterpret_cast<void*>(top + kChunkHeader) &&
                         reserve == reinterpret_cast<void*>(first) &&
                         reinterpret_cast<std::uintptr_t>(sbrk(0)) >= first + span;
    if (inPlace && madvise(reserve, span, MADV_HUGEPAGE) == 0) {
        free(reserve);
        g_gap = gap;
        advice.advised = true;
        return advice;
    }
    free(reserve);
    free(gap);
    advice.why = inPlace ? "the system refused the advice" : "the heap did not grow where expected";
    return advice;
}

#else

CHugePageAdvice AdviseHeapHugePages(std::size_t /*bytes*/) {
    CHugePageAdvice advice;
#ifdef OHMRADA_OWN_ALLOCATOR
    advice.why = "a sanitizer's allocator is in use";
#else
    advice.why = "not glibc's heap (2.33 or later) on Linux";
#endif
    return advice;
}

#endif

}  // namespace ohmrada::qt
