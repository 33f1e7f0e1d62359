// SPDX-License-Identifier: GPL-3.0-or-later
#include "TextTable.h"

#include <algorithm>

#include "FormText.h"
#include "TextEscape.h"

namespace ohmrada::cli {

namespace {

constexpr std::size_t kLabelGap = 1;
constexpr std::size_t kValueGap = 2;

}  // namespace

void AppendLeft(std::string& text, std::string_view cell, std::size_t width) {
    const std::size_t shown = DisplayWidth(cell);
    text.append(cell);
    text.append(shown < width ? width - shown : kLabelGap, ' ');
}

void AppendRight(std::string& text, std::string_view cell, std::size_t width, std::size_t gap) {
    const std::size_t shown = DisplayWidth(cell);
    text.append(shown < width ? width - shown : gap, ' ');
    text.append(cell);
}

void CTextTable::Row(std::vector<std::string> cells, std::string tail) {
    for (std::size_t i = 0; i < cells.size(); ++i) {
        cells[i] = ShownValue(cells[i]);
        if (i >= m_widths.size()) {
            m_widths.push_back(0);
        }
        const std::size_t gap = i == 0 ? kLabelGap : kValueGap;
        m_widths[i] = std::max(m_widths[i], DisplayWidth(cells[i]) + gap);
    }
    m_rows.push_back({std::move(cells), std::move(tail)});
}

std::string CTextTable::Render() const {
    std::string text;
    for (const CRow& row : m_rows) {
        for (std::size_t i = 0; i < row.cells.size(); ++i) {
            if (i == 0) {
                AppendLeft(text, row.cells[i], m_widths[i]);
            } else {
                AppendRight(text, row.cells[i], m_widths[i], kValueGap);
            }
        }
        text.append(row.tail).push_back('\n');
    }
    return text;
}

}  // namespace ohmrada::cli
