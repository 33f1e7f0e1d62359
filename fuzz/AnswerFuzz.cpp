// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary bytes as the payload of a simulation worker's answer: the reader
// refuses or takes it without crashing, and what it takes is written again
// and read back the same (so nothing was guessed or dropped). The first two bytes also make a job
// whose bound on answers must hold every answer it took in due form for such a job.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "WorkerProtocol.h"

using namespace ohmrada;

namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string payload(reinterpret_cast<const char*>(data), size);
    const std::optional<CSpiceRun> run = DecodeAnswer(payload);
    if (!run) {
        return 0;
    }
    if (run->Done() != payload.starts_with("done ")) {
        Fail("an answer was taken as the other kind");
    }
    const std::string again = EncodeAnswer(*run);
    const std::optional<CSpiceRun> back = DecodeAnswer(again);
    // Compared as written (a NaN among the values equals nothing).
    if (!back || EncodeAnswer(*back) != again || back->message != run->message ||
        back->outcome != run->outcome || back->workerEnds != run->workerEnds ||
        back->vectors.size() != run->vectors.size()) {
        Fail("an answer taken does not survive writing and reading again");
    }
    // A job asking for exactly the vectors answered, at their longest length.
    CSpiceJob job;
    job.maxPoints = 0;
    for (const auto& [name, values] : run->vectors) {
        job.vectors.push_back(name);
        job.maxPoints = std::max(job.maxPoints, values.size());
    }
    if (run->Done() && again.size() > LargestAnswer(job)) {
        Fail("an answer in due form to a job is larger than that job's bound");
    }
    if (!run->Done() && run->message.size() <= kLargestMessage &&
        again.size() > LargestAnswer(job)) {
        Fail("a failure with a message within bounds is larger than the bound");
    }
    return 0;
}
