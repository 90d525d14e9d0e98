// The consistency check on sound tables and on tables with damage planted
// in their files: each kind of damage is named in the findings, and the
// tabula-verify tool turns the outcome into its exit status.
#include "EngineCodes.h"
#include "TableRepair.h"
#include "TableTestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>

namespace tabula::tabletest {
namespace {

class Verify : public TableTest {
protected:
    // Six records (ids 1..6) of which record 4 is deleted.
    void Build(bool keyed) {
        CreateTable(Shape(keyed));
        auto t = OpenTable(true);
        for (int i = 1; i <= 6; ++i)
            t->AppendRecord(Row(*t, i, "name" + std::to_string(i)));
        t->GotoPosition(4); // id 4 is record 4 in either order
        ASSERT_EQ(t->CurrentRecordNumber(), 4);
        t->DeleteRecord();
        recordSize_ = t->RecordSize();
        dataOffset_ = static_cast<long>(t->Header().DataOffset());
    }
    // Overwrites bytes of record n in the data file.
    void Poke(std::int32_t n, long offset, const Bytes& bytes) {
        std::FILE* f = std::fopen((TablePath() + ".DAT").c_str(), "r+b");
        ASSERT_NE(f, nullptr);
        std::fseek(f, dataOffset_ + (n - 1) * recordSize_ + offset, SEEK_SET);
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    static bool Mentions(const std::vector<std::string>& findings, const std::string& text) {
        for (const std::string& f : findings)
            if (f.find(text) != std::string::npos)
                return true;
        return false;
    }
    int Tool(const std::string& table) {
        const bool repair = table.rfind("--repair", 0) == 0;
        const std::string command = std::string(TABULA_VERIFY_PATH) + " " +
                                    (repair ? table : dir_ + " " + table) + " > /dev/null 2>&1";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    long recordSize_ = 0;
    long dataOffset_ = 0;
};

TEST_F(Verify, SoundTablesHaveNoFindings) {
    Build(true);
    const TVerifyReport report = TTableVerifier::Verify(TablePath());
    EXPECT_TRUE(report.Clean());
    EXPECT_EQ(report.recordSlots, 6);
    EXPECT_EQ(report.liveRecords, 5);
    EXPECT_EQ(Tool("T"), 0);
    EXPECT_EQ(Tool("Missing"), 2);
}

TEST_F(Verify, ALiveRecordMarkedDeletedIsFound) {
    Build(true);
    Poke(2, datafmt::kRecDeleted, {1});
    const auto findings = Findings();
    EXPECT_TRUE(
        Mentions(findings, "record 2 (deleted) has no matching entry in index Sys Deleted"));
    EXPECT_TRUE(Mentions(findings, "deleted record 2 is not on the free-record chain"));
    EXPECT_TRUE(Mentions(findings, "counts 5 records, the data file holds 4"));
    EXPECT_EQ(Tool("T"), 1);
}

TEST_F(Verify, AChangedKeyFieldHasNoIndexEntry) {
    Build(true);
    // Field Name starts after Id (offset 9 + 5): indicator, then the text.
    Poke(3, 9 + 5 + 1, {'z', 'z'});
    EXPECT_TRUE(Mentions(Findings(), "live record 3 has no entry in index ByName"));
    // Id 5 written into record 3: the primary key names record 5.
    Poke(3, 9 + 1, {5, 0, 0, 0});
    EXPECT_TRUE(Mentions(Findings(), "the key of live record 3 in index Primary names record 5"));
}

TEST_F(Verify, BrokenFreeChainsAreFound) {
    Build(true);
    // The deleted record 4 links to itself: a loop.
    Poke(4, datafmt::kRecLink, {4, 0, 0, 0});
    EXPECT_TRUE(Mentions(Findings(), "the free-record chain loops at record 4"));
    Poke(4, datafmt::kRecLink, {9, 0, 0, 0});
    EXPECT_TRUE(Mentions(Findings(), "names record 9, which does not exist"));
}

TEST_F(Verify, PhysicalOrderTablesKeepDeletedLinksAtZero) {
    Build(false);
    EXPECT_EQ(Findings(), std::vector<std::string>{});
    Poke(4, datafmt::kRecLink, {2, 0, 0, 0});
    EXPECT_TRUE(
        Mentions(Findings(), "deleted record 4 of a table in physical order links to record 2"));
    Poke(5, datafmt::kRecLink, {7, 0, 0, 0});
    EXPECT_TRUE(Mentions(Findings(), "live record 5 carries record number 7"));
}

TEST_F(Verify, BlobChainsBelongToTheirRecords) {
    {
        TDataFile t;
        t.SetFileName(TablePath());
        t.SetExclusive(true);
        TTableDefinition def;
        def.fields = {TFieldDescriptor::Make(1, "Id", datafmt::kFtInt32),
                      TFieldDescriptor::Make(2, "Memo", datafmt::kFtBlob)};
        TIndexDescriptor primary;
        primary.fieldCount = 1;
        primary.fieldNumbers[0] = 1;
        t.CreateTable(def, primary, {});
        t.Open();
        const std::string text(700, 'm'); // two blocks of 512
        for (std::int32_t id = 1; id <= 2; ++id) {
            Bytes image(static_cast<std::size_t>(t.RecordBufferSize()));
            t.InitRecord(image);
            std::uint8_t v[4];
            std::memcpy(v, &id, 4);
            t.WriteField(1, image, v);
            ASSERT_EQ(t.OpenBlob(2, image), 0);
            ASSERT_EQ(
                t.WriteBlob(2, image, 0, static_cast<std::uint32_t>(text.size()), text.data()), 0);
            t.AppendRecord(image);
        }
        recordSize_ = t.RecordSize();
        dataOffset_ = static_cast<long>(t.Header().DataOffset());
    }
    const TVerifyReport report = TTableVerifier::Verify(TablePath());
    EXPECT_EQ(report.findings, std::vector<std::string>{});
    EXPECT_EQ(report.blobChains, 2);
    // Record 2's field now names record 1's chain.
    std::FILE* f = std::fopen((TablePath() + ".DAT").c_str(), "r+b");
    ASSERT_NE(f, nullptr);
    Bytes first(4);
    std::fseek(f, dataOffset_ + 9 + 5 + 1, SEEK_SET);
    ASSERT_EQ(std::fread(first.data(), 1, 4, f), 4u);
    std::fseek(f, dataOffset_ + recordSize_ + 9 + 5 + 1, SEEK_SET);
    std::fwrite(first.data(), 1, 4, f);
    std::fclose(f);
    const auto findings = Findings();
    EXPECT_TRUE(Mentions(findings, "BLOB field Memo of record 2"));
    EXPECT_TRUE(Mentions(findings, "is claimed by records 1 and 2"));

    // The repair keeps record 1's chain and empties record 2's field.
    const TRepairReport repaired = TTableRepair::Repair(TablePath());
    EXPECT_EQ(repaired.keptRecords, 2);
    EXPECT_EQ(repaired.droppedBlobs, 1);
    EXPECT_EQ(Findings(), std::vector<std::string>{});
}

// Each damage planted above, repaired: what the repair keeps and drops, and
// a clean check afterwards, also through tabula-verify --repair.
TEST_F(Verify, RepairMendsThePlantedDamages) {
    struct TDamage {
        const char* what;
        bool keyed;
        std::function<void()> plant;
        std::int64_t kept;
        std::int64_t dropped;
    };
    const std::vector<TDamage> damages = {
        {"live record marked deleted", true, [this] { Poke(2, datafmt::kRecDeleted, {1}); }, 4, 0},
        {"deleted flag out of range", true, [this] { Poke(3, datafmt::kRecDeleted, {7}); }, 4, 1},
        {"key field changed", true,
         [this] {
             Poke(3, 9 + 5 + 1, {'z', 'z'});
         },
         5, 0},
        {"duplicate primary key", true,
         [this] {
             Poke(3, 9 + 1, {5, 0, 0, 0});
         },
         4, 1},
        {"free chain loop", true,
         [this] {
             Poke(4, datafmt::kRecLink, {4, 0, 0, 0});
         },
         5, 0},
        {"free chain past the end", true,
         [this] {
             Poke(4, datafmt::kRecLink, {9, 0, 0, 0});
         },
         5, 0},
        {"physical-order deleted link", false,
         [this] {
             Poke(4, datafmt::kRecLink, {2, 0, 0, 0});
         },
         5, 0},
        {"wrong record number", false,
         [this] {
             Poke(5, datafmt::kRecLink, {7, 0, 0, 0});
         },
         5, 0},
        {"half a record at the end", true,
         [this] {
             std::FILE* f = std::fopen((TablePath() + ".DAT").c_str(), "ab");
             std::fputs("torn", f);
             std::fclose(f);
         },
         5, 0},
    };
    for (const TDamage& d : damages) {
        SCOPED_TRACE(d.what);
        Build(d.keyed);
        d.plant();
        const TRepairReport report = TTableRepair::Repair(TablePath());
        EXPECT_EQ(report.keptRecords, d.kept);
        EXPECT_EQ(report.droppedRecords, d.dropped);
        EXPECT_EQ(report.recordSlots, 6);
        EXPECT_EQ(Findings(), std::vector<std::string>{});
        // The repaired table takes new records where the rules say.
        auto t = OpenTable(false);
        t->AppendRecord(Row(*t, 40, "after"));
        EXPECT_EQ(t->RecordCount(), d.kept + 1);
        t.reset();
        EXPECT_EQ(Findings(), std::vector<std::string>{});
        scratch_.reset();
        scratch_ = std::make_unique<storetest::TScratchDir>("tabula-test");
        dir_ = scratch_->Path();
    }
    Build(true);
    Poke(2, datafmt::kRecDeleted, {1});
    EXPECT_EQ(Tool("T"), 1);
    EXPECT_EQ(Tool("--repair " + dir_ + " T"), 0);
    EXPECT_EQ(Tool("T"), 0);
}

} // namespace
} // namespace tabula::tabletest
