// The index cursor over a small table kept the way the record manager keeps
// it (keys of every index, "Sys Deleted", the record count, the cursor's
// maintenance calls): movement, positions, ranges with partial keys, find
// key, physical order, bitmaps and filters, and a randomized cross-check of
// ranges and filters against a brute-force scan.
#include "IndexCursor.h"

#include "DataFileFormat.h"
#include "EngineCodes.h"
#include "EngineError.h"
#include "IndexFile.h"
#include "IndexStorage.h"
#include "StoreTestSupport.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace tabula {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Record layout: prefix (9) | name: indicator 9, slot 10..20 | amount: indicator 21, value 22..25.
constexpr int kRecordSize = 26;

std::optional<TKeyField> Resolve(int number) {
    TKeyField f;
    f.fieldNumber = number;
    if (number == 1) {
        f.typeCode = datafmt::kFtString;
        f.storedSize = 11;
        f.recordOffset = 9;
        return f;
    }
    if (number == 2) {
        f.typeCode = datafmt::kFtInt32;
        f.storedSize = 4;
        f.recordOffset = 21;
        return f;
    }
    return std::nullopt;
}

using storetest::CodeOf;

class TTable : public TRecordSource {
public:
    // keyed: primary index on (name, amount); else records in physical order.
    explicit TTable(bool keyed = true) : keyed_(keyed) {
        file_.SetFieldResolver(Resolve);
        file_.Create(storage_, "T.IDX");
        TIndexDescriptor primary;
        if (keyed) {
            primary.fieldCount = 2;
            primary.fieldNumbers = {1, 2};
        }
        file_.DefinePrimaryIndex(primary);
        TIndexDescriptor byAmount;
        byAmount.name = "ByAmount";
        byAmount.fieldCount = 1;
        byAmount.fieldNumbers[0] = 2;
        file_.AddSecondaryIndex(byAmount);
        byAmount.name = "ByAmountDown";
        byAmount.descending = true;
        file_.AddSecondaryIndex(byAmount);
        file_.Cursor().SetRecordSource(this);
    }

    TIndexFile& File() { return file_; }
    TIndexCursor& Cursor() { return file_.Cursor(); }

    std::int32_t PhysicalRecordCount() override { return static_cast<std::int32_t>(rows_.size()); }
    std::span<const std::uint8_t> ReadRecord(std::int32_t n) override {
        return rows_.at(static_cast<std::size_t>(n - 1));
    }

    std::int32_t Append(const std::string& name, std::int32_t amount) {
        const auto recno = static_cast<std::int32_t>(rows_.size() + 1);
        const std::int32_t autoInc = ++autoInc_;
        Bytes row(kRecordSize, 0);
        std::memcpy(row.data() + 1, &recno, 4);
        std::memcpy(row.data() + 5, &autoInc, 4);
        row[9] = 1;
        std::memcpy(row.data() + 10, name.data(), std::min<std::size_t>(name.size(), 10));
        row[21] = 1;
        std::memcpy(row.data() + 22, &amount, 4);
        rows_.push_back(row);
        for (int index : Indexes()) {
            Bytes key(static_cast<std::size_t>(file_.KeyLength(index)));
            file_.BuildKey(index, row, key.data());
            file_.InsertKey(index, key.data(), recno);
        }
        file_.SetRecordCount(file_.RecordCount() + 1);
        Cursor().RecomputeRange();
        Cursor().RecordChanged(recno, row);
        return recno;
    }

    void Delete(std::int32_t recno) {
        Bytes& row = rows_.at(static_cast<std::size_t>(recno - 1));
        for (int index : Indexes()) {
            Bytes key(static_cast<std::size_t>(file_.KeyLength(index)));
            file_.BuildKey(index, row, key.data());
            if (index == 31) {
                Bytes deleted = row;
                deleted[0] = 1;
                Bytes newKey(5);
                file_.BuildKey(31, deleted, newKey.data());
                file_.ReplaceKey(31, key.data(), newKey.data(), recno);
            } else {
                file_.DeleteKey(index, key.data());
            }
        }
        row[0] = 1;
        file_.SetRecordCount(file_.RecordCount() - 1);
        Cursor().RecomputeRange();
        Cursor().RecordDeleted(recno);
    }

    // A key of the current index from leading field values (given bytes).
    Bytes NameKey(const std::string& name) const {
        Bytes key(12, 0);
        key[0] = 1;
        std::memcpy(key.data() + 1, name.data(), std::min<std::size_t>(name.size(), 10));
        return key;
    }
    Bytes AmountKey(int index, std::int32_t amount) const {
        Bytes key(5);
        file_.KeyBuilder(index).EncodeField(0, reinterpret_cast<const std::uint8_t*>(&amount),
                                            key.data());
        return key;
    }

    std::string Name(std::int32_t recno) const {
        const Bytes& row = rows_.at(static_cast<std::size_t>(recno - 1));
        return std::string(reinterpret_cast<const char*>(row.data() + 10));
    }
    std::int32_t Amount(std::int32_t recno) const {
        std::int32_t v;
        std::memcpy(&v, rows_.at(static_cast<std::size_t>(recno - 1)).data() + 22, 4);
        return v;
    }
    bool Live(std::int32_t recno) const {
        return rows_.at(static_cast<std::size_t>(recno - 1))[0] == 0;
    }
    std::string Current() {
        return Cursor().OnRecord() ? Name(Cursor().CurrentRecordNumber()) : "-";
    }

    // Names of every visible record, walking forward from First.
    std::vector<std::string> Walk() {
        std::vector<std::string> names;
        for (bool on = Cursor().First(); on; on = Cursor().Step(1) == 0)
            names.push_back(Current());
        return names;
    }

private:
    std::vector<int> Indexes() const {
        return keyed_ ? std::vector<int>{0, 1, 2, 31} : std::vector<int>{1, 2};
    }

    bool keyed_;
    TMemoryIndexStorage storage_;
    TIndexFile file_;
    std::vector<Bytes> rows_;
    std::int32_t autoInc_ = 0;
};

using Names = std::vector<std::string>;

// ---- Movement and positions ----------------------------------------------------

TEST(IndexCursor, EmptyTableHasNoRecord) {
    TTable t;
    EXPECT_FALSE(t.Cursor().First());
    EXPECT_TRUE(t.Cursor().Bof() && t.Cursor().Eof());
    EXPECT_FALSE(t.Cursor().Last());
    EXPECT_EQ(t.Cursor().RecordCount(), 0);
    EXPECT_EQ(t.Cursor().Step(1), TIndexCursor::kEndOfData);
    EXPECT_EQ(t.Cursor().CurrentRecordNumber(), 0);
    EXPECT_FALSE(t.Cursor().FindKey(t.NameKey("A").data(), 12, true, false));
}

TEST(IndexCursor, FirstLastStepAndGotoPositionAtTheBorders) {
    TTable t;
    for (const char* n : {"E", "C", "A", "D", "B"})
        t.Append(n, 1);
    TIndexCursor& c = t.Cursor();
    EXPECT_EQ(t.Walk(), (Names{"A", "B", "C", "D", "E"}));
    ASSERT_TRUE(c.First());
    EXPECT_EQ(c.RecordPosition(), 1);
    EXPECT_EQ(c.Step(2), 0);
    EXPECT_EQ(t.Current(), "C");
    EXPECT_EQ(c.RecordPosition(), 3);
    ASSERT_TRUE(c.Last());
    EXPECT_EQ(c.RecordPosition(), 5);
    EXPECT_EQ(c.Step(1), TIndexCursor::kEndOfData);
    EXPECT_TRUE(c.Eof());
    EXPECT_EQ(c.Step(-1), 0); // from the end, a step back is the last record
    EXPECT_EQ(t.Current(), "E");
    EXPECT_EQ(c.Step(-10), TIndexCursor::kBeginningOfData);
    EXPECT_TRUE(c.Bof());
    EXPECT_EQ(c.Step(1), 0);
    EXPECT_EQ(t.Current(), "A");
    EXPECT_EQ(c.Step(0), 0);
    EXPECT_EQ(t.Current(), "A");

    c.GotoPosition(0);
    EXPECT_TRUE(c.Bof());
    EXPECT_FALSE(c.Eof());
    c.GotoPosition(6);
    EXPECT_TRUE(c.Eof());
    EXPECT_FALSE(c.Bof());
    c.GotoPosition(1);
    EXPECT_EQ(t.Current(), "A");
    c.GotoPosition(5);
    EXPECT_EQ(t.Current(), "E");
    EXPECT_EQ(c.CurrentKey()[1], 'E');
}

TEST(IndexCursor, FindKeyNearestPartialAndKeepBeginning) {
    TTable t;
    for (const char* n : {"Apple", "Cherry", "Elder"})
        t.Append(n, 1);
    TIndexCursor& c = t.Cursor();
    EXPECT_TRUE(c.FindKey(t.NameKey("Cherry").data(), 12, false, false));
    EXPECT_EQ(t.Current(), "Cherry");
    // Between two entries: the larger one, not found.
    EXPECT_FALSE(c.FindKey(t.NameKey("Banana").data(), 12, true, false));
    EXPECT_EQ(t.Current(), "Cherry");
    EXPECT_EQ(c.RecordPosition(), 2);
    // Without the nearest flag the cursor stays.
    c.First();
    EXPECT_FALSE(c.FindKey(t.NameKey("Banana").data(), 12, false, false));
    EXPECT_EQ(t.Current(), "Apple");
    // Above every entry: end of file.
    EXPECT_FALSE(c.FindKey(t.NameKey("Zebra").data(), 12, true, false));
    EXPECT_TRUE(c.Eof());
    // A partial key: the first two bytes (presence and 'E') find "Elder".
    EXPECT_TRUE(c.FindKey(t.NameKey("E").data(), 2, false, false));
    EXPECT_EQ(t.Current(), "Elder");
    // Keep-beginning: from the beginning, a place with a record before it
    // goes back to the beginning; the first record itself is kept.
    c.GotoPosition(0);
    EXPECT_TRUE(c.FindKey(t.NameKey("Cherry").data(), 12, true, true));
    EXPECT_TRUE(c.Bof());
    c.GotoPosition(0);
    EXPECT_TRUE(c.FindKey(t.NameKey("Apple").data(), 12, true, true));
    EXPECT_EQ(t.Current(), "Apple");
}

// ---- Ranges ------------------------------------------------------------------------

TEST(IndexCursor, RangeFromBToCCompletesOnlyTheFieldsNotGiven) {
    TTable t;
    for (const char* n : {"A", "B", "Bx", "C", "Ca", "D"})
        t.Append(n, 7);
    TIndexCursor& c = t.Cursor();
    // The name is given (zero padded); the amount field is completed with
    // 0x00 at the start and 0xFF at the end.
    c.SetRange(t.NameKey("B").data(), 12, t.NameKey("C").data(), 12);
    EXPECT_EQ(c.RecordCount(), 3);
    EXPECT_EQ(c.FirstPosition(), 2);
    EXPECT_EQ(c.LastPosition(), 4);
    EXPECT_EQ(t.Walk(), (Names{"B", "Bx", "C"}));
    ASSERT_TRUE(c.Last());
    EXPECT_EQ(c.RecordPosition(), 3);
    // Off the end of the range although the index goes on; back again.
    EXPECT_EQ(c.Step(1), TIndexCursor::kEndOfData);
    EXPECT_EQ(c.Step(-1), 0);
    EXPECT_EQ(t.Current(), "C");
    c.GotoPosition(0);
    EXPECT_TRUE(c.Bof());
    c.GotoPosition(4);
    EXPECT_TRUE(c.Eof());
    c.GotoPosition(2);
    EXPECT_EQ(t.Current(), "Bx");
    // Keys outside the range put the cursor on its ends.
    EXPECT_FALSE(c.FindKey(t.NameKey("A").data(), 12, true, false));
    EXPECT_EQ(t.Current(), "B");
    EXPECT_FALSE(c.FindKey(t.NameKey("Z").data(), 12, true, false));
    EXPECT_EQ(t.Current(), "C");
    // Appends inside and outside the range move its positions.
    t.Append("Bb", 1);
    t.Append("AA", 1);
    EXPECT_EQ(c.RecordCount(), 4);
    EXPECT_EQ(c.FirstPosition(), 3);
    c.CancelRange();
    EXPECT_EQ(c.RecordCount(), 8);

    c.SetRange(t.NameKey("C").data(), 12, t.NameKey("B").data(), 12);
    EXPECT_EQ(c.RecordCount(), 0);
    EXPECT_FALSE(c.First());
    EXPECT_TRUE(c.Bof() && c.Eof());
}

TEST(IndexCursor, RangeOnADescendingIndexSwapsTheCompletion) {
    TTable t;
    for (int amount : {3, 5, 5, 8, 10, 12})
        t.Append("N" + std::to_string(amount), amount);
    t.File().SelectIndex("ByAmountDown");
    TIndexCursor& c = t.Cursor();
    EXPECT_EQ(t.Walk(), (Names{"N12", "N10", "N8", "N5", "N5", "N3"}));
    c.SetRange(t.AmountKey(2, 10).data(), 5, t.AmountKey(2, 5).data(), 5);
    EXPECT_EQ(t.Walk(), (Names{"N10", "N8", "N5", "N5"}));
    EXPECT_EQ(c.RecordCount(), 4);
    // A partial find on the descending index completes with 0xFF: the first
    // of the equal values in index order.
    EXPECT_TRUE(c.FindKey(t.AmountKey(2, 5).data(), 5, false, false));
    EXPECT_EQ(c.RecordPosition(), 3);
}

// ---- Physical order and bitmaps ---------------------------------------------------------

TEST(IndexCursor, PhysicalOrderSkipsDeletedRecords) {
    TTable t;
    for (int i = 1; i <= 10; ++i)
        t.Append("R" + std::to_string(100 - i), i);
    t.Delete(7);
    t.Delete(8);
    t.File().SelectIndex(indexfmt::kPhysicalOrderIndex);
    TIndexCursor& c = t.Cursor();
    EXPECT_TRUE(c.BitmapMode());
    EXPECT_EQ(c.RecordCount(), 8);
    c.GotoPosition(7);
    EXPECT_EQ(c.CurrentRecordNumber(), 9);
    EXPECT_EQ(c.RecordPosition(), 7);
    ASSERT_TRUE(c.Last());
    EXPECT_EQ(c.CurrentRecordNumber(), 10);
    EXPECT_EQ(c.RecordPosition(), 8);
    EXPECT_EQ(c.ConsecutiveCount(10, false), 2); // 10, 9; 8 is deleted
    ASSERT_TRUE(c.First());
    EXPECT_EQ(c.ConsecutiveCount(10, true), 6);
    EXPECT_EQ(c.ConsecutiveCount(4, true), 4);
    EXPECT_EQ(t.Walk().size(), 8u);
    EXPECT_FALSE(c.FindKey(t.NameKey("R99").data(), 12, true, false));
    // Past the last record: the last one before it.
    c.GotoPosition(50);
    EXPECT_EQ(c.CurrentRecordNumber(), 10);
}

TEST(IndexCursor, LiveBitmapWhetherFewOrMostRecordsAreDeleted) {
    for (int deleted : {2, 17}) {
        TTable t;
        for (int i = 1; i <= 20; ++i)
            t.Append("R" + std::to_string(i + 10), i);
        for (int i = 1; i <= deleted; ++i)
            t.Delete(i * 20 / (deleted + 1));
        t.File().SelectIndex(indexfmt::kPhysicalOrderIndex);
        EXPECT_EQ(t.Cursor().RecordCount(), 20 - deleted);
        for (bool on = t.Cursor().First(); on; on = t.Cursor().Step(1) == 0)
            EXPECT_TRUE(t.Live(t.Cursor().CurrentRecordNumber()));
    }
}

TEST(IndexCursor, TableWithoutPrimaryKeysIsInPhysicalOrder) {
    TTable t(false);
    for (int i = 1; i <= 6; ++i)
        t.Append("P" + std::to_string(i), i);
    t.Delete(2);
    TIndexCursor& c = t.Cursor();
    EXPECT_TRUE(t.File().PhysicalOrder());
    EXPECT_EQ(c.RecordCount(), 5);
    EXPECT_EQ(t.Walk(), (Names{"P1", "P3", "P4", "P5", "P6"}));
    t.File().SelectIndex(1);
    EXPECT_FALSE(c.BitmapMode());
    EXPECT_EQ(c.RecordCount(), 5);
}

// ---- Filters ----------------------------------------------------------------------------

std::unique_ptr<TFilterNode> AmountTest(std::function<bool(std::int32_t)> pass) {
    return std::make_unique<TTestFunctionFilter>(
        [pass](std::span<const std::uint8_t> image, void*) {
            std::int32_t v;
            std::memcpy(&v, image.data() + 22, 4);
            return pass(v);
        },
        nullptr);
}

TEST(IndexCursor, FilterHandlesAndLimits) {
    TTable t;
    TIndexCursor& c = t.Cursor();
    EXPECT_EQ(CodeOf([&] { c.AddFilter(std::unique_ptr<TFilterNode>()); }),
              kErrInvalidFilterExpression);
    EXPECT_EQ(CodeOf([&] { c.AddFilter(TTestFunctionFilter::TTest(), nullptr); }),
              kErrInvalidFilterExpression);
    EXPECT_EQ(CodeOf([&] { c.ActivateFilter(1); }), kErrInvalidFilterHandle);
    std::vector<int> handles;
    for (int i = 0; i < 128; ++i)
        handles.push_back(c.AddFilter(AmountTest([](std::int32_t) { return true; })));
    EXPECT_EQ(CodeOf([&] { c.AddFilter(AmountTest([](std::int32_t) { return true; })); }),
              kErrTooManyFilters);
    c.DropFilter(handles[5]);
    EXPECT_EQ(CodeOf([&] { c.DropFilter(handles[5]); }), kErrInvalidFilterHandle);
    EXPECT_EQ(CodeOf([&] { c.ChangeFilter(handles[6], nullptr); }), kErrInvalidFilterExpression);
    EXPECT_EQ(c.FilterCount(), 127);
    c.AddFilter(AmountTest([](std::int32_t) { return true; }));
}

TEST(IndexCursor, FiltersRestrictNavigationAndFollowChanges) {
    TTable t;
    for (int i = 1; i <= 12; ++i)
        t.Append("F" + std::to_string(10 + i), i);
    TIndexCursor& c = t.Cursor();
    const int none = c.AddFilter(AmountTest([](std::int32_t) { return false; }));
    c.ActivateFilter(none);
    EXPECT_EQ(c.RecordCount(), 0);
    EXPECT_FALSE(c.First());
    EXPECT_TRUE(c.Bof() && c.Eof());
    c.DeactivateFilter(none);
    EXPECT_FALSE(c.BitmapMode());
    EXPECT_EQ(c.RecordCount(), 12);

    const int even = c.AddFilter(AmountTest([](std::int32_t v) { return v % 2 == 0; }));
    c.ActivateFilter(even);
    EXPECT_EQ(c.FilterLevel(even), kRecordByRecord);
    EXPECT_EQ(c.RecordCount(), 6);
    EXPECT_EQ(t.Walk(), (Names{"F12", "F14", "F16", "F18", "F20", "F22"}));
    ASSERT_TRUE(c.Last());
    EXPECT_EQ(c.RecordPosition(), 6);
    c.GotoPosition(3);
    EXPECT_EQ(t.Current(), "F16");
    EXPECT_FALSE(c.FindKey(t.NameKey("F15").data(), 12, false, false));
    EXPECT_FALSE(c.FindKey(t.NameKey("F17").data(), 12, true, false));
    EXPECT_EQ(t.Current(), "F18");
    EXPECT_EQ(c.RecordPosition(), 4);
    // The filter follows appends and deletes.
    t.Append("F30", 30);
    t.Append("F31", 31);
    EXPECT_EQ(c.RecordCount(), 7);
    t.Delete(2); // F12
    EXPECT_EQ(c.RecordCount(), 6);
    // With a range as well: the intersection.
    c.SetRange(t.NameKey("F14").data(), 12, t.NameKey("F20").data(), 12);
    EXPECT_EQ(t.Walk(), (Names{"F14", "F16", "F18", "F20"}));
    c.ChangeFilter(even, AmountTest([](std::int32_t v) { return v > 6; }));
    EXPECT_EQ(t.Walk(), (Names{"F17", "F18", "F19", "F20"}));
    // Appends inside and outside the range, passing and failing the filter.
    t.Append("F15a", 9);
    t.Append("F15b", 2);
    t.Append("F40", 9);
    EXPECT_EQ(t.Walk(), (Names{"F15a", "F17", "F18", "F19", "F20"}));
    EXPECT_EQ(c.RecordCount(), 5);
    c.DropFilter(even);
    EXPECT_EQ(c.RecordCount(), 9); // F14 .. F20 with F15a and F15b
    c.CancelRange();
    EXPECT_EQ(c.RecordCount(), 16);
}

TEST(IndexCursor, IndexAnswersAndTheirLevels) {
    TTable t;
    for (int i = 1; i <= 30; ++i)
        t.Append("K" + std::to_string(100 + i), i % 10);
    TIndexFile& f = t.File();
    auto range = [&](std::int32_t low, std::int32_t high, bool invert = false) {
        Bytes lo = t.AmountKey(1, low), hi = t.AmountKey(1, high);
        lo.insert(lo.end(), {0, 0, 0, 0});
        hi.insert(hi.end(), {0xFF, 0xFF, 0xFF, 0xFF});
        return std::make_unique<TKeyRangeFilter>(f, 1, lo, hi, invert);
    };
    TIndexCursor& c = t.Cursor();
    // Most records inside: collected through the outside parts and inverted.
    const int wide = c.AddFilter(range(1, 8));
    c.ActivateFilter(wide);
    EXPECT_EQ(c.FilterLevel(wide), kAnsweredFromIndexes);
    EXPECT_EQ(c.RecordCount(), 24);
    c.DropFilter(wide);
    const int narrow = c.AddFilter(std::make_unique<TNotFilter>(range(2, 8)));
    c.ActivateFilter(narrow);
    EXPECT_EQ(c.RecordCount(), 9); // amounts 0, 1 and 9
    c.DropFilter(narrow);
    const int mixed = c.AddFilter(std::make_unique<TAndFilter>(
        range(3, 5), AmountTest([](std::int32_t v) { return v != 4; })));
    c.ActivateFilter(mixed);
    EXPECT_EQ(c.FilterLevel(mixed), kAnsweredPartly);
    EXPECT_EQ(c.RecordCount(), 6);
    c.DropFilter(mixed);
    const int either = c.AddFilter(std::make_unique<TOrFilter>(range(0, 0), range(9, 9)));
    c.ActivateFilter(either);
    EXPECT_EQ(c.FilterLevel(either), kAnsweredFromIndexes);
    EXPECT_EQ(c.RecordCount(), 6);
    c.ChangeFilter(either, std::make_unique<TOrFilter>(
                               range(0, 0), AmountTest([](std::int32_t v) { return v == 9; })));
    EXPECT_EQ(c.FilterLevel(either), kRecordByRecord);
    EXPECT_EQ(c.RecordCount(), 6);
}

// Random tables, deletes, ranges and filters against a brute-force scan: the
// visible records in order, their count, and every position both ways.
TEST(IndexCursor, RangesAndFiltersMatchABruteForceScan) {
    std::mt19937 rng(99);
    for (int round = 0; round < 12; ++round) {
        TTable t;
        const int n = 50 + static_cast<int>(rng() % 300);
        for (int i = 0; i < n; ++i)
            t.Append(std::string(1, static_cast<char>('A' + rng() % 20)) +
                         std::to_string(rng() % 1000),
                     static_cast<std::int32_t>(rng() % 50));
        for (int i = 0; i < n / 3; ++i) {
            const auto r = static_cast<std::int32_t>(1 + rng() % n);
            if (t.Live(r))
                t.Delete(r);
        }
        const std::string lo(1, static_cast<char>('A' + rng() % 20));
        const std::string hi(1, static_cast<char>(lo[0] + rng() % 8));
        const int limit = static_cast<int>(rng() % 50);
        const bool useFilter = round % 3 != 0;
        TIndexCursor& c = t.Cursor();
        c.SetRange(t.NameKey(lo).data(), 2, t.NameKey(hi).data(), 2);
        if (useFilter)
            c.ActivateFilter(
                c.AddFilter(AmountTest([limit](std::int32_t v) { return v < limit; })));
        // Brute force: live records whose name starts in [lo, hi], sorted by (name, amount).
        std::vector<std::pair<std::string, std::int32_t>> expected;
        for (std::int32_t r = 1; r <= n; ++r)
            if (t.Live(r) && t.Name(r).substr(0, 1) >= lo && t.Name(r).substr(0, 1) <= hi &&
                (!useFilter || t.Amount(r) < limit))
                expected.emplace_back(t.Name(r), t.Amount(r));
        std::sort(expected.begin(), expected.end());
        ASSERT_EQ(c.RecordCount(), static_cast<std::int64_t>(expected.size())) << "round " << round;
        std::size_t i = 0;
        for (bool on = c.First(); on; on = c.Step(1) == 0, ++i) {
            ASSERT_LT(i, expected.size());
            const std::int32_t r = c.CurrentRecordNumber();
            ASSERT_EQ(std::make_pair(t.Name(r), t.Amount(r)), expected[i]) << "round " << round;
            ASSERT_EQ(c.RecordPosition(), static_cast<std::int64_t>(i + 1));
        }
        ASSERT_EQ(i, expected.size());
        for (std::size_t k = 1; k <= expected.size(); k += 1 + expected.size() / 7) {
            c.GotoPosition(static_cast<std::int64_t>(k));
            const std::int32_t r = c.CurrentRecordNumber();
            ASSERT_EQ(std::make_pair(t.Name(r), t.Amount(r)), expected[k - 1]);
        }
    }
}

// Narrow ranges - a join's lookup of one key - find their end by stepping
// from their start, wide ones by a second descent: either way the range
// holds exactly the entries with the prefix, also when it is empty, when
// it crosses a leaf and when it ends at the index's last entry.
TEST(IndexCursor, NarrowAndWideRangesHoldExactlyTheirEntries) {
    std::mt19937 rng(7);
    TTable t;
    const int n = 900;
    for (int i = 0; i < n; ++i)
        t.Append(std::string(1, static_cast<char>('A' + rng() % 3)) + std::to_string(rng() % 60),
                 static_cast<std::int32_t>(rng() % 5));
    for (int i = 0; i < n / 4; ++i) {
        const auto r = static_cast<std::int32_t>(1 + rng() % n);
        if (t.Live(r))
            t.Delete(r);
    }
    TIndexCursor& c = t.Cursor();
    for (const char letter : {'A', 'B', 'C', 'D'}) {
        for (int number = -1; number < 62; ++number) {
            const std::string prefix =
                std::string(1, letter) + (number < 0 ? "" : std::to_string(number));
            const Bytes key = t.NameKey(prefix);
            const int given = 1 + static_cast<int>(prefix.size());
            c.SetRange(key.data(), given, key.data(), given);
            std::int64_t expected = 0;
            for (std::int32_t r = 1; r <= n; ++r)
                expected += t.Live(r) && t.Name(r).rfind(prefix, 0) == 0 ? 1 : 0;
            ASSERT_EQ(c.RecordCount(), expected) << prefix;
            if (expected > 0) {
                ASSERT_TRUE(c.First());
                EXPECT_EQ(t.Name(c.CurrentRecordNumber()).rfind(prefix, 0), 0u) << prefix;
                ASSERT_TRUE(c.Last());
                EXPECT_EQ(t.Name(c.CurrentRecordNumber()).rfind(prefix, 0), 0u) << prefix;
            }
        }
    }
}

// A join sets one-key ranges one after another; a search may start after
// the previous range and the first entry may be reused. Ascending and
// descending, with keys that follow, repeat, jump, go back, fall between
// entries or past the last one, and with appends and deletes in between,
// each range must hold exactly the records of its key, in position order.
TEST(IndexCursor, SuccessiveOneKeyRangesHoldExactlyTheirRecords) {
    std::mt19937 rng(11);
    for (const char* index : {"ByAmount", "ByAmountDown"}) {
        SCOPED_TRACE(index);
        TTable t;
        for (int i = 0; i < 700; ++i)
            t.Append("R" + std::to_string(i), static_cast<std::int32_t>(2 * (rng() % 120)));
        t.File().SelectIndex(index);
        const int number = std::string(index) == "ByAmount" ? 1 : 2;
        TIndexCursor& c = t.Cursor();
        std::int32_t amount = -3;
        for (int lookup = 0; lookup < 600; ++lookup) {
            const int move = static_cast<int>(rng() % 10);
            amount += move < 5 ? 1 : move < 7 ? 0 : move < 9 ? 7 : -40;
            if (lookup % 50 == 49) {
                t.Append("New" + std::to_string(lookup), amount + 1);
                const auto r = static_cast<std::int32_t>(1 + rng() % 700);
                if (t.Live(r))
                    t.Delete(r);
            }
            const Bytes key = t.AmountKey(number, amount);
            c.SetRange(key.data(), 5, key.data(), 5);
            std::int64_t expected = 0;
            for (std::int32_t r = 1; r <= t.PhysicalRecordCount(); ++r)
                expected += t.Live(r) && t.Amount(r) == amount ? 1 : 0;
            ASSERT_EQ(c.RecordCount(), expected) << "amount " << amount;
            std::int64_t seen = 0;
            for (bool on = c.First(); on; on = c.Step(1) == 0) {
                ++seen;
                ASSERT_EQ(t.Amount(c.CurrentRecordNumber()), amount);
                ASSERT_EQ(c.RecordPosition(), seen);
            }
            ASSERT_EQ(seen, expected) << "amount " << amount;
        }
    }
    // Whole keys of the primary index: one record each, a repeated key
    // finding it again, a key between two records none.
    TTable t;
    for (int i = 0; i < 300; ++i)
        t.Append("K" + std::to_string(1000 + i), i % 3);
    t.File().SelectIndex(0);
    TIndexCursor& c = t.Cursor();
    for (int lookup = 0; lookup < 400; ++lookup) {
        const int i = lookup * 3 / 4;
        const std::int32_t amount = i % 3 + (lookup % 7 == 6 ? 5 : 0);
        Bytes key = t.NameKey("K" + std::to_string(1000 + i));
        key.resize(17);
        t.File().KeyBuilder(0).EncodeField(1, reinterpret_cast<const std::uint8_t*>(&amount),
                                           key.data() + 12);
        c.SetRange(key.data(), 17, key.data(), 17);
        const std::int64_t expected = i < 300 && amount < 3 ? 1 : 0;
        ASSERT_EQ(c.RecordCount(), expected) << "lookup " << lookup;
        ASSERT_EQ(c.First(), expected == 1) << "lookup " << lookup;
    }
}

TEST(IndexCursor, ConsecutiveCountFollowsRecordNumbersInIndexOrder) {
    TTable t;
    for (const char* n : {"A", "B", "C", "D", "E", "F"})
        t.Append(n, 1); // records 1..6 in name order
    t.Append("Ba", 1);  // record 7 sorts between B and C
    TIndexCursor& c = t.Cursor();
    ASSERT_TRUE(c.First());
    EXPECT_EQ(c.ConsecutiveCount(100, true), 2); // A, B; then Ba is record 7
    EXPECT_EQ(c.ConsecutiveCount(1, true), 1);
    ASSERT_TRUE(c.Last());
    EXPECT_EQ(c.ConsecutiveCount(100, false), 4); // F, E, D, C
    c.GotoPosition(0);
    EXPECT_EQ(c.ConsecutiveCount(100, true), 0);
}

} // namespace
} // namespace tabula
