// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <utility>

#include "Platform.h"

namespace ohmrada {

// The application object: runs the main dialog modally on the platform it is
// given and ends the program when the dialog ends.
class CSupplyApp {
public:
    // startUpFile: a configuration to open once the form is shown, as the
    // Open command opens it.
    explicit CSupplyApp(CPlatform& platform, std::optional<std::string> startUpFile = {})
        : m_platform(platform), m_startUpFile(std::move(startUpFile)) {}
    virtual ~CSupplyApp();

    // Constructs the main dialog, runs it until it ends, destroys it with its
    // model. Returns false: the program ends afterwards.
    virtual bool InitInstance();

private:
    CPlatform& m_platform;
    std::optional<std::string> m_startUpFile;
};

}  // namespace ohmrada
