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

TEST(GradeSheet, ReplacingACellKeepsItsNeighboursAndRowTextIsCutToTheColumns) {
    GradeSheet sheet(2, 4);
    sheet.SetCell(0, 0, QStringLiteral("α"));
    sheet.SetCell(0, 2, QStringLiteral("γγγ"));
    sheet.SetCell(0, 3, QStringLiteral("δ"));
    sheet.SetCell(0, 1, QStringLiteral("β\tβ")); // a tab inside a cell is just text
    sheet.SetCell(0, 2, QString());
    sheet.SetCell(0, 0, QStringLiteral("ααααα"));
    sheet.SetCell(0, 3, sheet.CellView(0, 0)); // a view of the row's own text
    EXPECT_EQ(sheet.Cell(0, 0), QStringLiteral("ααααα"));
    EXPECT_EQ(sheet.Cell(0, 1), QStringLiteral("β\tβ"));
    EXPECT_EQ(sheet.Cell(0, 2), QString());
    EXPECT_EQ(sheet.Cell(0, 3), QStringLiteral("ααααα"));
    EXPECT_EQ(sheet.StoredCells(0), 4);

    sheet.SetColCount(2);
    sheet.SetRowText(1, QStringLiteral("a\tbb\tc"), {0, 2, 5});
    EXPECT_EQ(sheet.Cell(1, 1), QStringLiteral("bb"));
    EXPECT_EQ(sheet.StoredCells(1), 2);
    sheet.SetColCount(3);
    EXPECT_EQ(sheet.Cell(1, 2), QString()) << "the dropped cell does not come back";
    sheet.SetCell(1, 2, QStringLiteral("z"));
    EXPECT_EQ(sheet.RowText(1), QStringLiteral("a\tbb\tz"));
}
