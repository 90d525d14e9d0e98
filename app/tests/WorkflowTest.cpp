// The Validate road of the validation window: its messages, the temporary
// copy, the output file, what a failed or stopped run leaves, Clear and the
// destination name.
#include "InOutError.h"
#include "MorvaneWorkflow.h"
#include "TestRecords.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace morvane {
namespace {

using test::CleanLines;
using test::Crlf;
using test::ReadAll;

class WorkflowTest : public ::testing::Test {
protected:
    WorkflowTest() : road(dir.Path(), grid, sink) {}

    void SetUp() override {
        road.Fields.FileInput = dir.Write("reg.txt", Crlf(CleanLines(3)));
        road.Fields.DestinationPath = dir.Path("out.txt");
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> out;
        for (const auto& m : sink.Messages) {
            out.push_back(m.Text);
        }
        return out;
    }
    bool Exists(const std::string& p) const { return std::filesystem::exists(p); }

    test::TScratchDir dir;
    TResultGrid grid;
    test::TRecordingSink sink;
    TMorvaneWorkflow road;
};

TEST_F(WorkflowTest, CleanRunWritesCopyDigestAndOutput) {
    road.Validate();
    const std::string input = ReadAll(road.Fields.FileInput);
    EXPECT_EQ(ReadAll(road.TempNewFilePath()), input);
    EXPECT_EQ(road.TempNewFilePath(), dir.Path("TempNewFile.txt"));
    ASSERT_EQ(road.Fields.HashValue.size(), 40u);
    EXPECT_EQ(road.Fields.HashValue.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    EXPECT_EQ(ReadAll(dir.Path("out.txt")), road.Fields.HashValue + "\r\n" + input);
    EXPECT_EQ(road.LastOutputPath(), dir.Path("out.txt"));
    EXPECT_EQ(grid.StatusText(), "File Validate Success ");
    ASSERT_EQ(sink.Messages.size(), 1u);
    EXPECT_EQ(sink.Messages[0].Kind, TMessageKind::Information);
    EXPECT_EQ(sink.Messages[0].Text, "Success Data. ");
    EXPECT_EQ(grid.RowCount(), 2);
}

TEST_F(WorkflowTest, LineEndsDoNotChangeTheDigest) {
    road.Validate();
    const std::string crlfDigest = road.Fields.HashValue;
    std::string crOnly;
    for (const auto& l : CleanLines(3)) {
        crOnly += l + "\r";
    }
    crOnly.pop_back(); // and no end after the last line
    road.Fields.FileInput = dir.Write("cr.txt", crOnly);
    road.Validate();
    EXPECT_EQ(road.Fields.HashValue, crlfDigest);
}

TEST_F(WorkflowTest, RefillReplacesTheBuiltInSuccess) {
    int calls = 0;
    road.RefillReportTable = [&] { ++calls; };
    road.Validate();
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(sink.Messages.empty());
    EXPECT_EQ(grid.StatusText(), "");
}

TEST_F(WorkflowTest, MissingFieldsAreAskedForInOrder) {
    road.Validate(); // a clean run first: it leaves a digest and an output path
    sink.Messages.clear();
    road.Fields.FileInput.clear();
    road.Fields.DestinationPath.clear();
    grid.SetPassLayout(TPassLayout::Field);
    grid.AddFaultRow("f", "001", "1", "c", "n", "m");
    road.Validate();
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Please select input file  . "}));
    EXPECT_EQ(road.Fields.HashValue, "");
    EXPECT_EQ(road.LastOutputPath(), "");
    EXPECT_EQ(grid.FaultRowCount(), 1); // the grid is not cleared
    std::filesystem::remove(road.TempNewFilePath());
    road.Fields.FileInput = "x";
    road.Validate();
    EXPECT_EQ(sink.Messages.back().Text, "Please select path  . ");
    EXPECT_EQ(sink.Messages.back().Kind, TMessageKind::Error);
    EXPECT_FALSE(Exists(road.TempNewFilePath()));
}

TEST_F(WorkflowTest, NoOutputModeComputesTheDigestOnly) {
    road.EmptyDestinationMeansNoOutput = true;
    road.Fields.DestinationPath.clear();
    road.Validate();
    EXPECT_EQ(road.Fields.HashValue.size(), 40u);
    EXPECT_EQ(road.LastOutputPath(), "");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2); // input, copy
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Success Data. "}));
}

TEST_F(WorkflowTest, FailedRunRewritesTheCopyOnly) {
    road.Validate(); // a first, clean run writes out.txt
    const std::string firstOutput = ReadAll(dir.Path("out.txt"));
    auto lines = CleanLines(3);
    test::Put(lines[2], 207, "9");
    road.Fields.FileInput = dir.Write("bad.txt", Crlf(lines));
    sink.Messages.clear();
    road.Validate();
    EXPECT_EQ(ReadAll(road.TempNewFilePath()), Crlf(lines));
    EXPECT_EQ(ReadAll(dir.Path("out.txt")), firstOutput);
    EXPECT_EQ(road.Fields.HashValue, "");
    EXPECT_EQ(road.LastOutputPath(), "");
    EXPECT_EQ(grid.StatusText(), "Invalid data fields");
    EXPECT_EQ(grid.FaultRowCount(), 1);
    EXPECT_TRUE(sink.Messages.empty());
}

TEST_F(WorkflowTest, RecordTypeFailureShowsErrorDataAndStillCopies) {
    road.Fields.FileInput = dir.Write("bad.txt", "junk\r\n");
    road.Validate();
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Error Data. "}));
    EXPECT_EQ(ReadAll(road.TempNewFilePath()), "junk\r\n");
    EXPECT_FALSE(Exists(dir.Path("out.txt")));
}

TEST_F(WorkflowTest, ConversionFailureWritesNothing) {
    auto lines = CleanLines(3);
    lines.back() = test::Trailer("3.0E+0");
    test::Put(lines[1], 207, "X");
    road.Fields.FileInput = dir.Write("bad.txt", Crlf(lines));
    try {
        road.Validate();
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'3.0E+0' is not a valid integer value");
    }
    EXPECT_EQ(grid.FaultRowCount(), 1); // the Action fault found before
    EXPECT_FALSE(Exists(road.TempNewFilePath()));
    EXPECT_FALSE(Exists(dir.Path("out.txt")));
    EXPECT_EQ(road.Fields.HashValue, "");
    EXPECT_FALSE(road.Validator().DataValid);
}

TEST_F(WorkflowTest, MissingInputOrDataDirectoryStopsTheRun) {
    road.Fields.FileInput = dir.Path("gone.txt");
    try {
        road.Validate();
        FAIL();
    } catch (const EInOutError& e) {
        EXPECT_STREQ(e.what(), "File not found");
    }
    EXPECT_FALSE(Exists(road.TempNewFilePath()));

    TMorvaneWorkflow elsewhere(dir.Path("no-such-dir"), grid, sink);
    elsewhere.Fields.FileInput = dir.Write("reg.txt", Crlf(CleanLines(1)));
    elsewhere.Fields.DestinationPath = dir.Path("out.txt");
    EXPECT_THROW(elsewhere.Validate(), EInOutError);
    EXPECT_FALSE(Exists(dir.Path("out.txt")));
    EXPECT_EQ(elsewhere.Fields.HashValue, "");
}

TEST_F(WorkflowTest, ClearEmptiesFieldsStatusAndGrid) {
    road.Validate();
    road.Clear();
    EXPECT_EQ(road.Fields.FileInput, "");
    EXPECT_EQ(road.Fields.DestinationPath, "");
    EXPECT_EQ(road.Fields.HashValue, "");
    EXPECT_EQ(grid.StatusText(), "");
    EXPECT_EQ(grid.ColCount(), 2);
    EXPECT_EQ(grid.Cell(1, 0), "File Name");
}

std::chrono::system_clock::time_point LocalTime(int y, int mo, int d, int h, int mi, int s) {
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_sec = s;
    tm.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&tm));
}

TEST_F(WorkflowTest, DestinationNameIsFormedWhenTheFolderIsChosen) {
    EXPECT_EQ(TMorvaneWorkflow::OutputFileName(LocalTime(2024, 1, 31, 9, 30, 15)),
              "KVL.RX317.TLNREG.RQ.20240131093015");
    road.ChooseDestination(std::string("/data/out"), LocalTime(2023, 12, 31, 23, 59, 59));
    EXPECT_EQ(road.Fields.DestinationPath, "/data/out/KVL.RX317.TLNREG.RQ.20231231235959");
    road.ChooseDestination(std::nullopt, LocalTime(2024, 1, 1, 0, 0, 0));
    EXPECT_EQ(road.Fields.DestinationPath, "");
    road.Validate();
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Please select path  . "}));
}

TEST_F(WorkflowTest, OutputIsWrittenAtTheTypedPathAfterMidnight) {
    road.ChooseDestination(dir.Path(), LocalTime(2023, 12, 31, 23, 59, 59));
    road.Validate();
    EXPECT_TRUE(Exists(dir.Path("KVL.RX317.TLNREG.RQ.20231231235959")));
}

} // namespace
} // namespace morvane
