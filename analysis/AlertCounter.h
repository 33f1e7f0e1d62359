// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "SupplyAlerts.h"

namespace ohmrada {

// Counts the regulation message and the beeps instead of showing them.
class CAlertCounter : public CSupplyAlerts {
public:
    void Message(const std::string&) override { ++messages; }
    void Beep() override { ++beeps; }

    int messages = 0;
    int beeps = 0;
};

}  // namespace ohmrada
