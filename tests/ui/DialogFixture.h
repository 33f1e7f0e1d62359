// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The fixture the form-logic tests share: a started dialog on an in-memory
// platform, a scratch folder for real files, and Open and Save As answered
// with a given path.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "MainDialog.h"
#include "support/TestFiles.h"

namespace ohmrada::test {

template <class TPlatform>
class CDialogFixture : public ::testing::Test {
protected:
    void SetUp() override { m_platform.DoModal(m_dialog); }

    std::string Path(const std::string& name) const { return (m_dir / name).string(); }
    static std::string Contents(const std::string& path) { return ReadBytes(path); }
    static void WriteFile(const std::string& path, const std::string& text) {
        WriteBytes(path, text);
    }
    void SaveAs(const std::string& path) {
        m_platform.QueueFileDialogAnswer(path);
        m_dialog.OnFileSaveAs();
    }
    // Opens path as the user does who discards a changed design ("Nein" to
    // the question that opening then asks).
    void Open(const std::string& path) {
        if (m_dialog.IsModified()) {
            m_platform.QueueAnswer(CPlatform::EAnswer::kNo);
        }
        m_platform.QueueFileDialogAnswer(path);
        m_dialog.OnFileOpen();
    }

    TPlatform m_platform;
    CMainDialog m_dialog{m_platform};
    CScratchFolder m_scratch;
    std::filesystem::path m_dir = m_scratch.Path();
};

}  // namespace ohmrada::test
