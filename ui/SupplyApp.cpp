// SPDX-License-Identifier: GPL-3.0-or-later
#include "SupplyApp.h"

#include "MainDialog.h"

namespace ohmrada {

CSupplyApp::~CSupplyApp() = default;

bool CSupplyApp::InitInstance() {
    CMainDialog dialog(m_platform);
    if (m_startUpFile) {
        dialog.SetStartUpFile(*m_startUpFile);
    }
    m_platform.DoModal(dialog);
    return false;
}

}  // namespace ohmrada
