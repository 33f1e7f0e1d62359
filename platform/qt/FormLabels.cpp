// SPDX-License-Identifier: GPL-3.0-or-later
#include "FormLabels.h"

#include <cmath>

#include "FormTexts.h"
#include "NumberText.h"

namespace ohmrada::qt {

CFieldLabel LabelOf(int fieldId) {
    const res::CFieldTexts texts = res::FieldTextsOf(fieldId);
    CFieldLabel label{
        QString::fromUtf8(texts.label.data(), static_cast<qsizetype>(texts.label.size()))
            .simplified(),
        QString::fromUtf8(texts.unit.data(), static_cast<qsizetype>(texts.unit.size())).trimmed()};
    if (label.label.endsWith(QLatin1Char(':'))) {
        label.label.chop(1);
    }
    return label;
}

QString LabelWithUnit(int fieldId) {
    const CFieldLabel label = LabelOf(fieldId);
    return label.label + QStringLiteral(" (") + label.unit + QLatin1Char(')');
}

QString FormatNumber(double value, int decimals) {
    if (!std::isfinite(value)) {
        return QString::fromStdString(FormatFieldValue(static_cast<float>(value), decimals));
    }
    // FormatFieldValue takes the form's single-precision values; wider ones
    // are written with the same rules at double precision.
    return QString::number(value, 'f', decimals);
}

QString Fill(const char* text, const QString& a1) {
    return QString::fromUtf8(text).arg(a1);
}

QString Fill(const char* text, const QString& a1, const QString& a2) {
    return QString::fromUtf8(text).arg(a1, a2);
}

QString Fill(const char* text, const QString& a1, const QString& a2, const QString& a3) {
    return QString::fromUtf8(text).arg(a1, a2, a3);
}

}  // namespace ohmrada::qt
