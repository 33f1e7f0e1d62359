// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Every text of the program that the user sees and that the form logic needs,
// in German as the user sees it (UTF-8). "%1" stands for a file's full path.

namespace ohmrada::texts {

inline constexpr const char* kWindowTitle = "Ohmrada -- Version 3.0 -- Netzger\xC3\xA4teberechnung";
// Followed by the full path of the file last opened.
inline constexpr const char* kLoadedTitlePrefix = "Ohmrada -- ";
// Follows the title while the design is at 60 Hz.
inline constexpr const char* kTitle60HzSuffix = " (60 Hz)";

inline constexpr const char* kOpenDialogTitle = "Ohmrada laden";
inline constexpr const char* kSaveDialogTitle = "Netztger\xC3\xA4tekonfiguration speichern";
inline constexpr const char* kFileInitialName = "*.odr";
inline constexpr const char* kFileFilterLabel = "OhmradaDateien (*.odr)";
inline constexpr const char* kFileFilterPattern = "*.odr";

inline constexpr const char* kReadErrorMessage =
    "Ein unbekannter Fehler ist beim Zugriff auf %1 aufgetreten.";
inline constexpr const char* kWriteErrorMessage =
    "Beim Zugriff auf %1 wurde ein voller Datentr\xC3\xA4ger gemeldet.";
inline constexpr const char* kOpenForReadingFailedMessage =
    "Die Datei %1 konnte nicht ge\xC3\xB6"
    "ffnet werden.";
// Opening a file without a single line changes nothing.
inline constexpr const char* kEmptyFileMessage =
    "Die Datei %1 ist leer: Sie enth\xC3\xA4lt keine Netzger\xC3\xA4tekonfiguration.";
// A fifteenth line "NetzF:" with a value other than 50 or 60; nothing is
// loaded.
inline constexpr const char* kBadMainsFrequencyMessage =
    "Die Datei %1 wird nicht geladen: Zeile 15 (\"NetzF:\") muss die Netzfrequenz 50 oder "
    "60 Hz angeben.";
// After loading a file that ends before its fourteenth line; "%2" stands for
// the number of missing lines.
inline constexpr const char* kShortFileMessageOne =
    "In der Datei %1 fehlt die letzte der 14 Zeilen. Ihr Wert wurde als 0 gelesen.";
inline constexpr const char* kShortFileMessageMany =
    "In der Datei %1 fehlen die letzten %2 der 14 Zeilen. Ihre Werte wurden als 0 gelesen.";
inline constexpr const char* kOpenForWritingFailedMessage =
    "Die Datei %1 konnte nicht zum Schreiben ge\xC3\xB6"
    "ffnet werden.";

// Asked on leaving the program while the form shows a design that was not
// saved; Ja opens Save As.
// A file whose lines after the fourteen hold something none of the optional
// lines may hold; nothing is loaded. "%2" stands for the line's number, "%3"
// for its text.
inline constexpr const char* kUnknownLineMessage =
    "Die Datei %1 wird nicht geladen: Zeile %2 (\"%3\") ist keine der Zeilen, die nach den 14 "
    "Zeilen stehen d\xC3\xBCrfen (NetzF, Netz, Trafo, Diode, Elko, Regl, Kuehl: je einmal, in "
    "dieser Reihenfolge, mit g\xC3\xBCltigem Wert; Schl\xC3\xBCssel genau so geschrieben, z. B. "
    "\"NetzF: 60\").";
// A recently opened file that is no longer there; it leaves the list.
inline constexpr const char* kRecentFileMissingMessage =
    "Die Datei %1 gibt es nicht mehr. Sie wird aus der Liste der zuletzt ge\xC3\xB6"
    "ffneten Dateien entfernt.";
// After the title of a design that differs from its file, and in the report.
inline constexpr const char* kChangedNotSaved = "ge\xC3\xA4ndert, nicht gespeichert";
inline constexpr const char* kSaveChangesQuestion = "\xC3\x84nderungen speichern?";
// The buttons of that question.
inline constexpr const char* kYesButton = "&Ja";
inline constexpr const char* kNoButton = "&Nein";
inline constexpr const char* kCancelButton = "Abbrechen";

// After choosing another language in the menu, said in that language.
inline constexpr const char* kLanguageAtNextStart =
    "Ohmrada spricht die gew\xC3\xA4hlte Sprache ab dem n\xC3\xA4"
    "chsten Start.";

inline constexpr const char* kHelpFailedMessage = "Die Hilfe konnte nicht aufgerufen werden.";

// Shown in a result field whose value is not a finite number, for example the
// efficiency when no power is drawn or the peak current of a transformer
// without internal resistance.
inline constexpr const char* kUndefinedValue = "n. def.";

// The help viewer's window and buttons.
inline constexpr const char* kHelpWindowTitle = "Ohmrada-Hilfe";
inline constexpr const char* kHelpContentsButton = "&Inhalt";
inline constexpr const char* kHelpBackButton =
    "&Zur\xC3\xBC"
    "ck";
inline constexpr const char* kHelpForwardButton = "&Vorw\xC3\xA4rts";
inline constexpr const char* kHelpCloseButton =
    "&Schlie\xC3\x9F"
    "en";

}  // namespace ohmrada::texts
