// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include <QMenu>
#include <QPointer>
#include <QString>
#include <QStringList>

#include "HelpViewer.h"
#include "Platform.h"

namespace ohmrada::qt {

class CAnalysisWindows;
class CFormWindow;

// The title of every message box: the program file's name without its
// extension.
QString ApplicationTitle();

// CPlatform realised with Qt 6 Widgets. It owns the main window (a
// CFormWindow built from template 130) and, as the window's child, the help
// viewer; CMainDialog drives both through the CPlatform operations, and the
// window hands every user action back to CMainDialog's handlers.
//
// Message boxes, the file dialogs and the about box are modal over the main
// window; the help viewer is a window of its own that stays usable beside it.
// Also the window's child: the analysis beside the form (CAnalysisWindows),
// which Show makes and CycleEnded tells of the end of every cycle.
class CQtPlatform : public CPlatform {
public:
    // helpFolder: where the help pages are (see FindHelpFolder); empty when
    // there are none, and then the help cannot be shown.
    explicit CQtPlatform(QString helpFolder = {});
    ~CQtPlatform() override;
    CQtPlatform(const CQtPlatform&) = delete;
    CQtPlatform& operator=(const CQtPlatform&) = delete;

    // Builds the window, runs dialog.OnInitDialog(), adds the tooltips and
    // shows the window with the focus on its first tab stop, then returns;
    // the caller's event loop delivers the user's actions until EndDialog.
    void Show(CMainDialog& dialog);

    // CPlatform
    // Show, then runs an event loop until EndDialog.
    int DoModal(CMainDialog& dialog) override;
    void EndDialog(int result) override;
    void SetItemText(int id, const std::string& text) override;
    std::string GetItemText(int id) const override;
    void CheckButton(int id, bool checked) override;
    void EnableItem(int id, bool enabled) override;
    void CheckRadioButton(int firstId, int lastId, int checkId) override;
    void SetSpinPosition(int id, int position) override;
    void SetTitle(const std::string& title) override;
    void MessageBox(const std::string& text, EIcon icon) override;
    EAnswer AskYesNoCancel(const std::string& text) override;
    void Beep() override;
    std::optional<std::string> RunFileDialog(const CFileDialogRequest& request) override;
    bool Help(EHelpCommand command, unsigned context) override;
    void ShowAboutBox() override;
    // Hands the end of the cycle to the analysis windows.
    void CycleEnded(const CCycleAlerts& alerts) override;
    // The title's mark of a changed design ("*" where the title holds "[*]").
    void SetModified(bool modified) override;
    // Puts path at the top of the recently opened files.
    void FileUsed(const std::string& path) override;

    // The recently opened files, newest first, at most kRecentFileCount;
    // kept in the places file (when there is one) under "recentFiles".
    static constexpr int kRecentFileCount = 8;
    const QStringList& RecentFiles() const { return m_recentFiles; }
    // The entry index of "Zuletzt geöffnet": opens that file as Open does
    // (asking first when the design has changed); a file that is gone leaves
    // the list with a message.
    void OpenRecent(int index);

    // The help viewer at a page of the help folder; false when it cannot be
    // shown.
    bool ShowHelpPage(const QString& page);

    // Where the analysis windows' places are remembered between runs (an
    // INI file); empty, the default: nowhere.
    void SetPlacesFile(const QString& file);
    // Called once, as Show builds the window, just before the window first
    // measures text (the program waits there for its font warm-up).
    void SetBeforeMeasuring(std::function<void()> beforeMeasuring) {
        m_beforeMeasuring = std::move(beforeMeasuring);
    }

    // The main window, once Show has built it.
    CFormWindow* Window() const { return m_window.get(); }
    // The help viewer while it exists.
    CHelpViewer* HelpViewer() const { return m_helpViewer.data(); }
    // The analysis beside the form (menu "&Analyse"), once Show has built
    // the window.
    CAnalysisWindows* Analysis() const { return m_analysis; }
    // The result EndDialog was given, once it was called.
    std::optional<int> Result() const { return m_result; }

private:
    // Puts the form where the user last left it, or else at the left of its
    // screen, so that the tool windows find room beside it.
    void PlaceForm();
    void RememberFormPlace();
    void StoreRecentFiles();
    void FillRecentMenu();

    QString m_helpFolder;
    std::function<void()> m_beforeMeasuring;
    QStringList m_recentFiles;
    QPointer<QMenu> m_recentMenu;
    CMainDialog* m_dialog = nullptr;
    QString m_placesFile;
    // Where PlaceForm put the form (or read it from the places file).
    QPoint m_formPlacedAt{-1, -1};
    std::unique_ptr<CFormWindow> m_window;
    QPointer<CHelpViewer> m_helpViewer;
    // A child of the window, made by Show.
    CAnalysisWindows* m_analysis = nullptr;
    std::optional<int> m_result;
};

}  // namespace ohmrada::qt
