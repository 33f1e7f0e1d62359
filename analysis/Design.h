// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <optional>
#include <string>

#include "Circuit.h"
#include "Configuration.h"
#include "InputTable.h"
#include "LineIo.h"
#include "PowerSupply.h"

namespace ohmrada {

// The fourteen inputs of a configuration as one value: the centre-tap flag,
// the circuit text and the twelve numbers, each as the model stores it (the
// transformer's voltages are the whole winding's, whatever the flag). Every
// analysis takes a design out of the form, changes a copy and evaluates it on
// a fresh supply; nothing here touches the form.
struct CDesign {
    int centreTap = 0;
    std::string circuit;
    std::array<float, kInputCount> values{};        // by EInput
    float mainsFrequency = kDefaultMainsFrequency;  // Hz, 50 or 60
    // The circuit beyond the form's inputs (a symmetric supply, a filter
    // after the reservoir, a resistive load), which the analyses solve and
    // the file states in its optional lines.
    CCircuitChoice circuitChoice;

    float& operator[](EInput input) { return values[static_cast<std::size_t>(input)]; }
    float operator[](EInput input) const { return values[static_cast<std::size_t>(input)]; }
    bool operator==(const CDesign&) const = default;

    // The transformer's voltages (NennU, LeerU): stored for the whole
    // winding, shown and typed per half while the centre tap is set.
    static bool IsWindingVoltage(EInput input);
    // An input's value as the form shows it and the user types it: a winding
    // voltage halved while the centre tap is set, every other as stored.
    float Shown(EInput input) const;

    // The design of a freshly started form.
    static CDesign StartUp();
    // What the supply holds now.
    static CDesign TakeFrom(const CPowerSupply& supply);
    // What a configuration read from a file gives once Open has applied it
    // (the circuit choice its optional lines state with it).
    static CDesign FromConfiguration(const CConfiguration& configuration);

    // Sets every input of a freshly made supply, in the order a loaded file
    // applies its lines, so that it then holds exactly this design.
    void ApplyTo(CPowerSupply& supply) const;

    // The fourteen value texts Save As writes for this design: the flag, the
    // numbers as the form shows them (the winding voltages halved while the
    // flag is set) and the circuit.
    std::array<std::string, kConfigLineCount> ToConfigurationTexts() const;
    // Writes the design's file as Save As does (without committing the sink).
    bool WriteTo(CLineSink& sink) const;
    // The design's file as Save As writes it, CR LF line ends.
    std::string FileText() const;
    // What Open reads from the design's file: the numbers rounded as the
    // file writes them, each within the form's range. Empty only if that
    // file could not be read back, which a design's own file always can.
    std::optional<CConfiguration> ReadBack() const;
};

}  // namespace ohmrada
