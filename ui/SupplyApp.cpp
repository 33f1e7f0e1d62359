// SPDX-License-Identifier: GPL-3.0-or-later
#include "SupplyApp.h"

#include "MainDialog.h"

namespace ohmrada {

CSupplyApp::~CSupplyApp() = default;

bool CSupplyApp::InitInstance() {
    CMainDialog dialog(m_platform);
    m_platform.DoModal(dialog);
    return false;
}

}  // namespace ohmrada
