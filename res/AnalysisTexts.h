// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The texts of the analysis windows beside the form, of the report and of the
// form's warning colours, in German as the user sees them (UTF-8). "%1",
// "%2" ... stand for values the program fills in.

#include "AnalysisWindowTable.h"

namespace ohmrada::texts::analysis {

// Window titles and their help pages, from the table of the analysis
// windows.
inline constexpr const char* kTolerancesTitle = res::kAnalysisWindowTable[0].title;
inline constexpr const char* kLimitsTitle = res::kAnalysisWindowTable[1].title;
inline constexpr const char* kSweepTitle = res::kAnalysisWindowTable[2].title;
inline constexpr const char* kTimeDomainTitle = res::kAnalysisWindowTable[3].title;
inline constexpr const char* kTolerancesHelp = res::kAnalysisWindowTable[0].helpPage;
inline constexpr const char* kLimitsHelp = res::kAnalysisWindowTable[1].helpPage;
inline constexpr const char* kSweepHelp = res::kAnalysisWindowTable[2].helpPage;
inline constexpr const char* kTimeDomainHelp = res::kAnalysisWindowTable[3].helpPage;
inline constexpr const char* kColoursHelp = "farben.html";
inline constexpr const char* kReportHelp = "bericht.html";

inline constexpr const char* kHelpButton = "&Hilfe";

// The tooltips of the form's coloured result fields: the verdict, then who
// found it, all at nominal mains (the form's own corner).
inline constexpr const char* kTipTargetNotHeld =
    "Orange: Die Sollspannung wird bei Netz-Nennspannung nicht gehalten.";
inline constexpr const char* kTipOverloaded =
    "Orange: Die aufgenommene Leistung liegt \xC3\xBC"
    "ber der Nennleistung des Trafos.";
inline constexpr const char* kTipJunction =
    "Orange: Die Sperrschichttemperatur liegt \xC3\xBC"
    "ber Tj,max = %1 \xC2\xB0"
    "C.";
inline constexpr const char* kTipWinding =
    "Orange: Der Effektivstrom der Wicklung liegt \xC3\xBC"
    "ber ihrem Nennstrom.";
inline constexpr const char* kTipWindingSimulated =
    "Purpur: Die ngspice-Simulation genau dieses Entwurfs fand den Effektivstrom der Wicklung "
    "\xC3\xBC"
    "ber ihrem Nennstrom.";
inline constexpr const char* kTipByClosedForm =
    "Gefunden von der Formelrechnung des Formulars (Netz-Nennspannung).";
inline constexpr const char* kTipByCircuit =
    "Gefunden von der Schaltungsrechnung (eingeschwungener Zustand bei Netz-Nennspannung).";
inline constexpr const char* kTipLoweredNotHeld =
    "Das Formular hat die Sollspannung auf %1 V gesenkt; laut Schaltungsrechnung wird auch diese "
    "bei Netz-Nennspannung nicht gehalten: Vor dem Regler bleiben nur %2 V "
    "(Spannungsminimum minus Mindestspannungsabfall).";
inline constexpr const char* kYes = "ja";
inline constexpr const char* kNo = "nein";

// Toleranzen.
inline constexpr const char* kMainsTolerance = "Netztoleranz:";
inline constexpr const char* kMainsRegion = "Netzregion:";
inline constexpr const char* kMainsLowTolerance = "Netztoleranz nach unten:";
inline constexpr const char* kMainsHighTolerance = "Netztoleranz nach oben:";
inline constexpr const char* kReportMainsFrequency = "Netzfrequenz";
inline constexpr const char* kOwnMainsRegion = "eigene";
inline constexpr const char* kCapacitorTolerance = "Kondensatortoleranz:";
inline constexpr const char* kJunctionLimit = "zulässige Sperrschichttemperatur:";
inline constexpr const char* kPercentPlusMinus = " %";
inline constexpr const char* kDegrees = " GradCs.";
inline constexpr const char* kCornerNominal = "Nennwerte";
inline constexpr const char* kCornerLow = "Unterspannung";
inline constexpr const char* kCornerHigh = "Überspannung";
// The worst case's column titles: lines apart with \n; a soft hyphen marks
// where a narrow window may break a long word (elsewhere it is invisible).
inline constexpr const char* kColumnMains = "Netz\n%";
inline constexpr const char* kColumnCapacitance = "Kapazität\nµF";
inline constexpr const char* kColumnMinimum =
    "Spannungs\xC2\xAD"
    "minimum\nVolt";
inline constexpr const char* kColumnRipple =
    "Brumm\xC2\xAD"
    "spannung (ss)\nVolt";
inline constexpr const char* kColumnTarget =
    "Soll\xC2\xAD"
    "spannung\nReserve Volt";
inline constexpr const char* kColumnPower =
    "Wicklungs\xC2\xAD"
    "strom eff.\nAmpere";
inline constexpr const char* kColumnRegulatorPower =
    "Regler\xC2\xAD"
    "verlust\xC2\xAD"
    "leistung\nWatt";
inline constexpr const char* kColumnJunction =
    "Sperrschicht\xC2\xAD"
    "temperatur\nGradCs.";
inline constexpr const char* kHeld = "gehalten, %1";
inline constexpr const char* kNotHeld = "nicht gehalten, %1";
// A corner whose output collapses below the 1 V its regulator needs.
inline constexpr const char* kCollapsedCell = "zusammengebrochen";
inline constexpr const char* kOverloaded = "überlastet, %1";
inline constexpr const char* kWithinRating = "%1";
inline constexpr const char* kTooHot = "zu heiß, %1";
inline constexpr const char* kCool = "%1";
// After a verdict of the circuit's where the closed form of the form says
// otherwise.
inline constexpr const char* kClosedFormBeside = " (geschl. Form: %1)";
inline constexpr const char* kClosedFormOverloaded = "über Nennleistung";
inline constexpr const char* kClosedFormWithinRating = "in Nennleistung";
inline constexpr const char* kAllCornersGood =
    "In allen drei Ecken wird die Sollspannung gehalten, der Trafo ist nicht überlastet und der "
    "Regler bleibt unter Tj,max.";
inline constexpr const char* kSomeCornersBad =
    "Orange markierte Felder zeigen eine überschrittene Grenze.";
inline constexpr const char* kCircuitNote =
    "Die Urteile kommen aus dem eingeschwungenen Zustand der Schaltung (Streuinduktivität %1 mH); "
    "wo die geschlossene Formel des Formulars anders urteilt, steht ihr Wert in Klammern dahinter.";
// A setting typed into Toleranzen that is refused: what is allowed, and the
// value that stays in use.
inline constexpr const char* kToleranceRange = "erlaubt: 0 bis 50 %";
inline constexpr const char* kJunctionRange = "erlaubt: über Tu = %1 GradCs.";
inline constexpr const char* kSettingRefused = "%1 %2 ist ungültig (%3); es gilt weiter %4.";
inline constexpr const char* kRatedPowerNote =
    "Überlast: der Effektivstrom der Wicklung (je Hälfte bei Mittelanzapfung) über ihrem "
    "Nennstrom; die geschlossene Formel vergleicht die Leistungsaufnahme mit der Nennleistung "
    "%1 Watt.";

// Grenzwerte: the five searches under the names of the menu "S&uchen".
inline constexpr const char* kLimitMaxTransformerLoad = "maximale Trafonennleistung";
inline constexpr const char* kLimitMaxRegulatedCurrent = "maximal regelbarer Strom";
inline constexpr const char* kLimitMaxRegulatorPower = "maximale Reglerverlustleistung";
inline constexpr const char* kLimitBestEfficiency = "optimaler Wirkungsgrad";
inline constexpr const char* kLimitHighestVoltage = "höchste Spannung";
inline constexpr const char* kAtSearchLimit = " (Suchgrenze erreicht)";
inline constexpr const char* kTransformerLoadSentence =
    "Bis zu diesem Laststrom bleibt der Effektivstrom der Wicklung (je Hälfte bei "
    "Mittelanzapfung) im eingeschwungenen Zustand der Schaltung innerhalb ihres Nennstroms: die "
    "thermische Grenze des Trafos.";
inline constexpr const char* kRegulatedCurrentSentence =
    "Bis zu diesem Laststrom hält der Regler die Sollspannung, bei Nennnetzspannung und bei "
    "Unterspannung mit gealtertem Kondensator, nach dem Minimum der Schaltung im "
    "eingeschwungenen Zustand.";
inline constexpr const char* kRegulatorPowerSentence =
    "So viel Verlustleistung erreicht Tj,max; bis zu diesem Strom bleibt der Regler in seinen "
    "Grenzen; so klein muss der Wärmewiderstand für den eingestellten Strom sein.";
inline constexpr const char* kBestEfficiencySentence =
    "Der Trafo gleicher Leistung mit der kleinsten Spannung, die die Sollspannung auch bei "
    "Unterspannung noch hält.";
inline constexpr const char* kHighestVoltageSentence =
    "Die höchste Sollspannung, die beim eingestellten Laststrom noch gehalten wird.";
inline constexpr const char* kNoBestEfficiency =
    "Auch mit bis zu zehnfacher Spannung (gleiche Nennleistung) hält kein Trafo die Sollspannung "
    "bei Unterspannung: daher kein Spannungsfaktor (0.000) und kein Wirkungsgrad (n. def.). "
    "Abhilfe: Sollspannung oder Laststrom senken.";
inline constexpr const char* kJunctionNotAboveAmbient =
    "Tj,max %1 GradCs. liegt nicht über der Umgebungstemperatur Tu %2 GradCs.: der Regler darf "
    "dann keine Verlustleistung haben, die Werte sind nicht definiert. Tj,max im Fenster "
    "Toleranzen erhöhen.";
inline constexpr const char* kAtNominalMains = "bei Nennnetzspannung:";
inline constexpr const char* kAtLowMains = "bei Unterspannung:";
inline constexpr const char* kCurrentLabel = "Laststrom:";
inline constexpr const char* kRatedPowerLabel = "Nennleistung:";
inline constexpr const char* kRegulatorPowerLabel = "Verlustleistung bei Tj,max:";
inline constexpr const char* kDeliverableCurrentLabel = "Strom in den Grenzen:";
inline constexpr const char* kThermalResistanceLabel = "Wärmewiderstand höchstens:";
inline constexpr const char* kScaleLabel = "Spannungsfaktor:";
inline constexpr const char* kTransformerLabel = "Trafo:";
inline constexpr const char* kEfficiencyLabel = "Wirkungsgrad:";
inline constexpr const char* kDesignEfficiencyLabel = "jetzt:";
inline constexpr const char* kTransformerText = "%1 V / %2 A, leer %3 V";
inline constexpr const char* kEnterCurrent = "als Laststrom eintragen";
inline constexpr const char* kEnterVoltage = "als Sollspannung eintragen";
inline constexpr const char* kEnterTransformer = "Trafo eintragen";
inline constexpr const char* kColoursHeading = "Farben im Formular";
inline constexpr const char* kColourLimitText =
    "Orange: Sperrschichttemperatur über Tj,max; Leistungsaufnahme über der Nennleistung (der "
    "Piepton); Spannungsminimum, wenn die Sollspannung nicht gehalten wird (die Meldung, oder "
    "nach der Schaltung); Nennleistung, wenn der Wicklungsstrom der Schaltung über dem "
    "Nennstrom liegt.";
inline constexpr const char* kColourSimulationText =
    "Purpur: Nennleistung, wenn nur die Simulation dieses Entwurfs einen Wicklungsstrom "
    "(effektiv) über dem Nennstrom ergab.";

// Parameterverlauf.
inline constexpr const char* kSweepInput = "Eingabe:";
inline constexpr const char* kSweepFrom = "von:";
inline constexpr const char* kSweepTo = "bis:";
inline constexpr const char* kSweepPoints = "Punkte:";
inline constexpr const char* kSweepLinear = "linear";
inline constexpr const char* kSweepLogarithmic = "logarithmisch";
inline constexpr const char* kSweepResults = "Ergebnisse:";
inline constexpr const char* kSweepSimulate = "Simulation (Spannungsminimum, Brummspannung)";
inline constexpr const char* kSweepCancel = "Abbrechen";
inline constexpr const char* kSweepExport = "E&xportieren...";
inline constexpr const char* kSweepCurrentDesign = "jetziger Entwurf";
inline constexpr const char* kSweepNotHeld = "Sollspannung nicht gehalten";
inline constexpr const char* kSweepOverloaded = "Trafo überlastet";
inline constexpr const char* kSweepSimulated = "%1 (Simulation)";
inline constexpr const char* kSweepShowClosedForm = "geschlossene Form zeigen";
inline constexpr const char* kSweepClosedForm = "geschlossene Form (in der Farbe der Kurve)";
inline constexpr const char* kSweepSimulating = "Simulation %1 von %2 ...";
inline constexpr const char* kSweepBadRange =
    "Der Bereich ist ungültig: von und bis sind Zahlen mit Punkt (logarithmisch nur "
    "positive).";
inline constexpr const char* kSweepRangeUsed =
    "Gezeichnet wird %1 bis %2: die Eingabe wird wie im Formular begrenzt.";
inline constexpr const char* kExportDialogTitle = "Parameterverlauf exportieren";
inline constexpr const char* kExportFilter = "Bild, PDF oder Tabelle (*.png *.pdf *.csv)";
inline constexpr const char* kExportFilterPattern = "*.png *.pdf *.csv";
inline constexpr const char* kExportInitialName = "parameterverlauf.png";
// After the design file's name without ".odr".
inline constexpr const char* kExportNameEnding = "-parameterverlauf.png";
inline constexpr const char* kExportFailed =
    "Die Datei %1 konnte nicht geschrieben werden. Eine Datei, die dort war, ist unverändert.";

// Zeitbereich.
inline constexpr const char* kLeakageInductance = "Streuinduktivität:";
inline constexpr const char* kMillihenry = " mH";
inline constexpr const char* kSimulationRunning = "Simulation läuft ...";
inline constexpr const char* kSimulationCancelled = "Simulation abgebrochen.";
inline constexpr const char* kSimulationDone =
    "Simuliert: %1 Perioden bis zum eingeschwungenen Zustand.";
inline constexpr const char* kSimulationFailed = "Die Simulation ist fehlgeschlagen: %1";
// The failures of a simulation by kind; the plots keep the last good result,
// greyed, under these texts.
inline constexpr const char* kSimulationBrokeOff = "die Simulation ist abgebrochen: %1";
inline constexpr const char* kWorkerEnded =
    "der Simulationsprozess hat sich unerwartet beendet. Der nächste Lauf startet einen neuen.";
inline constexpr const char* kOverBudget =
    "sie hat ihr Budget überschritten (%1 s Laufzeit, %2 Zeitpunkte je Lauf) und wurde "
    "beendet.";
inline constexpr const char* kNgspiceRefused =
    "ngspice konnte die Schaltung nicht berechnen (etwa ein zu kleiner Zeitschritt bei "
    "unsinnigen Werten).";
inline constexpr const char* kNoSteadyState =
    "kein eingeschwungener Zustand: der Mittelwert der Ausgangsspannung ändert sich nach %1 "
    "Perioden noch um mehr als 0,01 % je Periode.";
inline constexpr const char* kCannotSimulate =
    "diese Auslegung lässt sich nicht simulieren: ein Wert ist null oder unsinnig groß, oder "
    "die Dioden leiten nie.";
inline constexpr const char* kOutputCollapses =
    "Die Ausgangsspannung bricht zusammen: ihr Minimum fällt auf %1 V, unter die 1 V, die der "
    "Regler braucht, um seinen Laststrom zu ziehen. Das ist keine funktionierende Versorgung.";
// The deviation column of a row whose form value is the no-load one.
inline constexpr const char* kUnderLoad = "unter Last";
inline constexpr const char* kNgspiceMissing =
    "ngspice ist nicht installiert (Paket libngspice0). Die Zeitbereichssimulation ist daher "
    "nicht verfügbar; alles andere funktioniert.";
inline constexpr const char* kRestart = "&Neu starten";
// The module with the plot windows and the report, loaded on first use.
inline constexpr const char* kPlotModuleMissing =
    "Die Diagramme und der Bericht sind nicht installiert: %1 fehlt. Bitte installieren Sie "
    "Ohmrada vollständig neu; das Formular und die übrigen Fenster funktionieren.";
inline constexpr const char* kPlotModuleUnusable =
    "Die Diagramme und der Bericht konnten nicht geladen werden (%1: %2). Bitte installieren "
    "Sie Ohmrada vollständig neu; das Formular und die übrigen Fenster funktionieren.";
inline constexpr const char* kPlotModuleOtherBuild =
    "es gehört zu einer anderen Ausgabe des Programms";
// The netlist for a simulator of the user's own (Zeitbereich and the design
// window).
inline constexpr const char* kNetlistExport = "Netzliste exportieren...";
inline constexpr const char* kNetlistDialogTitle = "Netzliste exportieren";
inline constexpr const char* kNetlistFilter = "SPICE-Netzliste (*.cir)";
inline constexpr const char* kNetlistFilterPattern = "*.cir";
inline constexpr const char* kNetlistSuffix = "cir";
inline constexpr const char* kNetlistInitialName = "netzliste.cir";
// After the design file's name without ".odr".
inline constexpr const char* kNetlistNameEnding = "-netzliste.cir";
inline constexpr const char* kNetlistFailed =
    "Die Netzliste konnte nicht nach %1 geschrieben werden. Eine Datei, die dort war, ist "
    "unverändert.";
inline constexpr const char* kNetlistImpossible =
    "Für diesen Entwurf lässt sich keine Netzliste schreiben: seine Schaltung kann nicht "
    "simuliert werden (ein Wert ist null, negativ, nicht endlich oder unmöglich groß, oder die "
    "Dioden leiten nie).";
inline constexpr const char* kCancel = "&Abbrechen";
inline constexpr const char* kWaveformsTitle = "die letzten zwei Perioden";
inline constexpr const char* kSwitchOnTitle = "Einschalten";
inline constexpr const char* kTimeAxis = "Zeit (ms)";
inline constexpr const char* kVoltageAxis = "Spannung (V)";
inline constexpr const char* kCurrentAxis = "Strom (A)";
inline constexpr const char* kOutputVoltageCurve = "Ausgangsspannung";
inline constexpr const char* kNegativeOutputVoltageCurve =
    "Ausgangsspannung, negative Schiene (Betrag)";
inline constexpr const char* kDiodeCurrentCurve = "Diodenstrom %1";
inline constexpr const char* kWindingCurrentCurve = "Wicklungsstrom %1";
inline constexpr const char* kComparisonQuantity = "Größe";
inline constexpr const char* kComparisonForm = "Formular";
inline constexpr const char* kComparisonSimulated = "Simulation";
inline constexpr const char* kComparisonDeviation = "Abweichung %";
inline constexpr const char* kWindingCheck =
    "Wicklungsstrom (effektiv) %1 A bei Nennstrom %2 A: Verhältnis %3.";
inline constexpr const char* kWindingOverloaded =
    " Der Trafo läuft über seinen Nennkupferverlusten (das %1-fache).";
inline constexpr const char* kWindingWithin = " Der Trafo bleibt in seinen Nennkupferverlusten.";
inline constexpr const char* kSwitchOnPeak = "Einschaltspitzenstrom: %1 A";

// The report.
inline constexpr const char* kReportDialogTitle = "Bericht speichern";
inline constexpr const char* kReportFilter = "PDF-Dateien (*.pdf)";
inline constexpr const char* kReportFilterPattern = "*.pdf";
inline constexpr const char* kReportInitialName = "ohmrada-bericht.pdf";
// After the design file's name without ".odr".
inline constexpr const char* kReportNameEnding = "-bericht.pdf";
inline constexpr const char* kReportTitle = "Ohmrada -- Bericht";
inline constexpr const char* kReportFile = "Datei: %1";
inline constexpr const char* kReportDate = "Erstellt: %1";
inline constexpr const char* kReportInputs = "Eingaben";
inline constexpr const char* kReportResults = "berechnete Größen";
inline constexpr const char* kReportCircuit = "Schaltung";
inline constexpr const char* kReportFailed =
    "Der Bericht konnte nicht nach %1 geschrieben werden. Eine Datei, die dort war, ist "
    "unverändert.";
inline constexpr const char* kReportNoFile = "unbenannt (nicht gespeichert)";
// The report's target refused before anything is computed; %2 says why.
inline constexpr const char* kReportRefused =
    "Der Bericht kann nicht nach %1 geschrieben werden: %2. Es wurde nichts berechnet.";
// A report that could not be written; %2 says why.
inline constexpr const char* kReportFailedBecause =
    "Der Bericht konnte nicht nach %1 geschrieben werden: %2. Eine Datei, die dort war, ist "
    "unverändert.";
// Why a file cannot be written, after "...: ".
inline constexpr const char* kFileIsLink =
    "es ist eine symbolische Verknüpfung, die weder verfolgt noch ersetzt wird";
inline constexpr const char* kFileNotRegular =
    "es ist keine gewöhnliche Datei (eine FIFO, ein Gerät oder ein Socket)";
inline constexpr const char* kFileRefused = "die Datei wird abgewiesen";
inline constexpr const char* kFileDiskFull = "der Datenträger ist voll";
inline constexpr const char* kFileTooLarge = "die Datei wäre größer als erlaubt";
inline constexpr const char* kFileNoAccess = "der Zugriff wurde verweigert";
inline constexpr const char* kFileReadOnly = "der Datenträger ist schreibgeschützt";
inline constexpr const char* kFileNoFolder = "der Ordner existiert nicht";
inline constexpr const char* kFileIsFolder = "es ist ein Ordner";
inline constexpr const char* kFileOtherReason = "das System meldet „%1“";
inline constexpr const char* kReportProgram = "Programm: Ohmrada %1";
inline constexpr const char* kReportPage = "Seite %1 von %2";
inline constexpr const char* kReportGroup = "Gruppe";
inline constexpr const char* kReportQuantity = "Größe";
inline constexpr const char* kReportValue = "Wert";
inline constexpr const char* kReportUnit = "Einheit";
inline constexpr const char* kReportSettings = "Analyseeinstellungen";
inline constexpr const char* kReportVerdicts =
    "Die Urteile (Sollspannung gehalten, Überlast der Wicklung, Sperrschichttemperatur) kommen "
    "aus dem periodischen eingeschwungenen Zustand der Schaltung; wo die geschlossene Formel "
    "des Formulars anders urteilt, steht ihr Urteil daneben.";
// Page one: the overall verdict over the checks at every corner of the
// worst case, and the schematic.
inline constexpr const char* kReportOverall = "Gesamturteil: %1";
inline constexpr const char* kReportAllPassed = "Alle Prüfungen bestanden";
inline constexpr const char* kReportSomeFailed = "nicht bestanden: %1";
inline constexpr const char* kReportCheckTarget = "Sollspannung gehalten (%1)";
inline constexpr const char* kReportCheckWinding = "Wicklungsstrom im Nennstrom (%1)";
inline constexpr const char* kReportCheckJunction = "Sperrschichttemperatur unter Tj,max (%1)";
inline constexpr const char* kReportSchematic = "Schaltung";
inline constexpr const char* kReportNoSimulationBecause = "Keine Simulation im Bericht: %1";
inline constexpr const char* kReportSimulationOwn =
    "Für diesen Bericht mit ngspice simuliert (Streuinduktivität %1 mH).";
inline constexpr const char* kReportSimulationOfWindow =
    "Die Simulation des Fensters Zeitbereich (Streuinduktivität %1 mH).";
inline constexpr const char* kReportOwnSweep =
    "%1 von %2 bis %3, %4 Punkte, aus der Schaltung berechnet (kein Parameterverlauf geöffnet).";
inline constexpr const char* kReportWindowSweep = "Wie im Fenster Parameterverlauf.";
inline constexpr const char* kReportProgressTitle = "Bericht speichern";
inline constexpr const char* kReportProgressAnalysis = "Toleranzen und Grenzwerte ...";
inline constexpr const char* kReportProgressSimulation = "Simulation mit ngspice ...";
inline constexpr const char* kReportProgressSweep = "Parameterverlauf ...";
inline constexpr const char* kReportProgressWriting = "Der Bericht wird geschrieben ...";

// The group "Schaltung" in the analysis windows: the design's circuit beyond
// the form's inputs.
inline constexpr const char* kCircuitPanelTitle = "Schaltung";
inline constexpr const char* kCircuitTopology = "Topologie:";
inline constexpr const char* kCircuitSingle = "einfach";
inline constexpr const char* kCircuitDual = "symmetrisch";
inline constexpr const char* kCircuitFilter = "Filter:";
inline constexpr const char* kCircuitNoFilter = "keiner";
inline constexpr const char* kCircuitRcFilter = "RC";
inline constexpr const char* kCircuitLcFilter = "LC";
inline constexpr const char* kCircuitChokeFilter = "Drossel";
inline constexpr const char* kCircuitLoad = "Last:";
inline constexpr const char* kCircuitCurrentLoad = "Konstantstrom";
inline constexpr const char* kCircuitResistiveLoad = "Widerstand";
inline constexpr const char* kCircuitResistance = "R:";
inline constexpr const char* kCircuitInductance = "L:";
inline constexpr const char* kCircuitCapacitance = "C:";
inline constexpr const char* kOhm = " Ω";
inline constexpr const char* kMicrofarad = " µF";
inline constexpr const char* kCircuitPositiveRange = "erlaubt: über 0 bis %1";
inline constexpr const char* kCircuitRange = "erlaubt: 0 bis %1";
inline constexpr const char* kCircuitValueRefused =
    "%1 %2 ist ungültig (%3); die Schaltung bleibt, wie sie ist.";
// What the circuit gives, rail by rail (Zeitbereich, the report).
inline constexpr const char* kCircuitFiguresTitle =
    "Die Schaltung im eingeschwungenen Zustand bei Nennspannung des Netzes";
inline constexpr const char* kCircuitPositiveRail = "positive Schiene";
inline constexpr const char* kCircuitNegativeRail = "negative Schiene";
inline constexpr const char* kCircuitOneRail = "Schaltung";
inline constexpr const char* kFigureRegulatorMean = "Mittelwert am Reglereingang (V)";
inline constexpr const char* kFigureRegulatorMinimum = "Minimum am Reglereingang (V)";
inline constexpr const char* kFigureRegulatorRipple = "Welligkeit am Reglereingang (V)";
inline constexpr const char* kFigureReservoirMean = "Mittelwert am Ladekondensator (V)";
inline constexpr const char* kFigureReservoirRipple = "Welligkeit am Ladekondensator (V)";
inline constexpr const char* kFigureFilterLoss = "Verlust im Filter (W)";
inline constexpr const char* kFigureChokeRms = "Drosselstrom eff. (A)";
inline constexpr const char* kFigureChokePeak = "Drosselstrom Spitze (A)";
inline constexpr const char* kCircuitNotSolved =
    "Die Schaltung lässt sich für diesen Entwurf nicht lösen.";
// The report: the circuit among the inputs.
inline constexpr const char* kReportCircuitTopology = "Topologie";
inline constexpr const char* kReportCircuitFilter = "Filter";
inline constexpr const char* kReportCircuitLoad = "Last";

}  // namespace ohmrada::texts::analysis
