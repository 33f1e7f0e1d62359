// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace ohmrada::qt {

// A field's label and unit as the form template shows them beside it
// ("Spannungsminimum", "Volt"; res::FieldTextsOf), without the label's colon
// and with single spaces.
struct CFieldLabel {
    QString label;
    QString unit;
};

// The label and unit of an input or result field of the form; empty texts
// for any other id.
CFieldLabel LabelOf(int fieldId);

// "label (unit)", the way an axis or a column is titled.
QString LabelWithUnit(int fieldId);

// A number for the windows and the report, with the given decimals, in the
// form's notation whatever the locale ("n. def." when not finite).
QString FormatNumber(double value, int decimals);

// A text with %1, %2 ... filled in.
QString Fill(const char* text, const QString& a1);
QString Fill(const char* text, const QString& a1, const QString& a2);
QString Fill(const char* text, const QString& a1, const QString& a2, const QString& a3);

}  // namespace ohmrada::qt
