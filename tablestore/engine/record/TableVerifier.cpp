// TTableVerifier: the read-only consistency check (see the header for what
// is checked). Findings are capped so that a badly damaged table cannot
// produce an unbounded report.
#include "TableVerifier.h"

#include "BTreeCheck.h"
#include "DataFile.h"
#include "EngineError.h"
#include "KeyBuilder.h"
#include "Scrambler.h"

#include <algorithm>
#include <map>
#include <set>

namespace tabula {

namespace {

constexpr std::size_t kMaxFindings = 200;
constexpr std::int64_t kSlotsPerRead = 256;

class TFindings {
public:
    explicit TFindings(std::vector<std::string>& out) : out_(out) {}
    void Add(const std::string& text) {
        if (out_.size() < kMaxFindings)
            out_.push_back(text);
        else if (out_.size() == kMaxFindings)
            out_.push_back("further findings omitted");
    }

private:
    std::vector<std::string>& out_;
};

std::string IndexName(TIndexFile& index, int number) {
    return "index " + index.ContextName(number);
}

} // namespace

TVerifyReport TTableVerifier::Verify(const std::string& tablePath, bool inMemory) {
    TDataFile table;
    table.SetFileName(tablePath);
    table.SetInMemory(inMemory);
    table.SetReadOnly(true);
    table.Open();
    TVerifyReport report = Verify(table);
    table.Close();
    return report;
}

TVerifyReport TTableVerifier::Verify(TDataFile& table) {
    TVerifyReport report;
    TFindings findings(report.findings);
    table.BeginSharedRead();
    struct TSharedRead {
        TDataFile& t;
        ~TSharedRead() {
            try {
                t.EndSharedRead();
            } catch (...) {
            }
        }
    } release{table};

    const TDataHeader& header = table.Header();
    const int size = header.recordSize;
    const std::int32_t slots = header.nextRecordNumber - 1;
    report.recordSlots = slots;
    TIndexFile& index = table.IndexFile();
    const bool keyed = table.PrimaryHasKeys();
    std::vector<int> indexes;
    if (keyed)
        indexes.push_back(indexfmt::kPrimaryIndex);
    for (int i = 1; i <= index.SecondaryCount(); ++i)
        indexes.push_back(i);

    // Index structure first: key lookups below rely on sound trees.
    const TBTreeCheckResult structure = TBTreeCheck::CheckFile(index);
    for (const std::string& p : structure.problems)
        findings.Add("index file: " + p);
    const bool treesSound = structure.Ok();

    std::vector<std::uint8_t> deleted(static_cast<std::size_t>(slots) + 1, 0);
    std::vector<std::int32_t> links(static_cast<std::size_t>(slots) + 1, 0);
    std::vector<std::uint8_t> chunk;
    std::vector<std::uint8_t> key;
    std::map<std::int64_t, std::int32_t> blobOwner;
    std::vector<const TFieldDescriptor*> blobFields;
    for (const TFieldDescriptor& f : table.StoredDescriptors())
        if (f.type == datafmt::kFtBlob)
            blobFields.push_back(&f);
    TBlobFile* blobs = table.BlobFile();
    if (!blobFields.empty() && !blobs)
        findings.Add("the table has BLOB fields but no BLOB file is open");

    for (std::int32_t first = 1; first <= slots; first += kSlotsPerRead) {
        const std::int32_t count =
            static_cast<std::int32_t>(std::min<std::int64_t>(kSlotsPerRead, slots - first + 1));
        chunk.assign(static_cast<std::size_t>(count) * static_cast<std::size_t>(size), 0);
        const std::int64_t got =
            table.ReadAt(static_cast<std::int64_t>(header.RecordOffset(first)), chunk.data(),
                         static_cast<std::int64_t>(chunk.size()), true);
        if (got < static_cast<std::int64_t>(chunk.size())) {
            findings.Add("the data file ends inside record " +
                         std::to_string(first + got / std::max(size, 1)));
            break;
        }
        for (std::int32_t i = 0; i < count; ++i) {
            const std::int32_t r = first + i;
            std::span<std::uint8_t> image(chunk.data() + static_cast<std::size_t>(i) * size,
                                          static_cast<std::size_t>(size));
            if (header.IsProtected())
                TScrambler::Apply(image, TScrambler::kTableDataKey);
            const std::uint8_t flag = image[datafmt::kRecDeleted];
            const std::int32_t link = datafmt::GetI32(image.data() + datafmt::kRecLink);
            links[static_cast<std::size_t>(r)] = link;
            if (flag > 1) {
                findings.Add("record " + std::to_string(r) + " has deleted flag " +
                             std::to_string(flag));
                continue;
            }
            deleted[static_cast<std::size_t>(r)] = flag;
            if (keyed && treesSound) {
                std::uint8_t sys[indexfmt::kSysDeletedKeyLength];
                TKeyBuilder::BuildSysDeletedKey(image, sys);
                std::int32_t named = 0;
                if (!index.Tree(indexfmt::kSysDeletedIndex).FindExact(sys, &named) || named != r)
                    findings.Add("record " + std::to_string(r) + " (" +
                                 (flag ? "deleted" : "live") +
                                 ") has no matching entry in index Sys Deleted");
            }
            if (flag)
                continue;
            ++report.liveRecords;
            if (link != r)
                findings.Add("live record " + std::to_string(r) + " carries record number " +
                             std::to_string(link));
            if (treesSound) {
                for (int n : indexes) {
                    key.assign(static_cast<std::size_t>(index.KeyLength(n)), 0);
                    index.BuildKey(n, image, key.data());
                    std::int32_t named = 0;
                    if (!index.Tree(n).FindExact(key.data(), &named))
                        findings.Add("live record " + std::to_string(r) + " has no entry in " +
                                     IndexName(index, n));
                    else if (named != r)
                        findings.Add("the key of live record " + std::to_string(r) + " in " +
                                     IndexName(index, n) + " names record " +
                                     std::to_string(named));
                }
            }
            for (const TFieldDescriptor* f : blobFields) {
                if (!blobs)
                    break;
                const TFieldRead value = ReadField(*f, image);
                const std::int32_t firstBlock =
                    value.value.size() >= 4 ? datafmt::GetI32(value.value.data()) : 0;
                if (firstBlock == 0)
                    continue;
                ++report.blobChains;
                const TBlobChainReport chain = blobs->InspectChain(firstBlock, r);
                if (chain.code != 0)
                    findings.Add("BLOB field " + f->name + " of record " + std::to_string(r) +
                                 ": " + chain.problem);
                for (std::int32_t b : chain.blocks) {
                    const auto [it, fresh] = blobOwner.emplace(b, r);
                    if (!fresh)
                        findings.Add("BLOB block " + std::to_string(b) + " is claimed by records " +
                                     std::to_string(it->second) + " and " + std::to_string(r));
                }
            }
        }
    }

    if (index.RecordCount() != report.liveRecords)
        findings.Add("the index file counts " + std::to_string(index.RecordCount()) +
                     " records, the data file holds " + std::to_string(report.liveRecords) +
                     " live records");
    if (treesSound) {
        for (int n : indexes) {
            const std::int64_t entries = index.Tree(n).EntryCount();
            if (entries != report.liveRecords)
                findings.Add(IndexName(index, n) + " holds " + std::to_string(entries) +
                             " entries for " + std::to_string(report.liveRecords) +
                             " live records");
        }
        const std::int64_t sysEntries = index.Tree(indexfmt::kSysDeletedIndex).EntryCount();
        if (keyed && sysEntries != slots)
            findings.Add("index Sys Deleted holds " + std::to_string(sysEntries) + " entries for " +
                         std::to_string(slots) + " record slots");
        if (!keyed && sysEntries != 0)
            findings.Add("index Sys Deleted holds " + std::to_string(sysEntries) +
                         " entries in a table in physical order");
    }

    // Free-record chain.
    std::set<std::int32_t> onChain;
    std::int32_t at = header.freeChainHead;
    while (at != 0) {
        if (at < 1 || at > slots) {
            findings.Add("the free-record chain names record " + std::to_string(at) +
                         ", which does not exist");
            break;
        }
        if (!onChain.insert(at).second) {
            findings.Add("the free-record chain loops at record " + std::to_string(at));
            break;
        }
        if (!deleted[static_cast<std::size_t>(at)]) {
            findings.Add("the free-record chain names live record " + std::to_string(at));
            break;
        }
        at = links[static_cast<std::size_t>(at)];
    }
    for (std::int32_t r = 1; r <= slots; ++r) {
        if (!deleted[static_cast<std::size_t>(r)])
            continue;
        if (keyed && !onChain.count(r))
            findings.Add("deleted record " + std::to_string(r) +
                         " is not on the free-record chain");
        if (!keyed && links[static_cast<std::size_t>(r)] != 0)
            findings.Add("deleted record " + std::to_string(r) +
                         " of a table in physical order links to record " +
                         std::to_string(links[static_cast<std::size_t>(r)]));
    }

    // BLOB file: free-block chain, and no block both free and in a chain.
    if (blobs) {
        const TBlobChainReport freeChain = blobs->InspectFreeChain();
        if (freeChain.code != 0)
            findings.Add("BLOB free-block chain: " + freeChain.problem);
        for (std::int32_t b : freeChain.blocks)
            if (blobOwner.count(b))
                findings.Add("BLOB block " + std::to_string(b) + " is free and belongs to record " +
                             std::to_string(blobOwner[b]));
    }
    return report;
}

} // namespace tabula
