#pragma once

#include <QAbstractTableModel>
#include <QString>

#include <vector>

namespace ekaldo {

enum class SelectionKind { Levels, Classes, Courses, Subjects };

// One of the filter window's four tick lists: row 0 its (hidden) header, then
// the special rows ("<Όλα>", "<Όλες>", "<Κανένα>") and one row per caption.
class SelectionGrid {
public:
    explicit SelectionGrid(SelectionKind kind);

    SelectionKind Kind() const { return m_kind; }
    QString HeaderCaption() const;

    // Back to the header and the special rows, in their starting state.
    void Reset();
    void AddRow(const QString& caption);

    int RowCount() const { return static_cast<int>(m_rows.size()); }
    bool Ticked(int row) const;
    void SetTicked(int row, bool ticked);
    QString Caption(int row) const;
    // The first row that stands for one level, class, course or subject.
    int FirstItemRow() const { return m_kind == SelectionKind::Subjects ? 3 : 2; }

    // A double-click on a row, by the grid's rule: the all row (and for
    // subjects "<Κανένα>") is unticked, the row flips, and the first row is
    // ticked again when nothing after it is.
    void Toggle(int row);
    // A ticked item row that counts for nothing because an all row is ticked:
    // drawn with the greyed tick.
    bool Greyed(int row) const;
    // Unticks every row from 1 on.
    void ClearTicks();

private:
    struct Row {
        bool ticked = false;
        QString caption;
    };
    SelectionKind m_kind;
    std::vector<Row> m_rows;
};

// The rows from 1 on of a selection grid, for its view: column 0 the tick,
// column 1 the caption.
class SelectionGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit SelectionGridModel(SelectionGrid& grid, QObject* parent = nullptr)
        : QAbstractTableModel(parent), m_grid(grid) {}
    SelectionGrid& Grid() { return m_grid; }
    // Row of the view for grid row r and back: the view leaves out the header row.
    static int GridRow(int viewRow) { return viewRow + 1; }
    void Reload();
    // Rows whose ticks may have changed.
    void TicksChanged();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    SelectionGrid& m_grid;
};

} // namespace ekaldo
