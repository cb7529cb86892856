#include "core/exchange/GradeSheetModel.h"

#include "core/exchange/GradeSheet.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace ekaldo;

TEST(GradeSheetModel, RowsBelowTheTitlesColumnsAsTheSheetAndChangesReachTheViews) {
    GradeSheet sheet(3, 9);
    sheet.SetCell(0, 8, u"Άλγεβρα");
    sheet.SetCell(2, 8, u"12|Err3");
    GradeSheetModel model(sheet);
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.columnCount(), 9);
    EXPECT_EQ(model.headerData(8, Qt::Horizontal).toString(), QStringLiteral("Άλγεβρα"));
    EXPECT_EQ(model.headerData(1, Qt::Vertical).toInt(), 2) << "row numbers count from 1";
    EXPECT_EQ(model.data(model.index(1, 8)).toString(), QStringLiteral("12|Err3"));
    EXPECT_EQ(model.data(model.index(1, 8), Qt::ToolTipRole).toString(), QStringLiteral("12"));
    EXPECT_EQ(model.data(model.index(0, 8)).toString(), QString());
    // No copy: a change of the sheet shows at once.
    sheet.SetCell(1, 3, u"x");
    EXPECT_EQ(model.data(model.index(0, 3)).toString(), QStringLiteral("x"));

    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    model.RowChanged(2);
    ASSERT_EQ(changed.size(), 1);
    EXPECT_EQ(changed[0][0].toModelIndex().row(), 1);
    EXPECT_EQ(changed[0][1].toModelIndex().column(), 8);
    model.RowChanged(0); // the titles are no model row
    model.RowChanged(3); // beyond the sheet
    EXPECT_EQ(changed.size(), 1);
    sheet.SetRowCount(10);
    model.SheetReset();
    EXPECT_EQ(reset.size(), 1);
    EXPECT_EQ(model.rowCount(), 9);
    // Empty and title-only sheets have no rows.
    sheet.SetRowCount(1);
    EXPECT_EQ(model.rowCount(), 0);
    sheet.SetRowCount(0);
    EXPECT_EQ(model.rowCount(), 0);
}
