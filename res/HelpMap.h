// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ResourceTypes.h"

// The pages of the user help (res/help) and the help contexts they answer.

namespace ohmrada::res {

struct CHelpTopic {
    unsigned context;
    const char* page;
};

// The page that "&Bedienung" opens.
inline constexpr const char* kHelpContentsPage = "index.html";

// Context numbers are the help base 0x20000 plus the template number of the
// window that asks for help.
inline constexpr CHelpTopic kHelpTopics[] = {
    {0x20000u + kIdFormTemplate, "formular.html"},
};

}  // namespace ohmrada::res
