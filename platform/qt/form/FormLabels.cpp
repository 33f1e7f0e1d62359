// SPDX-License-Identifier: GPL-3.0-or-later
#include "FormLabels.h"

#include <charconv>
#include <cmath>
#include <string>

#include <QPalette>
#include <QWidget>

#include "FormTexts.h"
#include "NumberText.h"
#include "Palette.h"
#include "QtTexts.h"

namespace ohmrada::qt {

CFieldLabel LabelOf(int fieldId) {
    const res::CFieldTexts texts = res::FieldTextsOf(fieldId);
    CFieldLabel label{Tr(texts.label).simplified(), Tr(texts.unit).trimmed()};
    if (label.label.endsWith(QLatin1Char(':'))) {
        label.label.chop(1);
    }
    struct CSpelling {
        const char* form;
        const char* correct;
    };
    constexpr CSpelling kSpellings[] = {
        {"Leistungaufnahme", "Leistungsaufnahme"},
        {"Reglerverlustleitsung", "Reglerverlustleistung"},
    };
    for (const CSpelling& spelling : kSpellings) {
        if (label.label == QLatin1String(spelling.form)) {
            label.label = QLatin1String(spelling.correct);
        }
    }
    return label;
}

QString LabelWithUnit(int fieldId) {
    const CFieldLabel label = LabelOf(fieldId);
    return label.label + QStringLiteral(" (") + label.unit + QLatin1Char(')');
}

QString FormatNumber(double value, int decimals) {
    if (!std::isfinite(value)) {
        return Tr(FormatFieldValue(static_cast<float>(value), decimals));
    }
    // FormatFieldValue takes the form's single-precision values; wider ones
    // are written with the same rules at double precision.
    return QString::number(value, 'f', decimals);
}

std::optional<double> ReadWholeNumber(const QString& text) {
    const std::string digits = text.trimmed().toStdString();
    const char* begin = digits.data();
    const char* end = digits.data() + digits.size();
    if (begin != end && *begin == '+') {
        ++begin;  // from_chars takes no plus sign
    }
    double value = 0.0;
    const auto [stop, error] = std::from_chars(begin, end, value);
    if (begin == end || error != std::errc() || stop != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

void MarkRefused(QWidget& box, bool refused, const QString& why) {
    QPalette colours = box.parentWidget() != nullptr ? box.parentWidget()->palette() : QPalette();
    if (refused) {
        colours.setColor(QPalette::Base, palette::Limit());
        colours.setColor(QPalette::Text, palette::WarningText());
    }
    box.setPalette(colours);
    box.setToolTip(refused ? why : QString());
}

QString Fill(const char* text, const QString& a1) {
    return Tr(text).arg(a1);
}

QString Fill(const char* text, const QString& a1, const QString& a2) {
    return Tr(text).arg(a1, a2);
}

QString Fill(const char* text, const QString& a1, const QString& a2, const QString& a3) {
    return Tr(text).arg(a1, a2, a3);
}

QString Fill(const char* text, const QString& a1, const QString& a2, const QString& a3,
             const QString& a4) {
    return Tr(text).arg(a1, a2, a3, a4);
}

}  // namespace ohmrada::qt
