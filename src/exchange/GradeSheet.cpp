#include "exchange/GradeSheet.h"

#include <algorithm>

namespace ekaldo {
namespace {
const QString kEmpty;
}

void GradeSheet::SetRowCount(int rows) { m_rows.resize(static_cast<std::size_t>(std::max(rows, 0))); }

void GradeSheet::SetColCount(int cols) {
    cols = std::max(cols, 0);
    if (cols < m_cols) {
        for (auto& row : m_rows) {
            if (static_cast<int>(row.size()) > cols)
                row.resize(static_cast<std::size_t>(cols));
        }
    }
    m_cols = cols;
}

const QString& GradeSheet::Cell(int row, int col) const {
    if (row < 0 || row >= RowCount() || col < 0 || col >= m_cols)
        return kEmpty;
    const auto& cells = m_rows[static_cast<std::size_t>(row)];
    return col < static_cast<int>(cells.size()) ? cells[static_cast<std::size_t>(col)] : kEmpty;
}

void GradeSheet::SetCell(int row, int col, const QString& text) {
    if (row < 0 || row >= RowCount() || col < 0 || col >= m_cols)
        return;
    auto& cells = m_rows[static_cast<std::size_t>(row)];
    if (col >= static_cast<int>(cells.size())) {
        if (text.isEmpty())
            return;
        cells.resize(static_cast<std::size_t>(col) + 1);
    }
    cells[static_cast<std::size_t>(col)] = text;
}

void GradeSheet::ClearCells() {
    for (auto& row : m_rows)
        row.clear();
}

void GradeSheet::ClearRow(int row) {
    if (row >= 0 && row < RowCount())
        m_rows[static_cast<std::size_t>(row)].clear();
}

bool GradeSheet::operator==(const GradeSheet& other) const {
    if (RowCount() != other.RowCount() || m_cols != other.m_cols)
        return false;
    for (int r = 0; r < RowCount(); ++r) {
        for (int c = 0; c < m_cols; ++c) {
            if (Cell(r, c) != other.Cell(r, c))
                return false;
        }
    }
    return true;
}

} // namespace ekaldo
