// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The numbers by which the controls of the main form and the commands of the
// menu are known. The form template, the form's logic, the input table and
// every front end address controls by these ids, never by their texts.

namespace ohmrada {

// Control ids of the main form.
enum EControlId : int {
    // Inputs, in tab order.
    kIdRatedVoltage = 1024,         // NennU
    kIdRatedCurrent = 1021,         // NennI
    kIdNoLoadVoltage = 1013,        // LeerU
    kIdDiffusionVoltage = 1025,     // DiffU
    kIdBulkResistance = 1019,       // BahnR
    kIdCapacitance = 1020,          // KondC
    kIdTargetVoltage = 1026,        // Ubger
    kIdLoadCurrent = 1018,          // Ib
    kIdThermalResistance = 1009,    // Rja
    kIdAmbientTemperature = 1010,   // Tu
    kIdDropoutVoltage = 1015,       // DeltU
    kIdRegulatorResistance = 1023,  // ReglR
    // Results, from top to bottom of the form.
    kIdInternalResistance = 1022,
    kIdInputPower = 1027,
    kIdRatedPower = 1001,
    kIdDiodePower = 1004,
    kIdPeakReverseVoltage = 1014,
    kIdPeakCurrent = 1002,
    kIdMeanCurrent = 1005,
    kIdNoLoadOutputVoltage = 1008,
    kIdLoadedVoltage = 1011,
    kIdMinimumVoltage = 1017,
    kIdRippleVoltage = 1000,
    kIdDcPower = 1012,
    kIdRegulatorPower = 1003,
    kIdJunctionTemperature = 1016,
    kIdOutputVoltage = 1006,
    kIdEfficiency = 1007,
    // Buttons and spin controls.
    kIdCentreTap = 1028,
    kIdHalfWave = 1029,
    kIdBridge = 1030,
    kIdCentreTapCircuit = 1031,
    kIdTargetVoltageSpin = 1040,
    kIdLoadCurrentSpin = 1037,
};

// Command ids of the menu and the dialog.
enum ECommandId : int {
    kCmdOk = 1,
    kCmdCancel = 2,
    kCmdFileExit = 8,
    kCmdFileOpen = 1067,
    kCmdHelpUsage = 1068,
    kCmdFileSaveAs = 1070,
    kCmdHelpAbout = 1071,
    kCmdSearchFirst = 40002,  // the five search entries, 40002..40006: no function
    kCmdSearchLast = 40006,
    // The menu "&Analyse": the analysis windows beside the form and the report.
    kCmdAnalyseTolerances = 40010,
    kCmdAnalyseLimits = 40011,
    kCmdAnalyseSweep = 40012,
    kCmdAnalyseTimeDomain = 40013,
    kCmdAnalyseReport = 40014,
    kCmdSearchDesign = 40030,  // "Entwurf aus Anforderungen..."
    // "Netz&frequenz" under "&Analyse": the design's mains frequency.
    kCmdMains50Hz = 40020,
    kCmdMains60Hz = 40021,
    // Beside the specified entries of "Datei": a new design, saving to the
    // design's own file, and the recently opened files (40050..40057).
    kCmdFileNew = 40040,
    kCmdFileSave = 40041,
    kCmdFileRecentFirst = 40050,
    kCmdFileRecentLast = 40057,
};

}  // namespace ohmrada
