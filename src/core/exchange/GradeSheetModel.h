#pragma once

#include <QAbstractTableModel>

#include <functional>

namespace ekaldo {

class GradeSheet;

// A grade sheet as a table model: the sheet's row 0 is the horizontal header,
// its rows 1 onwards are the model's rows 0 onwards, its columns are the
// model's columns. The model reads the sheet it is given and copies nothing;
// whoever changes the sheet tells the model (SheetReset, RowChanged).
class GradeSheetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit GradeSheetModel(const GradeSheet& sheet, QObject* parent = nullptr);

    const GradeSheet& Sheet() const { return *m_sheet; }

    // Model row of a sheet row and back (sheet row 0 is the header).
    static int SheetRow(int modelRow) { return modelRow + 1; }
    static int ModelRow(int sheetRow) { return sheetRow - 1; }

    // The sheet was refilled or resized: every view starts over.
    void SheetReset();
    // Cells of one sheet row (1 onwards) changed.
    void RowChanged(int sheetRow);
    // The titles of row 0 changed.
    void TitlesChanged();

    // What a cell's tooltip says, by sheet row and column. Without one the
    // tooltip is the cell's value without the state a window appended after "|".
    void SetToolTips(std::function<QString(int, int)> toolTip) { m_toolTip = std::move(toolTip); }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    const GradeSheet* m_sheet;
    std::function<QString(int, int)> m_toolTip;
};

} // namespace ekaldo
