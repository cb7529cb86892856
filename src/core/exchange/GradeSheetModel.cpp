#include "core/exchange/GradeSheetModel.h"

#include "core/exchange/GradeSheet.h"

#include <algorithm>

namespace ekaldo {

GradeSheetModel::GradeSheetModel(const GradeSheet& sheet, QObject* parent)
    : QAbstractTableModel(parent), m_sheet(&sheet) {}

void GradeSheetModel::SheetReset() {
    beginResetModel();
    endResetModel();
}

void GradeSheetModel::RowChanged(int sheetRow) {
    const int row = ModelRow(sheetRow);
    if (row < 0 || row >= rowCount() || columnCount() == 0)
        return;
    Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void GradeSheetModel::TitlesChanged() {
    if (columnCount() > 0)
        Q_EMIT headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

int GradeSheetModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : std::max(m_sheet->RowCount() - 1, 0);
}

int GradeSheetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_sheet->ColCount();
}

QVariant GradeSheetModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    const int row = SheetRow(index.row());
    if (role == Qt::ToolTipRole) {
        if (m_toolTip)
            return m_toolTip(row, index.column());
        const QStringView cell = m_sheet->CellView(row, index.column());
        const qsizetype bar = cell.indexOf(QLatin1Char('|'));
        return (bar < 0 ? cell : cell.left(bar)).toString();
    }
    return m_sheet->Cell(row, index.column());
}

QVariant GradeSheetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return m_sheet->Cell(0, section);
    return section + 1;
}

Qt::ItemFlags GradeSheetModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    // Sheets are shown, never edited in place.
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

} // namespace ekaldo
