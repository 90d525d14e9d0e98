// TDataFile: rebuilding a damaged table from its record slots (the rules are
// in TableRepair.h), and TTableRepair, which runs that on a table by path.
//
// Everything is rebuilt while the table is open exclusively, so the write
// journal covers the repair: a write refused half-way puts the files back
// as they were before it.
#include "DataFile.h"
#include "EngineCodes.h"
#include "EngineError.h"
#include "IndexCursor.h"
#include "KeyBuilder.h"
#include "Scrambler.h"

#include <set>

namespace tabula {

namespace {

// A slot read or written whole (protected tables keep records scrambled).
struct TSlotIO {
    TDataFile& file;
    std::int64_t recordSize;

    void Read(std::int32_t n, std::vector<std::uint8_t>& image) {
        std::fill(image.begin(), image.end(), std::uint8_t{0});
        file.ReadAt(static_cast<std::int64_t>(file.Header().RecordOffset(n)), image.data(),
                    recordSize);
        if (file.Header().IsProtected())
            TScrambler::Apply(image.data(), static_cast<std::size_t>(recordSize),
                              TScrambler::kTableDataKey);
    }
    void Write(std::int32_t n, const std::vector<std::uint8_t>& image) {
        std::vector<std::uint8_t> out(image.begin(), image.begin() + recordSize);
        if (file.Header().IsProtected())
            TScrambler::Apply(out.data(), out.size(), TScrambler::kTableDataKey);
        file.WriteAt(static_cast<std::int64_t>(file.Header().RecordOffset(n)), out.data(),
                     recordSize);
    }
};

// A data file opens only when its length is exactly what its header counts.
// Before the table is opened for the repair, a header that counts more or
// fewer slots than the file holds is made to count the whole slots there
// are (a trailing partial slot is cut off), and a free-chain head beyond
// them is cleared; the rebuild then works from those slots. A header whose
// record size or field count cannot be right is left for the open to refuse.
void FitHeaderToFile(const std::string& dataFileName, bool inMemory,
                     std::vector<std::string>& actions) {
    TFileHandler file(dataFileName);
    file.SetInMemory(inMemory);
    file.SetExclusive(true);
    file.Open();
    const std::int64_t size = file.Size();
    if (size < static_cast<std::int64_t>(datafmt::kHeaderSize))
        return;
    std::uint8_t header[datafmt::kHeaderSize];
    file.ReadAt(0, header, datafmt::kHeaderSize);
    const std::int64_t recordSize = datafmt::GetU16(header + datafmt::kHdrRecordSize);
    const std::int64_t fields = datafmt::GetU16(header + datafmt::kHdrFieldCount);
    const std::int64_t dataOffset =
        static_cast<std::int64_t>(datafmt::kHeaderSize) + fields * datafmt::kDescriptorSize;
    if (recordSize < 1 || fields < 1 || fields > datafmt::kMaxFields || size < dataOffset)
        return;
    const std::int64_t slots =
        std::min<std::int64_t>((size - dataOffset) / recordSize, TDataFile::kMaxRecordNumber - 1);
    if (dataOffset + slots * recordSize != size) {
        file.Seek(dataOffset + slots * recordSize, TSeekOrigin::Start);
        file.Write(nullptr, 0);
        actions.push_back("cut " + std::to_string(size - dataOffset - slots * recordSize) +
                          " bytes after the last whole record slot");
    }
    const std::int32_t next = datafmt::GetI32(header + datafmt::kHdrNextRecord);
    const std::int32_t head = datafmt::GetI32(header + datafmt::kHdrFreeChainHead);
    bool changed = false;
    if (next != slots + 1) {
        actions.push_back("next record number " + std::to_string(next) + " set to " +
                          std::to_string(slots + 1));
        datafmt::PutI32(header + datafmt::kHdrNextRecord, static_cast<std::int32_t>(slots + 1));
        changed = true;
    }
    if (head < 0 || head > slots) {
        datafmt::PutI32(header + datafmt::kHdrFreeChainHead, 0);
        changed = true;
    }
    if (changed)
        file.WriteAt(0, header, datafmt::kHeaderSize);
    file.Close();
}

} // namespace

TRepairReport TDataFile::RebuildFromRecords() {
    RequireOpenTable();
    if (!Exclusive())
        Fail(kErrMustBeExclusive);
    RequireWritable();
    RequireIntactFiles();
    TRepairReport report;
    auto note = [&](const std::string& line) { report.actions.push_back(line); };
    try {
        ResetCache();
        const std::int64_t recordSize = header_.recordSize;
        // The open checked that the file holds exactly the counted slots.
        const std::int32_t slots = header_.nextRecordNumber - 1;

        index_.Empty();
        const bool keyed = PrimaryHasKeys();
        const std::vector<int> indexes = KeyedIndexes();
        std::vector<std::vector<std::uint8_t>> keys(indexes.size());
        std::vector<int> blobFields;
        for (const TFieldDescriptor& f : stored_)
            if (f.type == datafmt::kFtBlob)
                blobFields.push_back(f.fieldNumber);
        std::set<std::int32_t> claimed; // BLOB blocks of the chains kept
        std::vector<std::int32_t> deletedSlots;
        std::int32_t lastAutoInc = header_.lastAutoIncrement;
        std::vector<std::uint8_t> image(static_cast<std::size_t>(RecordBufferSize()));
        TSlotIO io{*this, recordSize};

        for (std::int32_t n = 1; n <= slots; ++n) {
            io.Read(n, image);
            bool changed = false;
            const std::string slot = "record " + std::to_string(n);
            if (image[datafmt::kRecDeleted] > 1) {
                note(slot + ": deleted flag " + std::to_string(image[datafmt::kRecDeleted]) +
                     ", dropped");
                image[datafmt::kRecDeleted] = 1;
                ++report.droppedRecords;
                changed = true;
            }
            if (image[datafmt::kRecDeleted] == 0) {
                for (std::size_t i = 0; i < indexes.size(); ++i)
                    KeyOf(indexes[i], image, keys[i]);
                bool unique = true;
                for (std::size_t i = 0; i < indexes.size() && unique; ++i) {
                    try {
                        index_.CheckUnique(indexes[i], keys[i].data());
                    } catch (const ETabulaEngineError& e) {
                        if (e.Code() != kErrDuplicateKey)
                            throw;
                        note(slot + ": its key is taken in a unique index, dropped");
                        unique = false;
                    }
                }
                if (!unique) {
                    image[datafmt::kRecDeleted] = 1;
                    ++report.droppedRecords;
                    changed = true;
                }
            }
            if (image[datafmt::kRecDeleted] == 0) {
                if (datafmt::GetI32(image.data() + datafmt::kRecLink) != n) {
                    datafmt::PutI32(image.data() + datafmt::kRecLink, n);
                    changed = true;
                }
                for (int field : blobFields) {
                    const TFieldRead value = ReadField(field, image);
                    const std::int32_t first = value.isNull || value.value.size() < 4
                                                   ? 0
                                                   : datafmt::GetI32(value.value.data());
                    if (first == 0)
                        continue;
                    std::string problem;
                    TBlobChainReport chain;
                    if (!HasBlobFile() || first < 0) {
                        problem = "no chain";
                    } else {
                        chain = blob_->InspectChain(first, n);
                        if (chain.code != 0)
                            problem = chain.problem;
                        for (std::int32_t b : chain.blocks)
                            if (problem.empty() && claimed.count(b))
                                problem =
                                    "block " + std::to_string(b) + " belongs to another chain";
                    }
                    if (problem.empty()) {
                        claimed.insert(chain.blocks.begin(), chain.blocks.end());
                        continue;
                    }
                    note(slot + ": BLOB field " + GetFieldDescriptor(field).name + " (" + problem +
                         ") emptied");
                    WriteNullField(field, image);
                    ++report.droppedBlobs;
                    changed = true;
                }
                for (std::size_t i = 0; i < indexes.size(); ++i)
                    index_.InsertKey(indexes[i], keys[i].data(), n);
                ++report.keptRecords;
            } else {
                deletedSlots.push_back(n);
            }
            lastAutoInc =
                std::max(lastAutoInc, datafmt::GetI32(image.data() + datafmt::kRecAutoInc));
            if (keyed) {
                std::uint8_t sys[indexfmt::kSysDeletedKeyLength];
                TKeyBuilder::BuildSysDeletedKey(image, sys);
                index_.InsertKey(indexfmt::kSysDeletedIndex, sys, n);
            }
            if (changed)
                io.Write(n, image);
        }

        // The free-record chain: in keyed tables every deleted slot, the
        // highest first; in tables in physical order none (links 0).
        std::int32_t previous = 0;
        for (std::int32_t n : deletedSlots) {
            io.Read(n, image);
            const std::int32_t link = keyed ? previous : 0;
            if (datafmt::GetI32(image.data() + datafmt::kRecLink) != link) {
                datafmt::PutI32(image.data() + datafmt::kRecLink, link);
                io.Write(n, image);
            }
            previous = n;
        }
        const std::int32_t head = keyed ? previous : 0;
        if (header_.freeChainHead != head)
            note("free-record chain rebuilt");
        header_.nextRecordNumber = slots + 1;
        header_.freeChainHead = head;
        header_.lastAutoIncrement = lastAutoInc;
        headerModified_ = true;
        index_.SetRecordCount(static_cast<std::int32_t>(report.keptRecords));
        note("indexes rebuilt from " + std::to_string(report.keptRecords) + " live records");

        if (HasBlobFile()) {
            const TBlobChainReport freeChain = blob_->InspectFreeChain();
            bool sound = freeChain.code == 0;
            for (std::int32_t b : freeChain.blocks)
                sound = sound && !claimed.count(b);
            if (!sound) {
                blob_->DropFreeChain();
                note("BLOB free-block chain abandoned");
            }
        }
        CommitInternal(false, true, true, true);
        journal_.Start();
        index_.Cursor().GotoPosition(0);
    } catch (...) {
        if (!RecoverAfterFailure())
            Fail(kErrTableDamaged);
        throw;
    }
    report.recordSlots = header_.nextRecordNumber - 1;
    return report;
}

TRepairReport TTableRepair::Repair(const std::string& tablePath, bool inMemory) {
    TDataFile table;
    table.SetFileName(tablePath);
    table.SetInMemory(inMemory);
    table.SetExclusive(true);
    std::vector<std::string> fitted;
    FitHeaderToFile(table.FileName(), inMemory, fitted);
    table.Open();
    TRepairReport report = table.RebuildFromRecords();
    table.Close();
    report.actions.insert(report.actions.begin(), fitted.begin(), fitted.end());
    return report;
}

} // namespace tabula
