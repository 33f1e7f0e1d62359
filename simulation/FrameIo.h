// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace ohmrada {

// Whole frames over the stream socket between the program and its
// simulation worker (WorkerProtocol.h), on POSIX descriptors. Each retries
// what a signal interrupted; false or nothing when the other end is gone.
//
// Every byte, however many writes it takes. A closed peer is a failure
// (never SIGPIPE).
bool WriteFully(int fd, const std::string& bytes);
// Exactly size bytes, however many reads it takes.
bool ReadFully(int fd, char* data, std::size_t size);
// A frame's payload; nothing on a short read or a length past kLargestFrame.
std::optional<std::string> ReadFrame(int fd);
bool WriteFrame(int fd, const std::string& payload);

}  // namespace ohmrada
