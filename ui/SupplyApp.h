// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Platform.h"

namespace ohmrada {

// The application object: runs the main dialog modally on the platform it is
// given and ends the program when the dialog ends.
class CSupplyApp {
public:
    explicit CSupplyApp(CPlatform& platform) : m_platform(platform) {}
    virtual ~CSupplyApp();

    // Constructs the main dialog, runs it until it ends, destroys it with its
    // model. Returns false: the program ends afterwards.
    virtual bool InitInstance();

private:
    CPlatform& m_platform;
};

}  // namespace ohmrada
