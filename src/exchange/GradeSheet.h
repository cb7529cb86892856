#pragma once

#include <QString>

#include <vector>

namespace ekaldo {

// A sheet of text cells, rows by columns, row 0 the column titles. Shared by
// every sheet window and by the grade file readers and writers. Rows keep only
// the cells that were set, so a wide sheet of short rows stays small and
// widening it costs nothing.
class GradeSheet {
public:
    GradeSheet() = default;
    GradeSheet(int rows, int cols) { SetSize(rows, cols); }

    int RowCount() const { return static_cast<int>(m_rows.size()); }
    int ColCount() const { return m_cols; }

    void SetSize(int rows, int cols) {
        SetColCount(cols);
        SetRowCount(rows);
    }
    void SetRowCount(int rows);
    void SetColCount(int cols);

    // An empty text outside the sheet or where nothing was set.
    const QString& Cell(int row, int col) const;
    // Sets a cell inside the sheet; cells outside it are ignored.
    void SetCell(int row, int col, const QString& text);

    // Empties every cell and keeps the size.
    void ClearCells();
    void ClearRow(int row);

    bool operator==(const GradeSheet& other) const;

private:
    std::vector<std::vector<QString>> m_rows;
    int m_cols = 0;
};

} // namespace ekaldo
