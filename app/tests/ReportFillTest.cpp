// The report table refill: morvane-check leaving one row per detail record,
// failed runs keeping the rows of the last clean run, a locked table stopping
// the run with the engine's message, and the fill's own rules (columns cut
// from short lines, controls enabled again after a failed statement,
// several databases named "DB").
#include "ReportFillTest.h"

#include "MessageSink.h"
#include "ReportTable.h"
#include "ReportTableFill.h"
#include "ResultGrid.h"
#include "TestRecords.h"
#include "tabula/EngineError.h"
#include "tabula/TabulaQuery.h"

#include <cstdio>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/wait.h>

namespace morvane {
namespace {

using test::CleanLines;
using test::Crlf;
using test::Put;
using test::ReadAll;

constexpr const char* kCheck = MORVANE_BIN_DIR "/morvane-check";

using TRow = test::TReportRow;

std::vector<TRow> ReadRows(const std::string& dir) {
    return test::ReadReportRows(dir);
}

using test::ExpectedReportRow;
using test::ThreeDetails;

class TRecordingSink : public TMessageSink {
public:
    void ShowMessage(TMessageKind kind, const std::string& text) override {
        Messages.emplace_back(kind, text);
    }
    std::vector<std::pair<TMessageKind, std::string>> Messages;
};

struct TResult {
    int Status = -1;
    std::string Out, Err;
};

class ReportFillCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(std::filesystem::exists(kCheck)) << kCheck << " is not built";
    }
    TResult Check(const std::string& file, const std::string& extra = "") {
        const std::string cmd = "cd '" + dir.Path() + "' && '" + kCheck + "' --data-dir '" +
                                dir.Path() + "' " + extra + " '" + file + "' >'" +
                                dir.Path("stdout") + "' 2>'" + dir.Path("stderr") + "'";
        const int raw = std::system(cmd.c_str());
        TResult r;
        r.Status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.Out = ReadAll(dir.Path("stdout"));
        r.Err = ReadAll(dir.Path("stderr"));
        return r;
    }
    test::TScratchDir dir;
};

TEST_F(ReportFillCliTest, CleanRunLeavesOneRowPerDetailRecord) {
    // The scratch directory holds no table: the checker creates it first.
    dir.Write("reg.txt", Crlf(ThreeDetails()));
    const auto r = Check("reg.txt");
    ASSERT_EQ(r.Status, 0) << r.Out << r.Err;
    EXPECT_NE(r.Out.find("Message: Success Data. \n"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("Status: File Validate Success \n"), std::string::npos) << r.Out;

    const auto rows = ReadRows(dir.Path());
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], ExpectedReportRow(1, "Delete"));
    EXPECT_EQ(rows[1], ExpectedReportRow(2, "Add"));
    EXPECT_EQ(rows[2], ExpectedReportRow(3, "Special Add"));
}

TEST_F(ReportFillCliTest, FailedRunsKeepTheRowsOfTheLastCleanRun) {
    dir.Write("reg.txt", Crlf(ThreeDetails()));
    ASSERT_EQ(Check("reg.txt").Status, 0);

    // A field fault and a record-type fault: neither touches the table.
    auto badField = ThreeDetails();
    Put(badField[2], 207, "7");
    dir.Write("bad-field.txt", Crlf(badField));
    EXPECT_EQ(Check("bad-field.txt").Status, 1);
    auto badType = ThreeDetails();
    badType[1].pop_back();
    dir.Write("bad-type.txt", Crlf(badType));
    EXPECT_EQ(Check("bad-type.txt").Status, 1);
    // An unreadable file stops the run before anything is written.
    EXPECT_EQ(Check("missing.txt").Status, 2);

    auto rows = ReadRows(dir.Path());
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[2], ExpectedReportRow(3, "Special Add"));

    // The next clean run replaces them all: no row of the longer run stays.
    auto one = CleanLines(1);
    Put(one[1], 207, "3");
    dir.Write("one.txt", Crlf(one));
    ASSERT_EQ(Check("one.txt").Status, 0);
    rows = ReadRows(dir.Path());
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], "1");
    EXPECT_EQ(rows[0][5], "Force Add");
}

TEST_F(ReportFillCliTest, LockedTableStopsTheRunWithTheEngineMessage) {
    dir.Write("reg.txt", Crlf(ThreeDetails()));
    ASSERT_EQ(Check("reg.txt").Status, 0);
    std::filesystem::create_directory(dir.Path("out"));

    // Another handle (this process) holds the table lock for the whole run;
    // the checker's statement gives up after its 15 retries of 100 ms.
    tabula::TTabulaTable holder;
    holder.SetDatabaseName(dir.Path());
    holder.SetTableName(kReportTableName);
    holder.Open();
    holder.LockTable();
    const auto r = Check("reg.txt", "--output out");
    holder.Close();

    EXPECT_EQ(r.Status, 2);
    const std::string message = "Tabula Engine Error # 10241 The data file " +
                                dir.Path(kReportTableFile) + " is already locked by another user";
    EXPECT_EQ(r.Err, "morvane-check: " + message + "\n");
    // The output file comes before the refill, so it is already written.
    int outputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path("out")))
        outputs += entry.path().filename().string().rfind("KVL.RX317.TLNREG.RQ.", 0) == 0;
    EXPECT_EQ(outputs, 1);
    EXPECT_NE(r.Out.find("Output: "), std::string::npos) << r.Out;
    // Nothing was deleted.
    EXPECT_EQ(ReadRows(dir.Path()).size(), 3u);
}

class ReportFillTest : public ::testing::Test {
protected:
    void SetUp() override { CreateReportTable(dir.Path()); }
    test::TScratchDir dir;
    TResultGrid grid;
    TRecordingSink sink;
};

TEST_F(ReportFillTest, DetailLinesOfAnyLengthGiveTheirColumns) {
    // The file is read again for the fill; a line cut short or grown since
    // the check must give what its columns hold, not fail or read past its end.
    auto lines = ThreeDetails();
    lines[1].resize(50);  // Product whole, six bytes of AccountNumber
    lines[2].resize(206); // everything but the action
    lines[3] = "002";
    lines.insert(lines.end() - 1, ThreeDetails()[1] + std::string(1 << 20, 'x'));
    const std::string input = dir.Write("reg.txt", Crlf(lines));

    TReportTableFill fill;
    fill.SetDirectory(dir.Path() + "/");
    fill.RefillReportTable(input, grid, sink);

    EXPECT_EQ(grid.StatusText(), "File Validate Success ");
    ASSERT_EQ(sink.Messages.size(), 1u);
    EXPECT_EQ(sink.Messages[0].first, TMessageKind::Information);
    EXPECT_EQ(sink.Messages[0].second, "Success Data. ");
    EXPECT_FALSE(fill.dbDetailReport().Active());

    const auto rows = ReadRows(dir.Path());
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0], (TRow{"1", "PAY", "123456", "", "", ""}));
    EXPECT_EQ(rows[1], (TRow{"2", "PAY", "1234567896", "PAYEE 2", "REF-2", ""}));
    EXPECT_EQ(rows[2], (TRow{"3", "", "", "", "", ""}));
    EXPECT_EQ(rows[3], (TRow{"4", "PAY", "1234567896", "PAYEE 1", "REF-1", "Delete"}));
}

TEST_F(ReportFillTest, FailedStatementEnablesTheControlsAgain) {
    std::filesystem::remove(dir.Path(std::string(kReportTableName) + ".DAT"));
    TReportTableFill fill;
    fill.SetDirectory(dir.Path());
    EXPECT_THROW(fill.EmptyReportTable(), tabula::ETabulaEngineError);
    EXPECT_FALSE(fill.queryDetail().ControlsDisabled());
    // The refill stops at its statement: no status, no message.
    EXPECT_THROW(fill.RefillReportTable(dir.Path("none.txt"), grid, sink),
                 tabula::ETabulaEngineError);
    EXPECT_EQ(grid.StatusText(), "");
    EXPECT_TRUE(sink.Messages.empty());
}

// A report table left damaged (by a crash mid-commit, or a disk that
// refused a rollback) never makes every later run fail: the refill repairs
// it, or makes it anew when it does not even open, and fills it.
TEST_F(ReportFillTest, ADamagedReportTableIsMendedAndRefilled) {
    const std::string input = dir.Write("reg.txt", Crlf(ThreeDetails()));
    const std::vector<TRow> expected = {ExpectedReportRow(1, "Delete"), ExpectedReportRow(2, "Add"),
                                        ExpectedReportRow(3, "Special Add")};
    auto damage = [&](const std::string& file, long offset, const std::string& bytes) {
        std::FILE* f = std::fopen(dir.Path(file).c_str(), "r+b");
        ASSERT_NE(f, nullptr);
        std::fseek(f, offset, SEEK_SET);
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    };
    const long firstRecord = 127 + 768 * 6;
    struct TCase {
        const char* what;
        std::function<void()> plant;
    };
    const std::vector<TCase> cases = {
        // The first record marked deleted: index entries without a record.
        {"index entry without record", [&] { damage(kReportTableFile, firstRecord, "\x01"); }},
        // The index header's version byte: the table no longer opens.
        {"index file that does not open",
         [&] { damage(std::string(kReportTableName) + ".IDX", 8, "\x7f"); }},
        {"index file missing",
         [&] { std::filesystem::remove(dir.Path(std::string(kReportTableName) + ".IDX")); }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        TReportTableFill fill;
        fill.SetDirectory(dir.Path());
        fill.RefillReportTable(input, grid, sink);
        c.plant();
        sink.Messages.clear();
        fill.RefillReportTable(input, grid, sink);
        ASSERT_EQ(sink.Messages.size(), 1u);
        EXPECT_EQ(sink.Messages[0].second, "Success Data. ");
        EXPECT_EQ(ReadRows(dir.Path()), expected);
        EXPECT_TRUE(fill.dbDetailReport().CheckTable().Clean());
        EXPECT_FALSE(fill.MendReportTable());
    }
}

TEST_F(ReportFillTest, SeveralDatabasesNamedDbResolveToTheFirst) {
    const std::string input = dir.Write("reg.txt", Crlf(ThreeDetails()));
    TReportTableFill first;
    first.SetDirectory(dir.Path());
    first.RefillReportTable(input, grid, sink);
    ASSERT_EQ(ReadRows(dir.Path()).size(), 3u);

    // A second window's components: its own "DB" has no table at all, yet
    // its statement empties the first one's table.
    test::TScratchDir other;
    TReportTableFill second;
    second.SetDirectory(other.Path());
    second.EmptyReportTable();
    EXPECT_TRUE(ReadRows(dir.Path()).empty());
    EXPECT_FALSE(std::filesystem::exists(other.Path(kReportTableFile)));
}

} // namespace
} // namespace morvane
