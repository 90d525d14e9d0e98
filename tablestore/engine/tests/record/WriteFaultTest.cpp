// Refused writes: a workload runs with one write, sync or truncation of the
// file system failed - once, or from then on as a full disk does - at every
// call the workload makes. The failing operation must report the engine's
// error, and the table must stay whole:
//   - shared table (appends, updates, deletes, with BLOBs): after a
//     transient fault the table equals, row by row, the state before the
//     failed operation and verifies; after a persistent fault, once the
//     faults stop and the table is closed, it opens, verifies and equals
//     that state;
//   - exclusive table (emptied and refilled, as the report refill does):
//     after a failure the files open, verify and hold either the state at
//     the last checkpoint or, when the rollback itself was refused, a state
//     that repair turns into a verified table.
// Each group also runs without the journal and prints how many cases were
// left damaged then, the figure the journal brings to zero.
#include "DataFile.h"
#include "EngineCodes.h"
#include "FaultFileSystem.h"
#include "FileTestSupport.h"
#include "IndexDescriptor.h"
#include "TableDefinition.h"
#include "TableVerifier.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace tabula {
namespace {

constexpr int kId = 1, kVal = 2, kNote = 3;

struct TRow {
    std::string val;
    std::vector<std::uint8_t> note;
    bool operator==(const TRow&) const = default;
};
using TState = std::map<std::int32_t, TRow>;

std::vector<std::uint8_t> Note(std::int32_t id, int version) {
    // 0 to 1400 bytes: chains of several 512-byte blocks that grow and shrink.
    const std::size_t n = static_cast<std::size_t>((id * 197 + version * 331) % 1401);
    std::vector<std::uint8_t> b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = static_cast<std::uint8_t>(id * 3 + version + static_cast<int>(i));
    return b;
}

// One step of the workload.
struct TStep {
    enum { Append, Update, Delete } kind;
    std::int32_t id;
    int version;
};

class WriteFaultTest : public filetest::ScratchDirTest {
protected:
    void TearDown() override {
        SetFileSystem(nullptr);
        ScratchDirTest::TearDown();
    }
    std::string Table() const { return Path("Faults"); }

    void CreateFaultTable() {
        TTableDefinition def;
        const auto field = &TFieldDescriptor::Make;
        def.fields = {field(kId, "ID", datafmt::kFtInt32, 0, 0, 0),
                      field(kVal, "Val", datafmt::kFtString, 16, 0, 0),
                      field(kNote, "Note", datafmt::kFtBlob, 0, 0, 0)};
        TIndexDescriptor primary;
        primary.fieldCount = 1;
        primary.fieldNumbers[0] = kId;
        primary.unique = true;
        TIndexDescriptor byVal;
        byVal.name = "ByVal";
        byVal.fieldCount = 1;
        byVal.fieldNumbers[0] = kVal;
        TDataFile t;
        t.SetFileName(Table());
        t.SetExclusive(true);
        t.CreateTable(def, primary, {byVal});
    }

    std::unique_ptr<TDataFile> OpenFaultTable(bool exclusive, bool journal) {
        auto t = std::make_unique<TDataFile>();
        t->SetFileName(Table());
        t->SetExclusive(exclusive);
        t->SetWriteJournal(journal);
        t->SetLockRetryCount(1);
        t->SetLockWaitTime(1);
        t->Open();
        return t;
    }

    static void PutInt(TDataFile& t, std::span<std::uint8_t> image, std::int32_t v) {
        std::uint8_t b[4];
        datafmt::PutI32(b, v);
        t.WriteField(kId, image, b);
    }
    static void PutVal(TDataFile& t, std::span<std::uint8_t> image, std::int32_t id, int version) {
        std::string text = "v" + std::to_string(version) + "-" + std::to_string(id % 7);
        std::vector<std::uint8_t> bytes(text.begin(), text.end());
        bytes.push_back(0);
        t.WriteField(kVal, image, bytes);
    }
    static void PutNote(TDataFile& t, std::span<std::uint8_t> image, std::int32_t id, int version) {
        const auto note = Note(id, version);
        ASSERT_EQ(t.OpenBlob(kNote, image), 0);
        ASSERT_EQ(t.TruncateBlob(kNote, image, 0), 0);
        ASSERT_EQ(
            t.WriteBlob(kNote, image, 0, static_cast<std::uint32_t>(note.size()), note.data()), 0);
    }
    static bool Seek(TDataFile& t, std::int32_t id) {
        std::vector<std::uint8_t> probe(static_cast<std::size_t>(t.RecordBufferSize()));
        std::vector<std::uint8_t> key(static_cast<std::size_t>(t.KeyLength(0)));
        t.InitRecord(probe);
        PutInt(t, probe, id);
        t.IndexFile().BuildKey(0, probe, key.data());
        return t.FindKey(key, static_cast<int>(key.size()));
    }

    // Runs one step; engine errors propagate. A failed step frees the BLOB
    // buffers it opened, as the dataset's cancel does.
    static void Run(TDataFile& t, const TStep& step) {
        std::vector<std::uint8_t> image(static_cast<std::size_t>(t.RecordBufferSize()));
        try {
            switch (step.kind) {
            case TStep::Append:
                t.InitRecord(image);
                PutInt(t, image, step.id);
                PutVal(t, image, step.id, step.version);
                PutNote(t, image, step.id, step.version);
                t.AppendRecord(image);
                break;
            case TStep::Update:
                // Under a persistent fault the row's append may have failed.
                if (!Seek(t, step.id))
                    throw ETabulaEngineError(kErrRecordNotFound);
                ASSERT_EQ(t.GetCurrentRecord(image, true), 0);
                PutVal(t, image, step.id, step.version);
                PutNote(t, image, step.id, step.version);
                t.UpdateRecord(image, true);
                break;
            case TStep::Delete:
                if (!Seek(t, step.id))
                    throw ETabulaEngineError(kErrRecordNotFound);
                t.DeleteRecord();
                break;
            }
        } catch (...) {
            t.FlushBlobs();
            if (t.IsOpen() && t.CurrentRecordNumber() != 0) {
                try {
                    t.UnlockRecord();
                } catch (...) {
                }
            }
            throw;
        }
    }

    // Every live row, read through the primary index.
    static TState Read(TDataFile& t) {
        TState state;
        std::vector<std::uint8_t> image(static_cast<std::size_t>(t.RecordBufferSize()));
        t.SelectIndexByNumber(0);
        t.GotoFirst();
        while (t.NextRecord(image) == 0) {
            TRow row;
            const TFieldRead val = t.ReadField(kVal, image);
            row.val = reinterpret_cast<const char*>(val.value.data());
            std::uint32_t length = 0;
            EXPECT_EQ(t.OpenBlob(kNote, image), 0);
            EXPECT_EQ(t.GetBlobSize(kNote, image, length), 0);
            row.note.resize(length);
            std::uint32_t got = 0;
            if (length > 0) {
                EXPECT_EQ(t.ReadBlob(kNote, image, 0, length, row.note.data(), got), 0);
            }
            t.FreeBlob(kNote, image);
            const TFieldRead id = t.ReadField(kId, image);
            state[datafmt::GetI32(id.value.data())] = std::move(row);
        }
        return state;
    }

    bool Verifies() {
        try {
            return TTableVerifier::Verify(Table()).Clean();
        } catch (const ETabulaEngineError&) {
            return false;
        }
    }

    // The state after opening afresh, or nothing when the table does not
    // open or does not verify.
    std::optional<TState> Reopened() {
        try {
            if (!TTableVerifier::Verify(Table()).Clean())
                return std::nullopt;
            auto t = OpenFaultTable(false, true);
            return Read(*t);
        } catch (const ETabulaEngineError&) {
            return std::nullopt;
        }
    }

    static std::vector<TStep> SharedWorkload() {
        std::vector<TStep> steps;
        for (std::int32_t id = 1; id <= 8; ++id)
            steps.push_back({TStep::Append, id, 1});
        steps.push_back({TStep::Update, 3, 2});
        steps.push_back({TStep::Update, 5, 2});
        steps.push_back({TStep::Delete, 2, 0});
        steps.push_back({TStep::Delete, 6, 0});
        steps.push_back({TStep::Append, 9, 1}); // reuses slot 6
        steps.push_back({TStep::Update, 9, 3});
        steps.push_back({TStep::Append, 10, 1}); // reuses slot 2
        steps.push_back({TStep::Delete, 1, 0});
        return steps;
    }
};

struct TFaultCase {
    TFaultKind kind;
    int number;
    bool persistent;
};

std::string Describe(const TFaultCase& c) {
    const char* kinds[] = {"write", "sync", "truncate"};
    return std::string(kinds[static_cast<int>(c.kind)]) + " " + std::to_string(c.number) +
           (c.persistent ? " and later" : " once");
}

std::vector<TFaultCase> EveryCall(const TFaultFileSystem::TCounts& counts) {
    std::vector<TFaultCase> cases;
    for (bool persistent : {false, true}) {
        for (int n = 1; n <= counts.writes; ++n)
            cases.push_back({TFaultKind::Write, n, persistent});
        for (int n = 1; n <= counts.syncs; ++n)
            cases.push_back({TFaultKind::Sync, n, persistent});
        for (int n = 1; n <= counts.truncates; ++n)
            cases.push_back({TFaultKind::Truncate, n, persistent});
    }
    return cases;
}

TEST_F(WriteFaultTest, SharedTableIsAsBeforeTheFailedOperation) {
    const std::vector<TStep> steps = SharedWorkload();
    TFaultFileSystem fs;
    SetFileSystem(&fs);

    // The reference: the state before each step, and how many calls the
    // workload makes.
    CreateFaultTable();
    std::vector<TState> before;
    {
        auto t = OpenFaultTable(false, true);
        fs.ResetCounts();
        for (const TStep& step : steps) {
            before.push_back(Read(*t));
            Run(*t, step);
        }
        before.push_back(Read(*t));
    }
    const TFaultFileSystem::TCounts calls = fs.Counts();
    ASSERT_GT(calls.writes, 3 * static_cast<int>(steps.size()));

    for (bool journal : {false, true}) {
        int damaged = 0, broken = 0, silent = 0;
        const std::vector<TFaultCase> cases = EveryCall(calls);
        for (const TFaultCase& c : cases) {
            SCOPED_TRACE(Describe(c));
            fs.Clear();
            ASSERT_NO_FATAL_FAILURE(CreateFaultTable());
            auto t = OpenFaultTable(false, journal);
            fs.ResetCounts();
            fs.FailAt(c.kind, c.number, c.persistent);
            std::size_t failed = steps.size();
            int code = 0;
            for (std::size_t i = 0; i < steps.size(); ++i) {
                try {
                    Run(*t, steps[i]);
                } catch (const ETabulaEngineError& e) {
                    if (failed == steps.size()) {
                        failed = i;
                        code = e.Code();
                    }
                    if (!c.persistent)
                        break;
                }
            }
            if (failed == steps.size()) {
                ++silent; // every step reported success although a call failed
                continue;
            }
            bool whole = false;
            if (c.persistent) {
                fs.Clear();
                try {
                    t->Close();
                } catch (const ETabulaEngineError&) {
                }
                t.reset();
                const std::optional<TState> after = Reopened();
                whole = after && *after == before[failed];
            } else {
                try {
                    whole = Read(*t) == before[failed];
                } catch (const ETabulaEngineError&) {
                }
                try {
                    t.reset();
                } catch (const ETabulaEngineError&) {
                }
                const std::optional<TState> after = Reopened();
                whole = whole && after && *after == before[failed];
            }
            if (!whole)
                ++damaged;
            if (!Verifies())
                ++broken;
            if (journal) {
                EXPECT_TRUE(code == kErrWriteError || code == kErrTableDamaged) << code;
                if (!c.persistent) {
                    EXPECT_EQ(code, kErrWriteError);
                }
                EXPECT_TRUE(whole) << "step " << failed;
            }
        }
        std::printf("[ shared workload ] %zu steps, %d writes, %d syncs, %d truncations; "
                    "%s journal: %d of %zu cases not as before the failed step, %d of them "
                    "failing to open or verify, %d unreported\n",
                    steps.size(), calls.writes, calls.syncs, calls.truncates,
                    journal ? "with" : "without", damaged, cases.size(), broken, silent);
        if (journal) {
            EXPECT_EQ(silent, 0);
        }
    }
}

TEST_F(WriteFaultTest, ShortWritesAreCompleted) {
    TFaultFileSystem fs;
    SetFileSystem(&fs);
    CreateFaultTable();
    auto t = OpenFaultTable(false, true);
    const std::vector<TStep> steps = SharedWorkload();
    fs.ResetCounts();
    for (int n = 1; n <= 12; ++n) {
        fs.ShortenWrite(n * 3);
        Run(*t, steps[static_cast<std::size_t>(n - 1)]);
    }
    EXPECT_EQ(Read(*t).size(), 6u);
    t.reset();
    EXPECT_TRUE(TTableVerifier::Verify(Table()).Clean());
}

// The report refill: an exclusive open, EmptyTable, a few hundred appends and
// Close, where the records and pages reach the disk at eviction and close.
TEST_F(WriteFaultTest, ExclusiveRefillFallsBackToItsCheckpoint) {
    constexpr std::int32_t kRows = 300;
    TFaultFileSystem fs;
    SetFileSystem(&fs);
    auto refill = [&](TDataFile& t) {
        t.EmptyTable();
        for (std::int32_t id = 1; id <= kRows; ++id)
            Run(t, {TStep::Append, id, id % 3 == 0 ? 1 : 4});
        t.Close();
    };
    auto prepare = [&](bool journal) {
        CreateFaultTable();
        auto t = OpenFaultTable(false, journal);
        for (const TStep& step : SharedWorkload())
            Run(*t, step);
    };
    prepare(true);
    const TState filled = *Reopened();
    TState refilled;
    {
        auto t = OpenFaultTable(true, true);
        fs.ResetCounts();
        refill(*t);
        refilled = *Reopened();
    }
    const TFaultFileSystem::TCounts calls = fs.Counts();
    ASSERT_EQ(refilled.size(), static_cast<std::size_t>(kRows));

    // Every truncation, and every write (a sample of 60 when there are more).
    std::vector<TFaultCase> cases;
    for (const TFaultCase& c : EveryCall(calls))
        if (c.kind != TFaultKind::Write || calls.writes <= 60 ||
            c.number % (calls.writes / 60 + 1) == 1)
            cases.push_back(c);
    for (bool journal : {false, true}) {
        int damaged = 0, broken = 0, silent = 0;
        for (const TFaultCase& c : cases) {
            SCOPED_TRACE(Describe(c));
            fs.Clear();
            ASSERT_NO_FATAL_FAILURE(prepare(journal));
            auto t = OpenFaultTable(true, journal);
            fs.ResetCounts();
            fs.FailAt(c.kind, c.number, c.persistent);
            bool reported = false;
            try {
                refill(*t);
            } catch (const ETabulaEngineError& e) {
                reported = true;
                if (journal && !c.persistent) {
                    EXPECT_EQ(e.Code(), kErrWriteError);
                }
            }
            // A full disk ends before the table is closed again.
            fs.Clear();
            try {
                t->Close();
            } catch (const ETabulaEngineError&) {
                reported = true;
            }
            t.reset();
            if (!reported) {
                ++silent;
                continue;
            }
            const std::optional<TState> after = Reopened();
            const bool whole = after && *after == filled;
            if (!whole)
                ++damaged;
            if (!Verifies())
                ++broken;
            if (journal) {
                EXPECT_TRUE(whole);
            }
        }
        std::printf("[ exclusive refill ] %d rows, %d writes, %d syncs, %d truncations; "
                    "%s journal: %d of %zu cases not as at the checkpoint, %d of them failing "
                    "to open or verify, %d unreported\n",
                    kRows, calls.writes, calls.syncs, calls.truncates, journal ? "with" : "without",
                    damaged, cases.size(), broken, silent);
        if (journal) {
            EXPECT_EQ(silent, 0);
        }
    }
}

} // namespace
} // namespace tabula
