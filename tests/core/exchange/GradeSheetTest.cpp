#include "core/exchange/GradeSheet.h"

#include <gtest/gtest.h>

using namespace ekaldo;

TEST(GradeSheet, CellsOutsideOrUnsetAreEmptyAndWritesOutsideAreIgnored) {
    GradeSheet sheet(3, 4);
    sheet.SetCell(1, 3, QStringLiteral("17"));
    EXPECT_EQ(sheet.Cell(1, 3), QStringLiteral("17"));
    for (const auto& [row, col] : {std::pair{1, 2}, {3, 0}, {-1, 0}, {1, 4}, {1, -1}})
        EXPECT_TRUE(sheet.Cell(row, col).isEmpty()) << row << "," << col;
    sheet.SetCell(3, 0, QStringLiteral("x"));
    sheet.SetCell(0, 4, QStringLiteral("x"));
    sheet.SetRowText(3, QStringLiteral("x"), {0});
    sheet.ClearRow(3);
    EXPECT_EQ(sheet.RowCount(), 3);
    EXPECT_EQ(sheet.ColCount(), 4);
    EXPECT_EQ(sheet.StoredCells(3), 0);
    EXPECT_TRUE(sheet.RowText(3).isEmpty());
    // Narrowing drops cells, so widening shows them empty.
    sheet.SetColCount(3);
    sheet.SetColCount(4);
    EXPECT_TRUE(sheet.Cell(1, 3).isEmpty());
    // Equality compares the visible cells: an empty cell set is one left alone.
    GradeSheet a(2, 2), b(2, 2);
    a.SetCell(1, 1, QStringLiteral("x"));
    EXPECT_FALSE(a == b);
    b.SetCell(1, 1, QStringLiteral("x"));
    a.SetCell(0, 0, QString());
    EXPECT_TRUE(a == b);
    a.ClearCells();
    EXPECT_FALSE(a == b);
    EXPECT_EQ(a.RowCount(), 2);
    b.SetRowCount(3);
    EXPECT_FALSE(b == GradeSheet(2, 2));
}
