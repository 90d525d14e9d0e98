// The result grid's row model: layouts, numbering, clearing.
#include "ResultGrid.h"

#include "TestRecords.h"

#include <gtest/gtest.h>

namespace morvane {
namespace {

TEST(ResultGrid, InitialState) {
    TResultGrid g;
    EXPECT_EQ(g.RowCount(), 2);
    EXPECT_EQ(g.ColCount(), 2);
    EXPECT_EQ(g.ColWidth(0), 40);
    EXPECT_EQ(g.ColWidth(1), 122);
    EXPECT_EQ(g.Cell(0, 0), "");
    EXPECT_EQ(g.StatusText(), "");
}

TEST(ResultGrid, LayoutsHeadersAndWidths) {
    TResultGrid g;
    g.SetPassLayout(TPassLayout::RecordType);
    EXPECT_EQ(g.ColCount(), 5);
    const char* rt[] = {"No.", "File Name", "Record Type", "Line", "Message"};
    const int rtw[] = {40, 150, 100, 35, 500};
    for (int c = 0; c < 5; ++c) {
        EXPECT_EQ(g.Cell(c, 0), rt[c]);
        EXPECT_EQ(g.ColWidth(c), rtw[c]);
    }
    g.SetPassLayout(TPassLayout::Field);
    EXPECT_EQ(g.ColCount(), 9);
    const char* f[] = {"No.",        "File Name", "Record Type", "Line",      "Column",
                       "Field Name", "Message",   "Account",     "Payee Name"};
    const int fw[] = {40, 150, 100, 35, 60, 150, 500, 75, 500};
    for (int c = 0; c < 9; ++c) {
        EXPECT_EQ(g.Cell(c, 0), f[c]);
        EXPECT_EQ(g.ColWidth(c), fw[c]);
    }
}

TEST(ResultGrid, RowsAreNumberedAndEndWithAnEmptyRow) {
    TResultGrid g;
    g.SetPassLayout(TPassLayout::Field);
    g.AddFaultRow("f", "001", "1", "36-47", "Company Id", "m");
    g.AddDetailFaultRow("f", "002", "2", "45-69", "Account Number", "m2", "acct", "");
    g.AddFaultRow("f", "999", "3", "36-41", "x", "m3");
    EXPECT_EQ(g.RowCount(), 5);
    EXPECT_EQ(g.FaultRowCount(), 3);
    EXPECT_EQ(test::RowCells(g, 1),
              (std::vector<std::string>{"1", "f", "001", "1", "36-47", "Company Id", "m", "", ""}));
    EXPECT_EQ(test::RowCells(g, 2), (std::vector<std::string>{"2", "f", "002", "2", "45-69",
                                                              "Account Number", "m2", "acct", ""}));
    EXPECT_EQ(g.Cell(0, 3), "3");
    EXPECT_EQ(test::RowCells(g, 4), std::vector<std::string>(9));
    EXPECT_EQ(g.Cell(0, 99), "");
    EXPECT_EQ(g.Cell(-1, 1), "");
    g.MarkInvalid();
    EXPECT_EQ(g.StatusText(), "Invalid data fields");
}

TEST(ResultGrid, ClearGridKeepsTheHeaderTextsOfTheLastLayout) {
    TResultGrid g;
    g.SetPassLayout(TPassLayout::Field);
    g.AddFaultRow("f", "001", "1", "c", "n", "m");
    g.AddFaultRow("f", "001", "2", "c", "n", "m");
    g.ClearGrid();
    EXPECT_EQ(g.RowCount(), 2);
    EXPECT_EQ(g.ColCount(), 2);
    EXPECT_EQ(g.Cell(0, 0), "No.");
    EXPECT_EQ(g.Cell(1, 0), "File Name");
    EXPECT_EQ(test::RowCells(g, 1), std::vector<std::string>(9));
    g.AddFaultRow("f", "001", "7", "c", "n", "m");
    EXPECT_EQ(g.Cell(0, 1), "1"); // numbering starts again
}

TEST(ResultGrid, SetPassLayoutResetsTheRowCount) {
    TResultGrid g;
    g.SetPassLayout(TPassLayout::RecordType);
    g.AddFaultRow("f", "Record type invalid code", "1", "", "", "");
    g.AddFaultRow("f", "Record type invalid code", "2", "", "", "");
    g.SetPassLayout(TPassLayout::RecordType);
    EXPECT_EQ(g.RowCount(), 2);
    g.AddFaultRow("g", "001 ", "5", "Length in record invalid", "", "");
    EXPECT_EQ(g.Cell(0, 1), "1");
    EXPECT_EQ(g.Cell(1, 1), "g");
    EXPECT_EQ(g.RowCount(), 3);
}

} // namespace
} // namespace morvane
