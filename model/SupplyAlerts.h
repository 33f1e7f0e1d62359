// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace ohmrada {

// What the model asks of its owner when a result needs the user's attention.
// CPowerSupply calls these at the moment they happen inside an evaluation:
// Message() after the target voltage was lowered and before
// GetMinimumVoltage() returns, Beep() before GetInputPower() returns. A
// supply without an alert sink evaluates the same and signals nothing.
class CSupplyAlerts {
public:
    virtual ~CSupplyAlerts();

    // A modal message with an OK button and the exclamation icon; returns when
    // the user has closed it.
    virtual void Message(const std::string& text) = 0;

    // The system's default beep.
    virtual void Beep() = 0;
};

}  // namespace ohmrada
