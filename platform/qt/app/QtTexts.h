// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

#include <QString>

#include "Language.h"

// The program's texts for Qt: a text of the tables in res/ in the chosen
// language (texts::Tr), as a QString. Any other text (a number, a path)
// comes back as it is.

namespace ohmrada::qt {

inline QString Tr(const char* text) {
    return text == nullptr ? QString() : QString::fromUtf8(texts::Tr(text));
}

inline QString Tr(std::string_view text) {
    const std::string translated = texts::Tr(text);
    return QString::fromUtf8(translated.data(), static_cast<qsizetype>(translated.size()));
}

}  // namespace ohmrada::qt
