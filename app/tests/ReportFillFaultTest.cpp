// The report refill while the disk refuses a write: for a sample of the
// writes and truncations a refill of two hundred rows makes, that call fails
// once, or from then on as a full disk does. The run must report the
// engine's error (never the success message); after a single refused call
// the table verifies at once; and once the disk takes writes again the next
// run succeeds and leaves the full table, which verifies.
#include "MessageSink.h"
#include "MorvaneWorkflow.h"
#include "ReportFillTest.h"
#include "ReportTable.h"
#include "ReportTableFill.h"
#include "ResultGrid.h"
#include "TestRecords.h"
#include "tabula/EngineError.h"
#include "tabula/FaultFileSystem.h"

#include <cstdio>
#include <gtest/gtest.h>

namespace morvane {
namespace {

using test::CleanLines;
using test::Crlf;

constexpr int kRows = 200;

class TCountingSink : public TMessageSink {
public:
    void ShowMessage(TMessageKind, const std::string& text) override { Last = text; }
    std::string Last;
};

class ReportFillFaultTest : public ::testing::Test {
protected:
    void SetUp() override {
        CreateReportTable(dir.Path());
        input = dir.Write("reg.txt", Crlf(CleanLines(kRows)));
    }
    void TearDown() override { tabula::SetFileSystem(nullptr); }

    // One refill; the engine's error code, 0 for success.
    int Refill(TReportTableFill& fill, TCountingSink& sink) {
        TResultGrid grid;
        try {
            fill.RefillReportTable(input, grid, sink);
            return 0;
        } catch (const tabula::ETabulaEngineError& e) {
            return e.Code();
        }
    }

    static bool Clean(TReportTableFill& fill) {
        try {
            return fill.dbDetailReport().CheckTable().Clean();
        } catch (const tabula::ETabulaEngineError&) {
            return false;
        }
    }

    test::TScratchDir dir;
    std::string input;
};

TEST_F(ReportFillFaultTest, ARefusedWriteNeverLeavesTheUserStuck) {
    tabula::TFaultFileSystem fs;
    tabula::SetFileSystem(&fs);
    TReportTableFill fill;
    fill.SetDirectory(dir.Path());
    TCountingSink sink;
    ASSERT_EQ(Refill(fill, sink), 0);
    fs.ResetCounts();
    ASSERT_EQ(Refill(fill, sink), 0); // a refill over a full table: what is measured
    const tabula::TFaultFileSystem::TCounts calls = fs.Counts();
    ASSERT_GT(calls.writes, kRows);

    struct TCase {
        tabula::TFaultKind kind;
        int number;
    };
    std::vector<TCase> cases;
    const int step = calls.writes / 30 + 1;
    for (int n = 1; n <= calls.writes; n += step)
        cases.push_back({tabula::TFaultKind::Write, n});
    for (int n = 1; n <= calls.truncates; ++n)
        cases.push_back({tabula::TFaultKind::Truncate, n});
    int unreported = 0, damagedAtOnce = 0, stuck = 0;
    for (bool persistent : {false, true}) {
        for (const TCase& c : cases) {
            SCOPED_TRACE((persistent ? "persistent " : "once ") + std::to_string(c.number));
            sink.Last.clear();
            fs.Clear();
            fs.ResetCounts();
            fs.FailAt(c.kind, c.number, persistent);
            const int code = Refill(fill, sink);
            if (code == 0 || sink.Last == TMorvaneWorkflow::kSuccessMessage)
                ++unreported;
            fs.Clear();
            // The failed run may leave the table open, as before.
            fill.dbDetailReport().SetActive(false);
            if (!persistent && !Clean(fill))
                ++damagedAtOnce;
            sink.Last.clear();
            if (Refill(fill, sink) != 0 || test::ReadReportRows(dir.Path()).size() != kRows ||
                !Clean(fill))
                ++stuck;
        }
    }
    std::printf("[ report refill ] %d rows, %d writes, %d syncs, %d truncations; %zu sampled "
                "calls, each once and persistent: %d unreported, %d damaged after one refused "
                "call, %d runs stuck afterwards\n",
                kRows, calls.writes, calls.syncs, calls.truncates, cases.size(), unreported,
                damagedAtOnce, stuck);
    EXPECT_EQ(unreported, 0);
    EXPECT_EQ(damagedAtOnce, 0);
    EXPECT_EQ(stuck, 0);
}

} // namespace
} // namespace morvane
