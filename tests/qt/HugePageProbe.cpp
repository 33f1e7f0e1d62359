// SPDX-License-Identifier: GPL-3.0-or-later
// Starts as the program does, with the heap's huge page advice first, then
// takes a block the size of the window's backing store and writes it, and
// says what the system made of it (read by HugePageHeapTest):
//   advised, why        what the advice said
//   mapping, hg         the mapping the block lies in, and whether it is
//                       advised for huge pages
//   anonymous_kib       how much the program's own memory grew by the advice
//   pages, faults       the block's pages, and the page faults taking and
//                       writing them
//   huge_kib            the block's mapping's memory in huge pages
//   fallbacks           the system's huge page faults that fell back to
//                       small pages meanwhile
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <sys/resource.h>
#include <unistd.h>

#include "HugePageHeap.h"

namespace {

constexpr std::size_t kBlock = 1'340'000;  // 636 x 527 pixels, 4 bytes each

// The program's own memory in use (not its code or files), KiB.
long AnonymousKiB() {
    long kib = -1;
    FILE* status = std::fopen("/proc/self/status", "r");
    if (status == nullptr) {
        return kib;
    }
    char line[256];
    while (std::fgets(line, sizeof line, status) != nullptr) {
        if (std::sscanf(line, "RssAnon: %ld", &kib) == 1) {
            break;
        }
    }
    std::fclose(status);
    return kib;
}

long MinorFaults() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

long VmStat(const char* key) {
    long value = -1;
    FILE* vmstat = std::fopen("/proc/vmstat", "r");
    if (vmstat == nullptr) {
        return value;
    }
    char name[128];
    long number = 0;
    while (std::fscanf(vmstat, "%127s %ld", name, &number) == 2) {
        if (std::strcmp(name, key) == 0) {
            value = number;
        }
    }
    std::fclose(vmstat);
    return value;
}

struct CMapping {
    std::string name;
    bool hugeAdvised = false;
    long hugeKiB = 0;
};

// The mapping holding address, from /proc/self/smaps.
CMapping MappingOf(const void* address) {
    CMapping mapping;
    const auto at = reinterpret_cast<unsigned long>(address);
    FILE* smaps = std::fopen("/proc/self/smaps", "r");
    if (smaps == nullptr) {
        return mapping;
    }
    char line[512];
    bool inside = false;
    while (std::fgets(line, sizeof line, smaps) != nullptr) {
        unsigned long from = 0;
        unsigned long to = 0;
        char name[256] = "";
        if (std::sscanf(line, "%lx-%lx %*s %*s %*s %*s %255s", &from, &to, name) >= 2 &&
            std::strchr(line, '-') < std::strchr(line, ' ')) {
            inside = from <= at && at < to;
            if (inside) {
                mapping.name = name[0] != '\0' ? name : "[anonymous]";
            }
            continue;
        }
        if (!inside) {
            continue;
        }
        long kib = 0;
        if (std::sscanf(line, "AnonHugePages: %ld", &kib) == 1) {
            mapping.hugeKiB = kib;
        } else if (std::strncmp(line, "VmFlags:", 8) == 0) {
            mapping.hugeAdvised = std::strstr(line, " hg") != nullptr;
        }
    }
    std::fclose(smaps);
    return mapping;
}

}  // namespace

int main() {
    const long anonymousBefore = AnonymousKiB();
    const ohmrada::qt::CHugePageAdvice advice =
        ohmrada::qt::AdviseHeapHugePages(std::size_t{2} << 20);
    const long anonymousGrowth = AnonymousKiB() - anonymousBefore;

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
        "advised=%d\nwhy=%s\nmapping=%s\nhg=%d\nanonymous_kib=%ld\npages=%ld\n"
        "faults=%ld\nhuge_kib=%ld\nfallbacks=%ld\n",
        advice.advised ? 1 : 0, advice.why, taken.name.c_str(), taken.hugeAdvised ? 1 : 0,
        anonymousGrowth, static_cast<long>(kBlock) / page, faults, taken.hugeKiB, fallbacks);
    std::free(block);
    return 0;
}
