#include "core/compose/SelectionGrid.h"

namespace ekaldo {

SelectionGrid::SelectionGrid(SelectionKind kind) : m_kind(kind) {
    Reset();
}

QString SelectionGrid::HeaderCaption() const {
    switch (m_kind) {
    case SelectionKind::Levels:
        return QStringLiteral("ΕΠΙΠΕΔΟ");
    case SelectionKind::Classes:
        return QStringLiteral("ΤΑΞΗ");
    case SelectionKind::Courses:
        return QStringLiteral("ΤΜΗΜΑ");
    case SelectionKind::Subjects:
        return QStringLiteral("ΜΑΘΗΜΑ");
    }
    return {};
}

void SelectionGrid::Reset() {
    m_rows.clear();
    m_rows.push_back({false, HeaderCaption()});
    switch (m_kind) {
    case SelectionKind::Levels:
    case SelectionKind::Courses:
        m_rows.push_back({true, QStringLiteral("<Όλα>")});
        break;
    case SelectionKind::Classes:
        m_rows.push_back({true, QStringLiteral("<Όλες>")});
        break;
    case SelectionKind::Subjects:
        m_rows.push_back({true, QStringLiteral("<Κανένα>")});
        m_rows.push_back({false, QStringLiteral("<Όλα>")});
        break;
    }
}

void SelectionGrid::AddRow(const QString& caption) {
    m_rows.push_back({false, caption});
}

bool SelectionGrid::Ticked(int row) const {
    return row >= 1 && row < RowCount() && m_rows[static_cast<std::size_t>(row)].ticked;
}

void SelectionGrid::SetTicked(int row, bool ticked) {
    if (row >= 1 && row < RowCount())
        m_rows[static_cast<std::size_t>(row)].ticked = ticked;
}

QString SelectionGrid::Caption(int row) const {
    return row >= 0 && row < RowCount() ? m_rows[static_cast<std::size_t>(row)].caption : QString();
}

void SelectionGrid::Toggle(int row) {
    if (row < 1 || row >= RowCount())
        return;
    const bool was = Ticked(row);
    SetTicked(1, false);
    if (m_kind == SelectionKind::Subjects)
        SetTicked(2, false);
    SetTicked(row, !was);
    // Subjects: "<Όλα>" counts as a tick here.
    const int from = 2;
    for (int r = from; r < RowCount(); ++r) {
        if (Ticked(r))
            return;
    }
    SetTicked(1, true);
}

bool SelectionGrid::Greyed(int row) const {
    if (row < FirstItemRow() || !Ticked(row))
        return false;
    if (m_kind == SelectionKind::Subjects)
        return Ticked(1) || Ticked(2);
    return Ticked(1);
}

void SelectionGrid::ClearTicks() {
    for (int r = 1; r < RowCount(); ++r)
        SetTicked(r, false);
}

void SelectionGridModel::Reload() {
    beginResetModel();
    endResetModel();
}

void SelectionGridModel::TicksChanged() {
    if (rowCount() > 0)
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, 0));
}

int SelectionGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : std::max(0, m_grid.RowCount() - 1);
}

int SelectionGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 2;
}

QVariant SelectionGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    const int row = GridRow(index.row());
    if (index.column() == 0) {
        if (role == Qt::DisplayRole)
            return m_grid.Ticked(row) ? QStringLiteral("1") : QStringLiteral("0");
        if (role == Qt::UserRole)
            return m_grid.Greyed(row);
        return {};
    }
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return m_grid.Caption(row);
    return {};
}

} // namespace ekaldo
