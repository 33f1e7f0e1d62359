// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

#include <QString>

class QMenuBar;
class QMenu;
class QWidget;

// The language the program speaks: chosen at start from the command line
// (ohmrada --language) or, without it, from the windows' settings file,
// where the menu "&Sprache / Language" stores the user's choice for the
// next start. Qt's own dialogs follow it (Qt's German translations for
// German, Qt's own English for English).

namespace ohmrada::qt {

// The language stored in the settings file; nothing when none is stored or
// the stored one is unknown.
std::optional<std::string> StoredLanguage(const QString& settingsFile);

// The language a start speaks: the command line's (--language), else the
// one stored in the settings file, else German.
std::string StartLanguage(const std::optional<std::string>& commandLine,
                          const QString& settingsFile);

// Stores the language for the next start.
void StoreLanguage(const QString& settingsFile, const std::string& code);

// Makes the language the program's, with Qt's translations of it where
// installed; false for an unknown code (nothing changes then).
bool UseLanguage(const std::string& code);

// The menu "&Sprache / Language": one checkable entry per language, in its
// own name, the current one checked; choosing another stores it in the
// settings file and says (in the chosen language) that it takes effect at
// the next start. The menu belongs to the menu bar.
QMenu* AddLanguageMenu(QMenuBar& bar, QMenu* before, const QString& settingsFile,
                       QWidget* messageParent);

}  // namespace ohmrada::qt
