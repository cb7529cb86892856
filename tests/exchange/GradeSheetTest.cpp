#include "exchange/GradeSheet.h"

#include <gtest/gtest.h>

using namespace ekaldo;

TEST(GradeSheet, CellsOutsideOrUnsetAreEmptyAndWritesOutsideAreIgnored) {
    GradeSheet sheet(3, 4);
    sheet.SetCell(1, 3, QStringLiteral("17"));
    EXPECT_EQ(sheet.Cell(1, 3), QStringLiteral("17"));
    EXPECT_TRUE(sheet.Cell(1, 2).isEmpty());
    EXPECT_TRUE(sheet.Cell(5, 0).isEmpty());
    EXPECT_TRUE(sheet.Cell(-1, 0).isEmpty());
    sheet.SetCell(3, 0, QStringLiteral("x"));
    sheet.SetCell(0, 4, QStringLiteral("x"));
    EXPECT_EQ(sheet.RowCount(), 3);
    EXPECT_EQ(sheet.ColCount(), 4);
}

TEST(GradeSheet, NarrowingDropsCellsSoWideningShowsThemEmpty) {
    GradeSheet sheet(2, 5);
    sheet.SetCell(1, 4, QStringLiteral("old"));
    sheet.SetColCount(3);
    EXPECT_TRUE(sheet.Cell(1, 4).isEmpty());
    sheet.SetColCount(5);
    EXPECT_TRUE(sheet.Cell(1, 4).isEmpty());
    sheet.SetRowCount(1);
    sheet.SetRowCount(2);
    sheet.SetCell(1, 0, QStringLiteral("a"));
    EXPECT_EQ(sheet.Cell(1, 0), QStringLiteral("a"));
}

TEST(GradeSheet, EqualityComparesVisibleCells) {
    GradeSheet a(2, 2), b(2, 2);
    a.SetCell(1, 1, QStringLiteral("x"));
    EXPECT_FALSE(a == b);
    b.SetCell(1, 1, QStringLiteral("x"));
    EXPECT_TRUE(a == b);
    a.SetCell(0, 0, QString());  // setting an empty cell is the same as leaving it
    EXPECT_TRUE(a == b);
    a.ClearCells();
    EXPECT_FALSE(a == b);
    EXPECT_EQ(a.RowCount(), 2);
}
