// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>

#include <QString>

class QWidget;

namespace ohmrada::qt {

// A field's label and unit as the form template shows them beside it
// ("Spannungsminimum", "Volt"; res::FieldTextsOf), without the label's colon
// and with single spaces.
struct CFieldLabel {
    QString label;
    QString unit;
};

// The label and unit of an input or result field of the form, as the
// windows beside the form and the report name the quantity; empty texts for
// any other id. The form keeps its own texts; here two of its labels are
// spelled correctly ("Leistungsaufnahme", "Reglerverlustleistung").
CFieldLabel LabelOf(int fieldId);

// "label (unit)", the way an axis or a column is titled.
QString LabelWithUnit(int fieldId);

// A number for the windows and the report, with the given decimals, in the
// form's notation whatever the locale ("n. def." when not finite).
QString FormatNumber(double value, int decimals);

// A number typed into a window beside the form: the whole text (blanks
// around it aside) read with a point as the decimal mark, whatever the
// locale; nothing for any other text, or for a number that is not finite.
std::optional<double> ReadWholeNumber(const QString& text);

// Marks an entry that is refused (the limit colour, the reason as its
// tooltip), or takes the mark off again.
void MarkRefused(QWidget& box, bool refused, const QString& why = {});

// A text with %1, %2 ... filled in.
QString Fill(const char* text, const QString& a1);
QString Fill(const char* text, const QString& a1, const QString& a2);
QString Fill(const char* text, const QString& a1, const QString& a2, const QString& a3);
QString Fill(const char* text, const QString& a1, const QString& a2, const QString& a3,
             const QString& a4);

}  // namespace ohmrada::qt
