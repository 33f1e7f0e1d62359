// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ohmrada::cli {

// The layout of every table ohmrada-calc prints for people. Widths count
// characters as a terminal shows them (DisplayWidth), so umlauts align.

// A label left-aligned in `width` columns, and at least one space after a
// longer one.
void AppendLeft(std::string& text, std::string_view cell, std::size_t width);
// A value right-aligned in `width` columns, and `gap` spaces before one that
// fills or overflows them, so that neighbouring values never run together
// (a value after a padded label needs none).
void AppendRight(std::string& text, std::string_view cell, std::size_t width, std::size_t gap = 2);

// Rows of cells laid out once all are known: the first column left-aligned
// (the labels), the others right-aligned, each column as wide as its widest
// cell and at least its minimum, so an absurd value widens its column instead
// of breaking the table. A row may end in a tail (a unit) written as it is.
class CTextTable {
public:
    explicit CTextTable(std::vector<std::size_t> minimumWidths)
        : m_widths(std::move(minimumWidths)) {}
    void Row(std::vector<std::string> cells, std::string tail = {});
    // Every row, each ending in a line feed.
    std::string Render() const;

private:
    struct CRow {
        std::vector<std::string> cells;
        std::string tail;
    };
    std::vector<std::size_t> m_widths;
    std::vector<CRow> m_rows;
};

}  // namespace ohmrada::cli
