// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "SpiceSession.h"

namespace ohmrada {

// What the program and its simulation worker say to each other over one
// stream socket. Every message is a frame: its length as 8 bytes (the
// machine's byte order; both ends are the same machine), then the payload.
//
//   job:     "ohmrada-spice 1\n" "points <n>\n" "lines <n>\n" <line>\n...
//            "vectors <n>\n" <name>\n...
//   answer:  "done <n>\n" then per vector <name>\n <count>\n <count doubles>
//            "fail <outcome> <ends|stays> <message>\n"   (outcome: missing,
//            refused, points; "ends" when the worker ends after answering)
//
// A decoder returns nothing for anything malformed; the program then treats
// the worker as broken.
inline constexpr std::uint64_t kLargestFrame = std::uint64_t{1} << 30;

// The longest message of a failed run; a longer one is cut there.
inline constexpr std::size_t kLargestMessage = 16 * 1024;
// Time points a vector may hold beyond the job's limit (ngspice keeps the
// point at t = 0 and the last one it was computing when the limit was hit).
inline constexpr std::size_t kSparePoints = 16;

// The longest answer a worker can give to this job in due form: its vectors
// at the job's point limit, or a failure with the longest message. A frame
// announced longer than that is nonsense and is not read.
std::uint64_t LargestAnswer(const CSpiceJob& job);

std::string EncodeJob(const CSpiceJob& job);
std::optional<CSpiceJob> DecodeJob(const std::string& payload);

std::string EncodeAnswer(const CSpiceRun& run);
std::optional<CSpiceRun> DecodeAnswer(const std::string& payload);

// A frame's 8-byte header for a payload of this length.
std::string FrameHeader(std::uint64_t length);
std::uint64_t FrameLength(const char* header);

}  // namespace ohmrada
