// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProcessMark.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <fstream>
#include <limits>
#include <sstream>

#include <signal.h>
#include <unistd.h>

namespace ohmrada {

namespace {

template <typename T>
bool WholeNumber(std::string_view text, T& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

}  // namespace

std::string BootMark() {
    std::ifstream file("/proc/sys/kernel/random/boot_id");
    std::string id;
    std::getline(file, id);
    std::string mark;
    for (const char c : id) {
        if (std::isxdigit(static_cast<unsigned char>(c)) != 0 && mark.size() < 8) {
            mark.push_back(c);
        }
    }
    return mark.size() == 8 ? mark : std::string();
}

std::optional<unsigned long long> ProcessStartTime(pid_t pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(file, line)) {
        return std::nullopt;
    }
    // The command name (field 2) may hold blanks and parentheses: count
    // from its closing one.
    const std::size_t close = line.rfind(')');
    if (close == std::string::npos) {
        return std::nullopt;
    }
    std::istringstream fields(line.substr(close + 1));
    std::string field;
    for (int number = 3; number <= 22 && fields >> field; ++number) {
        unsigned long long ticks = 0;
        if (number == 22 && WholeNumber(field, ticks)) {
            return ticks;
        }
    }
    return std::nullopt;
}

std::optional<CProcessMark> ThisProcessMark() {
    CProcessMark mark;
    mark.pid = getpid();
    mark.boot = BootMark();
    const std::optional<unsigned long long> start = ProcessStartTime(mark.pid);
    if (mark.boot.empty() || !start) {
        return std::nullopt;
    }
    mark.start = *start;
    return mark;
}

std::string CProcessMark::Text() const {
    return std::to_string(pid) + '-' + std::to_string(start) + '-' + boot;
}

std::optional<CProcessMark> CProcessMark::Parse(std::string_view text, std::string_view* rest) {
    std::string_view parts[3];
    for (std::string_view& part : parts) {
        const std::size_t dash = text.find('-');
        part = text.substr(0, dash);
        text.remove_prefix(dash == std::string_view::npos ? text.size() : dash + 1);
    }
    CProcessMark mark;
    long long pid = 0;
    if (!WholeNumber(parts[0], pid) || pid <= 0 || pid > std::numeric_limits<pid_t>::max() ||
        !WholeNumber(parts[1], mark.start) || parts[2].size() != 8) {
        return std::nullopt;
    }
    for (const char c : parts[2]) {
        if (std::isxdigit(static_cast<unsigned char>(c)) == 0) {
            return std::nullopt;
        }
    }
    mark.pid = static_cast<pid_t>(pid);
    mark.boot = parts[2];
    if (rest != nullptr) {
        *rest = text;
    }
    return mark;
}

bool CProcessMark::IsGone() const {
    const std::string now = BootMark();
    if (now.empty()) {
        return false;
    }
    if (boot != now) {
        return true;  // made before the last reboot
    }
    if (kill(pid, 0) != 0 && errno == ESRCH) {
        return true;
    }
    const std::optional<unsigned long long> started = ProcessStartTime(pid);
    return started && *started != start;  // the id was taken by another process
}

}  // namespace ohmrada
