#pragma once

#include <QString>
#include <QStringView>

#include <vector>

namespace ekaldo {

// A sheet of text cells, rows by columns, row 0 the column titles. Shared by
// every sheet window and by the grade file readers and writers.
//
// Each row keeps its cells in one string with their start offsets, so a
// 10,000 by 60 sheet costs two allocations a row rather than one a cell, and
// a row read from a file is stored as the line itself. Rows hold only the
// cells up to the last one set; widening the sheet costs nothing.
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

    // The cell's text; empty outside the sheet or where nothing was set. The
    // view lasts until the row is changed.
    QStringView CellView(int row, int col) const;
    QString Cell(int row, int col) const { return CellView(row, col).toString(); }

    // Sets a cell inside the sheet; cells outside it are ignored.
    void SetCell(int row, int col, QStringView text);

    // Replaces a whole row at once: text holds the cells one after another,
    // each cell starting at its offset in starts and ending one character
    // before the next start (the character between is a separator), the last
    // at the end of text. Cells beyond the sheet's columns are dropped.
    void SetRowText(int row, QString text, std::vector<qsizetype> starts);

    // How many cells of the row are stored (the rest are empty).
    int StoredCells(int row) const;
    // The stored cells of the row joined by tabs, as a grade file line holds
    // them (a cell may itself hold a tab: compare the tab count).
    QStringView RowText(int row) const;

    // Empties every cell and keeps the size.
    void ClearCells();
    void ClearRow(int row);

    bool operator==(const GradeSheet& other) const;

private:
    struct Row {
        QString text;
        std::vector<qsizetype> starts;
    };
    static qsizetype CellEnd(const Row& row, std::size_t col) {
        return col + 1 < row.starts.size() ? row.starts[col + 1] - 1 : row.text.size();
    }
    static void Truncate(Row& row, std::size_t cells);

    std::vector<Row> m_rows;
    int m_cols = 0;
};

} // namespace ekaldo
