// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>

#include <QString>
#include <QWidget>

class QTextBrowser;

namespace ohmrada::qt {

// Where the help pages of a program in exeDir are: the folder "ohmrada-help"
// beside it (a build tree), else <exeDir>/../share/ohmrada/help (an installed
// program). The first that holds the contents page wins; nothing when
// neither does.
std::optional<QString> FindHelpFolder(const QString& exeDir);

// The page of a help context number; nothing for an unknown context.
std::optional<QString> HelpPageOf(unsigned context);

// The help viewer: a window of its own beside the form, showing the HTML
// pages of one folder, with buttons for the contents, back and forward. It
// stays open while the form is used and is closed by the program's Exit.
class CHelpViewer : public QWidget {
public:
    CHelpViewer(QString folder, QWidget* parent);

    // Shows page (a file name in the folder) and brings the window to the
    // front; false when the page does not exist.
    bool ShowPage(const QString& page);
    // The file name of the page shown.
    QString CurrentPage() const;
    QTextBrowser* Browser() const { return m_browser; }

private:
    // The first time it is shown: beside the form, level with its top.
    void PlaceBesideParent();

    QString m_folder;
    QTextBrowser* m_browser;
    bool m_placed = false;
};

}  // namespace ohmrada::qt
