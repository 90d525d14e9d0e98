// Memo and BLOB columns of SELECT results: a canned answer holds copies of
// the source BLOBs in its own BLOB file (whatever the lengths, zero bytes
// included), NULL stays NULL also on the empty row of an outer join, an INTO
// table keeps the copies after it is reopened, and a live result still reads
// the source table's own BLOBs.
#include "DataQuery.h"
#include "EngineError.h"
#include "FileSession.h"
#include "QueryTestSupport.h"
#include "TableVerifier.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <optional>

namespace tabula {
namespace {

using namespace querytest;
using TBytes = std::vector<std::uint8_t>;

constexpr int kNotesField = 3;
constexpr int kDataField = 4;
constexpr std::uint32_t kAnswerBlockSize = 512;

// Binary content of a length: every byte value, zero bytes among them.
TBytes Binary(std::size_t length, int seed) {
    TBytes bytes(length);
    for (std::size_t i = 0; i < length; ++i)
        bytes[i] = static_cast<std::uint8_t>((i * 7 + static_cast<std::size_t>(seed)) % 256);
    return bytes;
}

TBytes Text(std::size_t length, int seed) {
    TBytes bytes(length);
    for (std::size_t i = 0; i < length; ++i)
        bytes[i] = static_cast<std::uint8_t>('a' + (i + static_cast<std::size_t>(seed)) % 26);
    return bytes;
}

// A BLOB field of the record in image: its content, nothing when null.
std::optional<TBytes> ReadBlobField(TDataFile& file, int field, std::span<std::uint8_t> image) {
    if (file.ReadField(field, image).isNull)
        return std::nullopt;
    CheckCode(file.OpenBlob(field, image));
    std::uint32_t length = 0;
    CheckCode(file.GetBlobSize(field, image, length));
    TBytes bytes(length);
    std::uint32_t read = 0;
    CheckCode(file.ReadBlob(field, image, 0, length, bytes.data(), read));
    CheckCode(file.FreeBlob(field, image));
    return bytes;
}

struct TBlobRow {
    std::int32_t id = 0;
    std::optional<TBytes> notes;
    std::optional<TBytes> data;
    bool operator==(const TBlobRow&) const = default;
};

// Every row of a cursor in its current order: the 32-bit integer of field
// 1 and the BLOBs of the given fields.
std::vector<TBlobRow> BlobRows(TDataFile& file, int notesField, int dataField) {
    std::vector<TBlobRow> rows;
    std::vector<std::uint8_t> image(static_cast<std::size_t>(file.RecordBufferSize()));
    file.GotoFirst();
    while (file.NextRecord(image) == 0) {
        TBlobRow row;
        row.id = datafmt::GetI32(file.ReadField(1, image).value.data());
        if (notesField != 0)
            row.notes = ReadBlobField(file, notesField, image);
        if (dataField != 0)
            row.data = ReadBlobField(file, dataField, image);
        rows.push_back(std::move(row));
    }
    return rows;
}

class AnswerBlobs : public ::testing::Test {
protected:
    void SetUp() override {
        StartEngine();
        // Lengths around the 512-byte block of the answer table, and chains
        // of several blocks; id 2 has neither BLOB.
        const std::size_t lengths[] = {7, 0, 500, 511, 512, 513, 1030, 3000};
        std::int32_t id = 0;
        for (std::size_t length : lengths) {
            TBlobRow row;
            row.id = ++id;
            if (length > 0) {
                row.notes = Text(length, id);
                row.data = Binary(length + 3, id);
            }
            docs.push_back(row);
        }
        // Id 9 repeats the BLOBs of id 1 in chains of its own.
        docs.push_back(TBlobRow{9, docs[0].notes, docs[0].data});
        WriteDocs(dir.Table("Docs"));
    }
    void TearDown() override { DefaultSession().SetActive(false); }

    // Docs (Id, Kind, Notes memo, Data binary BLOB) filled through the
    // engine, the Kind descending with the id so that ORDER BY Kind
    // reverses the rows.
    void WriteDocs(const std::string& path) {
        TTableDefinition def;
        def.fields = {TFieldDescriptor::Make(1, "Id", datafmt::kFtInt32),
                      TFieldDescriptor::Make(2, "Kind", datafmt::kFtString, 8),
                      TFieldDescriptor::Make(3, "Notes", datafmt::kFtBlob),
                      TFieldDescriptor::Make(4, "Data", datafmt::kFtBlob)};
        def.fields[2].subtype = datafmt::kMemoSubtype;
        def.fields[3].subtype = datafmt::kBlobSubtype;
        // The index on Id makes a join on it read ranges, which repeated
        // outer keys replay from the join's memo of records.
        TIndexDescriptor byId;
        byId.name = "ById";
        byId.fieldCount = 1;
        byId.fieldNumbers[0] = 1;
        TDataFile t;
        t.SetFileName(path);
        t.SetExclusive(true);
        t.CreateTable(def, TIndexDescriptor{}, {byId});
        t.Open();
        std::vector<std::uint8_t> image(static_cast<std::size_t>(t.RecordBufferSize()));
        for (const TBlobRow& row : docs) {
            t.InitRecord(image);
            t.WriteField(1, image, std::span(reinterpret_cast<const std::uint8_t*>(&row.id), 4));
            const std::string kind = "K" + std::to_string(100 - row.id);
            t.WriteField(
                2, image,
                std::span(reinterpret_cast<const std::uint8_t*>(kind.c_str()), kind.size() + 1));
            for (auto [field, content] :
                 {std::pair{kNotesField, &row.notes}, std::pair{kDataField, &row.data}}) {
                if (!*content)
                    continue;
                CheckCode(t.OpenBlob(field, image));
                CheckCode(t.WriteBlob(field, image, 0,
                                      static_cast<std::uint32_t>((*content)->size()),
                                      (*content)->data()));
            }
            t.AppendRecord(image);
        }
        t.Close();
    }

    std::vector<TBlobRow> Select(const std::string& sql, int notesField = 2, int dataField = 3) {
        TDataQuery q;
        q.SetDirectory(dir.Path());
        CheckCode(q.Prepare(sql));
        CheckCode(q.Execute());
        EXPECT_FALSE(q.LiveResult()) << sql;
        return BlobRows(*q.ResultCursor(), notesField, dataField);
    }

    TScratchDir dir;
    std::vector<TBlobRow> docs;
};

TEST_F(AnswerBlobs, CannedResultsCopyTheContentOfEveryBlob) {
    std::vector<TBlobRow> reversed(docs.rbegin(), docs.rend());
    // Written in production order, through the OrderBy index, sorted before
    // writing (an item that is no result column), and filtered.
    EXPECT_EQ(Select("SELECT Id, Notes, Data FROM Docs"), docs);
    EXPECT_EQ(Select("SELECT Id, Notes, Data FROM Docs ORDER BY Id DESC"), reversed);
    EXPECT_EQ(Select("SELECT Id, Notes, Data FROM Docs ORDER BY Kind"), reversed);
    EXPECT_EQ(Select("SELECT Id, Data, Notes FROM Docs WHERE Id > 5 ORDER BY Id", 3, 2),
              std::vector<TBlobRow>(docs.begin() + 5, docs.end()));
    // The same BLOB twice in a row, beside a computed column.
    const std::vector<TBlobRow> twice =
        Select("SELECT Id, Notes, Notes AS Again, Id + 1 FROM Docs ORDER BY Id", 2, 3);
    ASSERT_EQ(twice.size(), docs.size());
    for (std::size_t i = 0; i < docs.size(); ++i) {
        EXPECT_EQ(twice[i].notes, docs[i].notes) << i;
        EXPECT_EQ(twice[i].data, docs[i].notes) << i;
    }
}

// DISTINCT and GROUP BY see a BLOB's content, not where it is stored; an
// ORDER BY item that is a BLOB puts NULL first and keeps the production
// order of the others, whether or not it is a result column.
TEST_F(AnswerBlobs, DistinctAndGroupByCompareContentAndOrderByKeepsProduction) {
    const std::vector<TBlobRow> distinct = Select("SELECT DISTINCT Id * 0, Notes FROM Docs", 2, 0);
    ASSERT_EQ(distinct.size(), docs.size() - 1);
    for (std::size_t i = 0; i + 1 < docs.size(); ++i)
        EXPECT_EQ(distinct[i].notes, docs[i].notes) << i;
    const std::vector<TBlobRow> groups =
        Select("SELECT COUNT(*), Data FROM Docs GROUP BY Data ORDER BY 1 DESC", 2, 0);
    ASSERT_EQ(groups.size(), docs.size() - 1);
    EXPECT_EQ(groups[0].id, 2);
    EXPECT_EQ(groups[0].notes, docs[0].data);
    EXPECT_EQ(ResultRows(dir.Path(), "SELECT COUNT(*) FROM Docs GROUP BY Notes ORDER BY 1 DESC")[0],
              "2");
    std::vector<std::int32_t> ordered = {2};
    for (std::int32_t id = 1; id <= static_cast<std::int32_t>(docs.size()); ++id)
        if (id != 2)
            ordered.push_back(id);
    for (const char* sql : {"SELECT Id, Notes, Data FROM Docs ORDER BY Notes",
                            "SELECT Id FROM Docs ORDER BY Data, Kind DESC"}) {
        std::vector<std::int32_t> ids;
        for (const TBlobRow& row : Select(sql, 0, 0))
            ids.push_back(row.id);
        EXPECT_EQ(ids, ordered) << sql;
    }
}

TEST_F(AnswerBlobs, TheEmptyRowOfAnOuterJoinHasNullBlobs) {
    CreateTable(dir.Table("Heads"), "Id int32, Title string 10", {}, {});
    for (int id : {1, 3, 2, 1, 99, 8, 3})
        ASSERT_EQ(RunSql(dir.Path(), "INSERT INTO Heads VALUES (" + std::to_string(id) + ", 'T')"),
                  "ok");
    const std::vector<TBlobRow> rows = Select("SELECT H.Id, D.Notes, D.Data FROM Heads H LEFT "
                                              "OUTER JOIN Docs D ON H.Id = D.Id ORDER BY H.Id");
    std::vector<TBlobRow> expected = {
        docs[0], docs[0], docs[1], docs[2], docs[2], docs[7], TBlobRow{99, {}, {}}};
    EXPECT_EQ(rows, expected);
}

TEST_F(AnswerBlobs, AnIntoTableKeepsItsCopiesAfterReopening) {
    ASSERT_EQ(RunSql(dir.Path(), "SELECT Id, Notes, Data INTO Kept FROM Docs ORDER BY Id DESC"),
              "ok");
    // The source's BLOBs can go: the copies are the table's own.
    std::filesystem::remove(dir.Table("Docs"));
    std::filesystem::remove(dir.Path() + "/Docs.BLB");
    TDataFile kept;
    kept.SetFileName(dir.Table("Kept"));
    kept.Open();
    EXPECT_EQ(kept.Header().EffectiveBlobBlockSize(), kAnswerBlockSize);
    kept.SelectIndexByName("OrderBy");
    EXPECT_EQ(BlobRows(kept, 2, 3), std::vector<TBlobRow>(docs.rbegin(), docs.rend()));
    kept.Close();
    EXPECT_TRUE(TTableVerifier::Verify(dir.Table("Kept")).findings.empty());
}

TEST_F(AnswerBlobs, ALiveResultReadsTheSourceBlobs) {
    TDataQuery q;
    q.SetDirectory(dir.Path());
    q.SetRequestLive(true);
    CheckCode(q.Prepare("SELECT * FROM Docs WHERE Id >= 3"));
    CheckCode(q.Execute());
    ASSERT_TRUE(q.LiveResult());
    EXPECT_EQ(BlobRows(*q.ResultCursor(), kNotesField, kDataField),
              std::vector<TBlobRow>(docs.begin() + 2, docs.end()));
}

} // namespace
} // namespace tabula
