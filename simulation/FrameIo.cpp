// SPDX-License-Identifier: GPL-3.0-or-later
#include "FrameIo.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "WorkerProtocol.h"

namespace ohmrada {

bool WriteFully(int fd, const std::string& bytes) {
    const char* data = bytes.data();
    std::size_t size = bytes.size();
    while (size > 0) {
        const ssize_t put = send(fd, data, size, MSG_NOSIGNAL);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            return false;
        }
        data += put;
        size -= static_cast<std::size_t>(put);
    }
    return true;
}

bool ReadFully(int fd, char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t got = read(fd, data, size);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return false;
        }
        data += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

std::optional<std::string> ReadFrame(int fd) {
    char header[8];
    if (!ReadFully(fd, header, sizeof header)) {
        return std::nullopt;
    }
    const std::uint64_t length = FrameLength(header);
    if (length > kLargestFrame) {
        return std::nullopt;
    }
    std::string payload(static_cast<std::size_t>(length), '\0');
    if (!ReadFully(fd, payload.data(), payload.size())) {
        return std::nullopt;
    }
    return payload;
}

bool WriteFrame(int fd, const std::string& payload) {
    return WriteFully(fd, FrameHeader(payload.size()) + payload);
}

}  // namespace ohmrada
