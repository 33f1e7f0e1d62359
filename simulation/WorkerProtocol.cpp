// SPDX-License-Identifier: GPL-3.0-or-later
#include "WorkerProtocol.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string_view>

namespace ohmrada {

namespace {

constexpr std::string_view kMagic = "ohmrada-spice 1";

// Reads a payload line by line and number by number.
class CReader {
public:
    explicit CReader(const std::string& text) : m_text(text) {}

    std::optional<std::string_view> Line() {
        const std::size_t end = m_text.find('\n', m_position);
        if (end == std::string_view::npos) {
            return std::nullopt;
        }
        std::string_view line = m_text.substr(m_position, end - m_position);
        m_position = end + 1;
        return line;
    }

    // "<word> <count>" with the word expected.
    std::optional<std::size_t> Count(std::string_view word) {
        const auto line = Line();
        if (!line || !line->starts_with(word) || line->size() <= word.size() + 1 ||
            (*line)[word.size()] != ' ') {
            return std::nullopt;
        }
        return Number(line->substr(word.size() + 1));
    }

    static std::optional<std::size_t> Number(std::string_view text) {
        std::size_t value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error != std::errc() || end != text.data() + text.size()) {
            return std::nullopt;
        }
        return value;
    }

    std::optional<std::string_view> Bytes(std::size_t count) {
        if (count > m_text.size() - m_position) {
            return std::nullopt;
        }
        std::string_view bytes = m_text.substr(m_position, count);
        m_position += count;
        return bytes;
    }

    bool AtEnd() const { return m_position == m_text.size(); }

private:
    std::string_view m_text;
    std::size_t m_position = 0;
};

constexpr std::string_view OutcomeWord(ESpiceOutcome outcome) {
    switch (outcome) {
        case ESpiceOutcome::kMissing:
            return "missing";
        case ESpiceOutcome::kTooManyPoints:
            return "points";
        default:
            return "refused";
    }
}

}  // namespace

std::string EncodeJob(const CSpiceJob& job) {
    std::string text(kMagic);
    text += "\npoints " + std::to_string(job.maxPoints) + "\nlines " +
            std::to_string(job.netlist.size()) + '\n';
    for (const std::string& line : job.netlist) {
        text += line;
        text += '\n';
    }
    text += "vectors " + std::to_string(job.vectors.size()) + '\n';
    for (const std::string& name : job.vectors) {
        text += name;
        text += '\n';
    }
    return text;
}

std::optional<CSpiceJob> DecodeJob(const std::string& payload) {
    CReader reader(payload);
    CSpiceJob job;
    const auto magic = reader.Line();
    const auto points = magic && *magic == kMagic ? reader.Count("points") : std::nullopt;
    const auto lines = points ? reader.Count("lines") : std::nullopt;
    if (!lines || *lines > payload.size()) {
        return std::nullopt;
    }
    job.maxPoints = *points;
    for (std::size_t i = 0; i < *lines; ++i) {
        const auto line = reader.Line();
        if (!line) {
            return std::nullopt;
        }
        job.netlist.emplace_back(*line);
    }
    const auto vectors = reader.Count("vectors");
    if (!vectors || *vectors > payload.size()) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < *vectors; ++i) {
        const auto name = reader.Line();
        if (!name) {
            return std::nullopt;
        }
        job.vectors.emplace_back(*name);
    }
    if (!reader.AtEnd()) {
        return std::nullopt;
    }
    return job;
}

std::uint64_t LargestAnswer(const CSpiceJob& job) {
    // Saturating: a job's limits come from the program, but a sum of them
    // must never wrap round to a small bound.
    const auto add = [](std::uint64_t a, std::uint64_t b) {
        return a > kLargestFrame || b > kLargestFrame - a ? kLargestFrame + 1 : a + b;
    };
    const std::uint64_t points =
        job.maxPoints > kLargestFrame ? kLargestFrame : job.maxPoints + kSparePoints;
    const std::uint64_t values =
        points > kLargestFrame / sizeof(double) ? kLargestFrame + 1 : points * sizeof(double);
    std::uint64_t done = 32;  // "done <n>\n"
    for (const std::string& name : job.vectors) {
        done = add(done, add(name.size() + 32, values));  // name, count, values
    }
    const std::uint64_t failed = kLargestMessage + 64;
    return std::min(std::max(done, failed), kLargestFrame);
}

std::string EncodeAnswer(const CSpiceRun& run) {
    if (!run.Done()) {
        std::string message = run.message.substr(0, kLargestMessage);
        for (char& c : message) {
            c = c == '\n' ? ' ' : c;
        }
        return "fail " + std::string(OutcomeWord(run.outcome)) +
               (run.workerEnds ? " ends " : " stays ") + message + '\n';
    }
    std::string text = "done " + std::to_string(run.vectors.size()) + '\n';
    for (const auto& [name, values] : run.vectors) {
        text += name + '\n' + std::to_string(values.size()) + '\n';
        const std::size_t at = text.size();
        text.resize(at + values.size() * sizeof(double));
        if (!values.empty()) {
            std::memcpy(text.data() + at, values.data(), values.size() * sizeof(double));
        }
    }
    return text;
}

std::optional<CSpiceRun> DecodeAnswer(const std::string& payload) {
    CReader reader(payload);
    CSpiceRun run;
    if (payload.starts_with("fail ")) {
        const auto line = reader.Line();
        if (!line || !reader.AtEnd()) {
            return std::nullopt;
        }
        const std::string_view rest = line->substr(5);
        const std::size_t space = rest.find(' ');
        const std::string_view word = rest.substr(0, space);
        run.outcome = word == "missing"   ? ESpiceOutcome::kMissing
                      : word == "points"  ? ESpiceOutcome::kTooManyPoints
                      : word == "refused" ? ESpiceOutcome::kRefused
                                          : ESpiceOutcome::kCrashed;
        if (run.outcome == ESpiceOutcome::kCrashed) {
            return std::nullopt;
        }
        if (space == std::string_view::npos) {
            return std::nullopt;
        }
        const std::string_view after = rest.substr(space + 1);
        if (after.starts_with("ends ")) {
            run.workerEnds = true;
        } else if (!after.starts_with("stays ")) {
            return std::nullopt;
        }
        run.message = after.substr(after.find(' ') + 1);
        if (run.message.size() > kLargestMessage) {
            return std::nullopt;  // no worker writes one that long
        }
        return run;
    }
    const auto count = reader.Count("done");
    if (!count || *count > payload.size()) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < *count; ++i) {
        const auto name = reader.Line();
        const auto lengthLine = name ? reader.Line() : std::nullopt;
        const auto length = lengthLine ? CReader::Number(*lengthLine) : std::nullopt;
        if (!length || *length > payload.size() / sizeof(double)) {
            return std::nullopt;
        }
        const auto bytes = reader.Bytes(*length * sizeof(double));
        if (!bytes) {
            return std::nullopt;
        }
        std::vector<double> values(*length);
        if (*length > 0) {
            std::memcpy(values.data(), bytes->data(), bytes->size());
        }
        if (!run.vectors.emplace(std::string(*name), std::move(values)).second) {
            return std::nullopt;  // a vector named twice
        }
    }
    if (!reader.AtEnd()) {
        return std::nullopt;
    }
    return run;
}

std::string FrameHeader(std::uint64_t length) {
    std::string header(sizeof length, '\0');
    std::memcpy(header.data(), &length, sizeof length);
    return header;
}

std::uint64_t FrameLength(const char* header) {
    std::uint64_t length = 0;
    std::memcpy(&length, header, sizeof length);
    return length;
}

}  // namespace ohmrada
