// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The texts of the window "Entwurf aus Anforderungen" and of the parts list
// in the report, in German as the user sees them (UTF-8). "%1", "%2" ...
// stand for values the program fills in.

namespace ohmrada::texts::design {

inline constexpr const char* kTitle = "Entwurf aus Anforderungen";
inline constexpr const char* kHelp = "entwurf.html";

// The requirements.
inline constexpr const char* kRequirements = "Anforderungen";
inline constexpr const char* kOutputVoltage = "Ausgangsspannung:";
inline constexpr const char* kOutputCurrent = "Ausgangsstrom:";
inline constexpr const char* kMainsFrequency = "Netzfrequenz:";
inline constexpr const char* kMainsRegion = "Netzregion:";
inline constexpr const char* kOwnRegion = "eigene";
inline constexpr const char* kMainsLow = "Netztoleranz nach unten:";
inline constexpr const char* kMainsHigh = "Netztoleranz nach oben:";
inline constexpr const char* kAmbient = "Umgebungstemperatur:";
inline constexpr const char* kCircuit = "Schaltung:";
inline constexpr const char* kAnyCircuit = "beliebig";
inline constexpr const char* kHalfWave = "Einweg";
inline constexpr const char* kBridge = "Brücke";
inline constexpr const char* kCentreTap = "Mittelpunkt";
// A symmetric supply: +U and -U from a centre-tapped winding.
inline constexpr const char* kSymmetric = "symmetrisch ±";
inline constexpr const char* kNegativeRegulator = "negativer Regler";
inline constexpr const char* kNegativeRailCheck = "%1 (negative Schiene)";
inline constexpr const char* kMaxVa = "höchstens Trafonennleistung:";
inline constexpr const char* kNoLimit = "beliebig";
inline constexpr const char* kCount = "Anzahl Vorschläge:";
inline constexpr const char* kRank = "Reihenfolge nach:";
inline constexpr const char* kRankCost = "Kosten der Stückliste";
inline constexpr const char* kRankLoss = "Verlustleistung";
inline constexpr const char* kRankSize = "Baugröße";
inline constexpr const char* kVolt = " V";
inline constexpr const char* kAmpere = " A";
inline constexpr const char* kHertz = " Hz";
inline constexpr const char* kPercent = " %";
inline constexpr const char* kDegrees = " GradCs.";
inline constexpr const char* kVa = " VA";

// The buttons.
inline constexpr const char* kSearch = "&Suchen";
inline constexpr const char* kCancel = "Abbrechen";
inline constexpr const char* kEnter = "In das Formular übernehmen";
inline constexpr const char* kSaveAs = "Speichern unter...";
inline constexpr const char* kExportBom = "Stückliste exportieren...";
inline constexpr const char* kExportBomTitle = "Stückliste exportieren";
inline constexpr const char* kExportBomName = "stueckliste.csv";
inline constexpr const char* kExportBomFilter = "Stückliste (CSV)";
inline constexpr const char* kExportBomPattern = "*.csv";
inline constexpr const char* kExportBomFailed =
    "Die Stückliste konnte nicht nach %1 geschrieben werden.";

// The state of the search.
inline constexpr const char* kSearching = "Suche läuft ...";
inline constexpr const char* kCancelled = "Suche abgebrochen.";
inline constexpr const char* kFound = "%1 Vorschläge, jeder in allen Prüfungen bestanden.";
inline constexpr const char* kNoneFound = "Kein Vorschlag besteht alle Prüfungen. Gründe: %1";
inline constexpr const char* kTransformerBinds =
    "Es begrenzt der Transformator: keiner bis %1 VA liefert die Ausgangsleistung; der nächste "
    "des Katalogs hat %2 VA.";
inline constexpr const char* kNearestFails = "Nächster Entwurf: %1 verfehlt um %2.";
// A catalogue file that was not read: its name, and the line that kept it out.
inline constexpr const char* kCatalogueProblem = "Katalog %1 nicht gelesen";
inline constexpr const char* kCatalogueLineProblem =
    "Katalog %1 nicht gelesen: Zeile %2 ist fehlerhaft";
// Why candidates were ruled out, in the order of the search's reasons;
// "%1 Kombinationen" follows where the search counted them.
// Why requirements cannot be searched, in the order of ERequirementProblem.
inline constexpr const char* kRequirementProblems[] = {
    "",
    "die Ausgangsspannung muss zwischen 1,25 und 1000 V liegen",
    "der Ausgangsstrom muss über 0 und höchstens 1000 A liegen",
    "die Netzfrequenz ist 50 oder 60 Hz",
    "die Netztoleranzen liegen zwischen 0 und 50 %",
    "die Umgebungstemperatur muss zwischen -40 und 100 °C liegen",
    "der größte Transformator muss über 0 VA haben",
    "mindestens ein Vorschlag muss verlangt sein",
};

inline constexpr const char* kRuledOut[] = {
    "",  // the requirements: worded by kRequirementProblems
    "der Katalog enthält keinen Transformator",
    "kein Transformator des Katalogs bis zur größten Nennleistung",
    "kein Regler des Katalogs gibt die Ausgangsspannung",
    "der Katalog enthält keinen Kondensator oder keinen Gleichrichter",
    "Gleichrichterstrom über 80 % seines Nennstroms",
    "Nennstrom des Transformators unter dem Laststrom",
    "Schaltung nicht lösbar",
    "kein Kondensator für die Leerlaufspitze bei hoher Netzspannung samt Reserve",
    "Nennstrom des Reglers unter dem Laststrom",
    "Reglereingang bei hoher Netzspannung über seiner Grenze",
    "Trafospannung bei niedriger Netzspannung unter Last zu niedrig",
    "Sollspannung bei niedriger Netzspannung mit dem größten Kondensator nicht gehalten",
    "Wicklungsstrom (Effektivwert) bei hoher Netzspannung über dem Nennstrom",
    "Sperrschicht bei hoher Netzspannung mit dem größten Kühlkörper zu heiß",
    "Rippelstrom des Kondensators über seiner Grenze",
    "Sperrspannung des Gleichrichters über seiner Grenze",
    "Einschaltstrom über der Stoßstromgrenze des Gleichrichters",
    "bei der erneuten Prüfung durchgefallen",
    "Gleichrichter zu heiß, auch mit Kühlkörper, wo er einen nimmt",
    "Reglerverlust bei hoher Netzspannung über der Grenze seines Gehäuses",
    "Lebensdauer des Kondensators unter der geforderten",
    "kein negativer Regler des Katalogs passt zu einem positiven für die Ausgangsspannung",
    "kein Transformator des Katalogs hat zwei gleiche Sekundärwicklungen für eine Mittelanzapfung",
};
inline constexpr const char* kCombinations = "%1 (%2 Kombinationen)";
inline constexpr const char* kEntered = "Vorschlag %1 in das Formular übernommen.";
inline constexpr const char* kSaveFailed = "Die Datei %1 konnte nicht geschrieben werden.";

// The table of candidates.
inline constexpr const char* kColumnRank = "Rang";
inline constexpr const char* kColumnTransformer = "Transformator";
inline constexpr const char* kColumnConnection = "Anschluss, Schaltung";
inline constexpr const char* kColumnRectifier = "Gleichrichter";
inline constexpr const char* kColumnCapacitor = "Kondensator";
inline constexpr const char* kColumnRegulator = "Regler";
inline constexpr const char* kColumnHeatSink = "Kühlkörper";
inline constexpr const char* kColumnBinding = "bindende Prüfung";
inline constexpr const char* kColumnMargin = "Reserve";
inline constexpr const char* kNoHeatSink = "keiner";
// The shipped transformer series.
inline constexpr const char* kToroid = "Ringkern";
inline constexpr const char* kEiCore = "EI-Kern";
inline constexpr const char* kPcb = "Printtrafo";

// Connections of the secondaries.
inline constexpr const char* kSingle = "Wicklung";
inline constexpr const char* kParallel = "Wicklungen parallel";
inline constexpr const char* kSeries = "Wicklungen in Reihe";
inline constexpr const char* kCentreTapConnection = "Mittelanzapfung";

// The details of a candidate.
inline constexpr const char* kColumnCheck = "Prüfung";
inline constexpr const char* kColumnValue = "Wert";
inline constexpr const char* kColumnLimit = "Grenze";
inline constexpr const char* kColumnPassed = "bestanden";
inline constexpr const char* kNotEvaluated = "nicht berechnet";
inline constexpr const char* kYes = "ja";
inline constexpr const char* kNo = "nein";

// The checks by name.
inline constexpr const char* kCheckLowMinimum = "Spannungsminimum bei Unterspannung";
inline constexpr const char* kCheckWinding = "Wicklungsstrom eff. bei Überspannung";
inline constexpr const char* kCheckRegulatorCurrent = "Reglerstrom";
inline constexpr const char* kCheckJunction = "Sperrschichttemperatur bei Überspannung";
inline constexpr const char* kCheckRegulatorInput = "Reglereingang im Leerlauf bei Überspannung";
inline constexpr const char* kCheckCapacitorVoltage = "Kondensatorspannung mit Reserve";
inline constexpr const char* kCheckRipple = "Brummstrom des Kondensators bei Überspannung";
inline constexpr const char* kCheckRectifierCurrent = "Gleichrichterstrom";
inline constexpr const char* kCheckReverse = "Sperrspannung bei Überspannung";
inline constexpr const char* kCheckSurge = "Einschaltstromspitze bei Überspannung";
inline constexpr const char* kCheckRectifierJunction = "Sperrschicht des Gleichrichters";
inline constexpr const char* kCheckRegulatorPower = "Reglerverlust bei Überspannung (Gehäuse)";
inline constexpr const char* kCheckCapacitorLife = "Lebensdauer des Ladekondensators";
inline constexpr const char* kColumnCost = "Kosten";

// The second opinion of ngspice on the three best, beside the checks.
inline constexpr const char* kNgspiceCheck = "ngspice: %1";
inline constexpr const char* kNgspiceNeed =
    "ngspice: Spannungsminimum bei Unterspannung (Regler braucht)";
inline constexpr const char* kNgspiceRunning = "ngspice rechnet ...";
inline constexpr const char* kNgspiceFailed = "ngspice: nicht simuliert (%1)";

// The parts list of the report.
inline constexpr const char* kPartsList = "Stückliste (Entwurf aus Anforderungen)";
inline constexpr const char* kPart = "Bauteil";
inline constexpr const char* kBomReference = "Referenz";
inline constexpr const char* kBomQuantity = "Menge";
inline constexpr const char* kBomDescription = "Beschreibung";
inline constexpr const char* kBomManufacturer = "Hersteller";
inline constexpr const char* kBomMpn = "Teilenummer";
inline constexpr const char* kBomCost = "Geschätzte Kosten der Stückliste: %1 EUR";
inline constexpr const char* kChecksOfDesign = "Prüfungen des Entwurfs";
inline constexpr const char* kChoice = "Auswahl";
inline constexpr const char* kPad = "Isolierscheibe";

}  // namespace ohmrada::texts::design
