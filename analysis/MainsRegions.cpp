// SPDX-License-Identifier: GPL-3.0-or-later
#include "MainsRegions.h"

#include <array>
#include <charconv>
#include <system_error>

#include "Configuration.h"

namespace ohmrada {

namespace {

constexpr std::array<CMainsRegion, 3> kRegions = {{
    {"EN 50160 (\xC2\xB1"
     "10 %)",
     10.0, 10.0, "en50160"},
    {"ANSI C84.1 A (\xE2\x88\x92"
     "5/+5 %)",
     5.0, 5.0, "ansi-a"},
    {"ANSI C84.1 B (\xE2\x88\x92"
     "8.3/+5.8 %)",
     8.3, 5.8, "ansi-b"},
}};

}  // namespace

std::span<const CMainsRegion> MainsRegions() {
    return kRegions;
}

std::optional<std::size_t> MainsRegionOf(const CAnalysisSettings& settings) {
    for (std::size_t i = 0; i < kRegions.size(); ++i) {
        if (settings.mainsLowTolerancePct == kRegions[i].lowPct &&
            settings.mainsHighTolerancePct == kRegions[i].highPct) {
            return i;
        }
    }
    return std::nullopt;
}

std::optional<std::size_t> MainsRegionById(std::string_view id) {
    for (std::size_t i = 0; i < kRegions.size(); ++i) {
        if (id == kRegions[i].id) {
            return i;
        }
    }
    return std::nullopt;
}

namespace {

// A file names the regions by the ids it knows, in the same order.
constexpr bool SameIds() {
    for (std::size_t i = 0; i < kRegions.size(); ++i) {
        if (std::string_view(kRegions[i].id) != kMainsRegionIds[i]) {
            return false;
        }
    }
    return kRegions.size() == kMainsRegionIds.size();
}
static_assert(SameIds());

// The shortest text that reads back as exactly this percentage.
std::string PercentText(double percent) {
    std::array<char, 32> text{};
    const auto [end, error] = std::to_chars(text.data(), text.data() + text.size(), percent);
    return error == std::errc() ? std::string(text.data(), end) : std::string("0");
}

}  // namespace

std::string TolerancesForFile(const CAnalysisSettings& settings) {
    const std::optional<std::size_t> region = MainsRegionOf(settings);
    if (region == 0) {
        return {};
    }
    if (region) {
        return kRegions[*region].id;
    }
    return PercentText(settings.mainsLowTolerancePct) + " " +
           PercentText(settings.mainsHighTolerancePct);
}

bool ApplyTolerancesOfFile(std::string_view text, CAnalysisSettings& settings) {
    if (text.empty()) {
        settings.mainsLowTolerancePct = kRegions[0].lowPct;
        settings.mainsHighTolerancePct = kRegions[0].highPct;
        return true;
    }
    if (!IsValidExtraValue(kExtraRegion, text)) {
        return false;
    }
    if (const std::optional<std::size_t> region = MainsRegionById(text)) {
        settings.mainsLowTolerancePct = kRegions[*region].lowPct;
        settings.mainsHighTolerancePct = kRegions[*region].highPct;
        return true;
    }
    const std::size_t blank = text.find(' ');
    double low = 0.0;
    double high = 0.0;
    const std::string_view lowText = text.substr(0, blank);
    const std::string_view highText = text.substr(blank + 1);
    if (std::from_chars(lowText.data(), lowText.data() + lowText.size(), low).ec != std::errc() ||
        std::from_chars(highText.data(), highText.data() + highText.size(), high).ec !=
            std::errc()) {
        return false;
    }
    settings.mainsLowTolerancePct = low;
    settings.mainsHighTolerancePct = high;
    return true;
}

}  // namespace ohmrada
