// SPDX-License-Identifier: GPL-3.0-or-later
#include "FormLabels.h"

#include <cmath>
#include <cstddef>
#include <span>

#include "FormTemplate.h"
#include "NumberText.h"

namespace ohmrada::qt {

CFieldLabel LabelOf(int fieldId) {
    const std::span<const res::CControlTemplate> controls = res::kFormTemplate.controls;
    for (std::size_t i = 0; i < controls.size(); ++i) {
        if (controls[i].id != fieldId || controls[i].kind != res::EControlKind::kEdit) {
            continue;
        }
        CFieldLabel label;
        // The static text before the field names it, the one after gives its
        // unit (a spin control may stand between).
        for (std::size_t j = i; j-- > 0;) {
            if (controls[j].kind == res::EControlKind::kText) {
                label.label = QString::fromUtf8(controls[j].text).trimmed();
                break;
            }
        }
        for (std::size_t j = i + 1; j < controls.size(); ++j) {
            if (controls[j].kind == res::EControlKind::kText) {
                label.unit = QString::fromUtf8(controls[j].text).trimmed();
                break;
            }
        }
        if (label.label.endsWith(QLatin1Char(':'))) {
            label.label.chop(1);
        }
        return label;
    }
    return {};
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
