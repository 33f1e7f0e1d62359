// SPDX-License-Identifier: GPL-3.0-or-later
// Starts as the program does, with the heap's huge page advice first, then
// takes a block the size of the window's backing store and writes it, and
// says what the system made of it (read by HugePageHeapTest):
//   advised, why        what the advice said
//   mapping, hg         the mapping the block lies in, and whether it is
//                       advised for huge pages
//   heap_kib            how much of the heap the advice brought into memory
//   pages, faults       the block's pages, and the page faults taking and
//                       writing them
//   huge_kib            the block's mapping's memory in huge pages
//   fallbacks           the system's huge page faults that fell back to
//                       small pages meanwhile
// It reads the system's files into a buffer of its own and allocates
// nothing on the heap but the block, so that what it measures is the
// advice's and the block's alone.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "HugePageHeap.h"

namespace {

constexpr std::size_t kBlock = 1'340'000;  // 636 x 527 pixels, 4 bytes each

// Calls visit(line) for each line of a file of the system, read whole into
// one buffer of the probe's own (each call overwrites it).
template <typename Visit>
void ForEachLine(const char* path, Visit visit) {
    static char text[1 << 20];
    std::size_t size = 0;
    const int file = ::open(path, O_RDONLY | O_CLOEXEC);
    if (file >= 0) {
        ssize_t got = 0;
        while (size + 1 < sizeof text &&
               (got = ::read(file, text + size, sizeof text - 1 - size)) > 0) {
            size += static_cast<std::size_t>(got);
        }
        ::close(file);
    }
    text[size] = '\0';
    std::replace(text, text + size, '\n', '\0');
    for (const char* line = text; line < text + size; line += std::strlen(line) + 1) {
        visit(line);
    }
}

long MinorFaults() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

long VmStat(const char* key) {
    long found = -1;
    ForEachLine("/proc/vmstat", [&](const char* line) {
        char name[128];
        long value = 0;
        if (std::sscanf(line, "%127s %ld", name, &value) == 2 && std::strcmp(name, key) == 0) {
            found = value;
        }
    });
    return found;
}

struct CMapping {
    char name[256] = "";
    long residentKiB = 0;
    long hugeKiB = 0;
    bool hugeAdvised = false;
};

// Walks /proc/self/smaps (which counts the mapped pages exactly): for each
// mapping, visit(from, to, mapping) once its lines are read.
template <typename Visit>
void ForEachMapping(Visit visit) {
    CMapping mapping;
    unsigned long from = 0;
    unsigned long to = 0;
    bool open = false;
    ForEachLine("/proc/self/smaps", [&](const char* line) {
        unsigned long nextFrom = 0;
        unsigned long nextTo = 0;
        char name[256] = "";
        if (std::strchr(line, '-') < std::strchr(line, ' ') &&
            std::sscanf(line, "%lx-%lx %*s %*s %*s %*s %255s", &nextFrom, &nextTo, name) >= 2) {
            if (open) {
                visit(from, to, mapping);
            }
            mapping = CMapping{};
            std::strcpy(mapping.name, name[0] != '\0' ? name : "[anonymous]");
            from = nextFrom;
            to = nextTo;
            open = true;
            return;
        }
        long kib = 0;
        if (std::sscanf(line, "Rss: %ld", &kib) == 1) {
            mapping.residentKiB = kib;
        } else if (std::sscanf(line, "AnonHugePages: %ld", &kib) == 1) {
            mapping.hugeKiB = kib;
        } else if (std::strncmp(line, "VmFlags:", 8) == 0) {
            mapping.hugeAdvised = std::strstr(line, " hg") != nullptr;
        }
    });
    if (open) {
        visit(from, to, mapping);
    }
}

CMapping MappingOf(const void* address) {
    const auto at = reinterpret_cast<unsigned long>(address);
    CMapping found;
    ForEachMapping([&](unsigned long from, unsigned long to, const CMapping& mapping) {
        if (from <= at && at < to) {
            found = mapping;
        }
    });
    return found;
}

// The heap's pages in memory (the advice splits it into mappings), KiB.
long HeapResidentKiB() {
    long kib = 0;
    ForEachMapping([&](unsigned long, unsigned long, const CMapping& mapping) {
        if (std::strcmp(mapping.name, "[heap]") == 0) {
            kib += mapping.residentKiB;
        }
    });
    return kib;
}

}  // namespace

int main() {
    const long heapBefore = HeapResidentKiB();
    const ohmrada::qt::CHugePageAdvice advice =
        ohmrada::qt::AdviseHeapHugePages(std::size_t{2} << 20);
    const long heapGrowth = HeapResidentKiB() - heapBefore;

    const long page = sysconf(_SC_PAGESIZE);
    const long fallbacksBefore = VmStat("thp_fault_fallback");
    const long faultsBefore = MinorFaults();
    auto* block = static_cast<char*>(std::malloc(kBlock));
    if (block == nullptr) {
        return 1;
    }
    for (std::size_t k = 0; k < kBlock; k += static_cast<std::size_t>(page)) {
        static_cast<volatile char*>(block)[k] = 1;
    }
    const long faults = MinorFaults() - faultsBefore;
    const long fallbacks = VmStat("thp_fault_fallback") - fallbacksBefore;
    const CMapping taken = MappingOf(block);

    std::printf(
        "advised=%d\nwhy=%s\nmapping=%s\nhg=%d\nheap_kib=%ld\npages=%ld\n"
        "faults=%ld\nhuge_kib=%ld\nfallbacks=%ld\n",
        advice.advised ? 1 : 0, advice.why, taken.name, taken.hugeAdvised ? 1 : 0, heapGrowth,
        static_cast<long>(kBlock) / page, faults, taken.hugeKiB, fallbacks);
    std::free(block);
    return 0;
}
