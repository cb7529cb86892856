#pragma once

#include <QTableView>

#include <functional>

namespace ekaldo {

class GradeSheet;
class GradeSheetModel;

// How the sheet windows draw their cells: the filter window shows subject
// values in black, the viewer everything in grey as stored, the posting
// window values without their state, errors on yellow and a stamp per row.
enum class SheetGridStyle { Filter, Viewer, Posting };

// The sheet grid of the filter window, the viewer and the posting window: a
// read-only view of a GradeSheet drawn by the program. The sheet's column 0
// (the row keys) is never shown: the grid's left column shows the row
// numbers in its place and stays put when the grid scrolls sideways. Cells
// are painted as they come into view, so a sheet of ten thousand rows
// scrolls as lightly as one of ten.
class TSheetGrid : public QTableView {
    Q_OBJECT
public:
    static constexpr int kHeaderHeight = 128;
    static constexpr int kDefaultRowHeight = 17;
    static constexpr int kFirstSubjectColumn = 8;
    static constexpr int kMinSubjectWidth = 16;
    static constexpr int kMaxSubjectWidth = 64;

    explicit TSheetGrid(SheetGridStyle style, QWidget* parent = nullptr);
    ~TSheetGrid() override;

    // The sheet to show; it must outlive the grid or the next SetSheet.
    void SetSheet(const GradeSheet& sheet);
    const GradeSheet* Sheet() const;
    GradeSheetModel* SheetModel() const { return m_model; }
    SheetGridStyle Style() const { return m_style; }

    // The sheet was refilled: rows, columns and titles start over (widths
    // return to the default width).
    void SheetReset();
    // Cells of one sheet row (1 onwards) changed.
    void RowChanged(int sheetRow);

    // Widths by sheet column; column 0 is the row-number column.
    int ColumnWidth(int column) const;
    void SetColumnWidth(int column, int width);
    void SetDefaultColumnWidth(int width);
    // Gives every subject column the width, kept between 16 and 64.
    void SetSubjectColumnWidth(int width);

    // The sheet row (1 onwards) of the current row; 0 when there is none.
    int CurrentSheetRow() const;
    // Makes the sheet row current and brings it into view.
    void SetCurrentSheetRow(int sheetRow);

    // Cells to draw on a pale green ground (the posting window's cells whose
    // value would change the database); sheet row and column.
    void SetCellMarks(std::function<bool(int, int)> marked);

    // What a window draws, by sheet row and column; the rectangle is the cell's.
    virtual void DrawCell(QPainter& painter, const QRect& rect, int sheetRow, int column) const;
    virtual void DrawRowNumber(QPainter& painter, const QRect& rect, int sheetRow, bool current) const;
    virtual void DrawTitle(QPainter& painter, const QRect& rect, int column) const;
    // Cell (0, 0): the title of the row-number column.
    virtual void DrawCornerTitle(QPainter& painter, const QRect& rect) const;

    // The mark pictures in the cells.
    static QRect CrossRect(const QRect& cell);

    // Keeps the sheet's columns 1 to count - 1 (the student columns) beside
    // the row numbers while the others scroll sideways: a second grid over
    // the left part shows them, and covers whatever of a scrolled-away column
    // would be left beside the row numbers. Only as many of them as leave
    // most of the grid to the scrolling columns are kept. 0 or 1: none.
    void SetFrozenColumns(int count);
    // The grid over the left part; null until SetFrozenColumns.
    TSheetGrid* FrozenGrid() const { return m_frozen; }
    // How many columns the grid over the left part shows now (0 when hidden).
    int FrozenColumnsShown() const { return m_frozenShown; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void updateGeometries() override;

public:
    // A cell is brought into view beside the fixed columns, not under them.
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

private:
    class Delegate;
    class TitleHeader;
    class NumberHeader;
    void ApplyHiddenKeyColumn();
    void PlaceFrozenColumns();
    void LinkFrozenSelection();
    void SnapToColumnEdge();

    SheetGridStyle m_style;
    GradeSheetModel* m_model = nullptr;
    TitleHeader* m_titles = nullptr;
    NumberHeader* m_numbers = nullptr;
    int m_keyWidth = 32;
    std::function<bool(int, int)> m_marked;
    TSheetGrid* m_frozen = nullptr;
    int m_frozenCount = 0;
    int m_frozenShown = 0;
    bool m_snapping = false;
};

} // namespace ekaldo
