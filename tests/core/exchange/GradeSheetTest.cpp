#include "core/exchange/GradeSheet.h"

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
    a.SetCell(0, 0, QString()); // setting an empty cell is the same as leaving it
    EXPECT_TRUE(a == b);
    a.ClearCells();
    EXPECT_FALSE(a == b);
    EXPECT_EQ(a.RowCount(), 2);
}

TEST(GradeSheet, ReplacingACellKeepsItsNeighbours) {
    GradeSheet sheet(1, 4);
    sheet.SetCell(0, 0, QStringLiteral("α"));
    sheet.SetCell(0, 2, QStringLiteral("γγγ"));
    sheet.SetCell(0, 3, QStringLiteral("δ"));
    sheet.SetCell(0, 1, QStringLiteral("β\tβ")); // a tab inside a cell is just text
    sheet.SetCell(0, 2, QString());
    sheet.SetCell(0, 0, QStringLiteral("ααααα"));
    EXPECT_EQ(sheet.Cell(0, 0), QStringLiteral("ααααα"));
    EXPECT_EQ(sheet.Cell(0, 1), QStringLiteral("β\tβ"));
    EXPECT_EQ(sheet.Cell(0, 2), QString());
    EXPECT_EQ(sheet.Cell(0, 3), QStringLiteral("δ"));
    EXPECT_EQ(sheet.StoredCells(0), 4);
}

TEST(GradeSheet, WholeRowsFromTextAreCutToTheColumns) {
    GradeSheet sheet(2, 2);
    sheet.SetRowText(1, QStringLiteral("a\tbb\tc"), {0, 2, 5});
    EXPECT_EQ(sheet.Cell(1, 0), QStringLiteral("a"));
    EXPECT_EQ(sheet.Cell(1, 1), QStringLiteral("bb"));
    EXPECT_EQ(sheet.StoredCells(1), 2);
    sheet.SetColCount(3);
    EXPECT_EQ(sheet.Cell(1, 2), QString()) << "the dropped cell does not come back";
    sheet.SetCell(1, 2, QStringLiteral("z"));
    EXPECT_EQ(sheet.RowText(1), QStringLiteral("a\tbb\tz"));
    sheet.SetRowText(5, QStringLiteral("x"), {0}); // outside: ignored
    EXPECT_EQ(sheet.RowCount(), 2);
}
