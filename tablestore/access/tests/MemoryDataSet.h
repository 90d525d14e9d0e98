// A small in-memory dataset for testing the framework and the database
// binding: records kept in
// insertion order (or ordered by an integer key field), each a plain copy
// of the record part of a buffer.
//
// Buffer layout: record part (the fields' native data, each behind a
// presence byte), the calculated area, then the bookmark flag and a 4-byte
// bookmark (the record's id). The cursor is an index into the ordered
// record list: −1 before the first, size after the last.
#pragma once

#include "EngineCodes.h"
#include "EngineError.h"
#include "TabulaDBDataSet.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace tabula::test {

// The message of the exception an action raises, or "(no error)".
inline std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(no error)";
}

class TMemoryDataSet : public TTabulaDBDataSet {
public:
    explicit TMemoryDataSet(TComponent* owner = nullptr) : TTabulaDBDataSet(owner) {}
    ~TMemoryDataSet() override { Close(); }

    // Definitions the dataset opens with; keyField (a field number) makes
    // posts keep records ordered by it and refuse duplicates (kErrDuplicateKey).
    std::vector<TFieldDef> Defs;
    int KeyField = 0;
    std::map<std::int32_t, std::string> Blobs; // blob contents by record id

    // Opening holds the database named by DatabaseName (UseCursor).
    bool UseDatabase = false;

    int Stored() const { return static_cast<int>(records_.size()); }

protected:
    void InternalOpen() override {
        if (UseDatabase)
            SetUsageFlag(UseCursor, true);
        FieldDefs().Clear();
        offsets_.clear();
        std::size_t offset = 0;
        for (const TFieldDef& d : Defs) {
            TFieldDef& def = FieldDefs().Add(d.Name, d.DataType, d.Size, d.Required);
            (void)def;
            offsets_.push_back(offset);
            offset += 1 + NativeSize(d);
        }
        recordSize_ = offset + 4; // + record id
        open_ = true;
        cursor_ = -1;
    }
    void InternalClose() override {
        open_ = false;
        SetUsageFlag(UseCursor, false);
    }
    bool IsCursorOpen() const override { return open_; }
    std::size_t RecordBufferSize() const override { return recordSize_ + CalcFieldsSize() + 1 + 4; }
    std::size_t CalcAreaOffset() const override { return recordSize_; }

    TGetResult GetRecord(std::uint8_t* buffer, TGetMode mode, bool) override {
        const int n = static_cast<int>(records_.size());
        for (;;) {
            if (mode == TGetMode::gmNext)
                cursor_ = std::min(cursor_ + 1, n);
            else if (mode == TGetMode::gmPrior)
                cursor_ = std::max(cursor_ - 1, -1);
            if (cursor_ < 0)
                return TGetResult::grBOF;
            if (cursor_ >= n)
                return TGetResult::grEOF;
            std::memcpy(buffer, records_[static_cast<std::size_t>(cursor_)].data(), recordSize_);
            SetBookmarkFlag(buffer, TBookmarkFlag::bfCurrent);
            std::memcpy(buffer + BookmarkOffset(), buffer + recordSize_ - 4, 4);
            if (mode == TGetMode::gmCurrent || RecordAccepted(buffer))
                return TGetResult::grOK;
        }
    }
    void InternalFirst() override { cursor_ = -1; }
    void InternalLast() override { cursor_ = static_cast<int>(records_.size()); }
    void InternalInitRecord(std::uint8_t* buffer) override {
        std::int32_t id = -1;
        std::memcpy(buffer + recordSize_ - 4, &id, 4);
    }
    void InternalPost() override {
        std::vector<std::uint8_t> record(ActiveBuffer(), ActiveBuffer() + recordSize_);
        std::int32_t id;
        std::memcpy(&id, record.data() + recordSize_ - 4, 4);
        const bool inserting = State() == TDataSetState::dsInsert;
        if (KeyField > 0) {
            for (std::size_t i = 0; i < records_.size(); ++i) {
                if (static_cast<int>(i) == cursor_ && !inserting)
                    continue;
                if (KeyOf(records_[i]) == KeyOf(record))
                    RaiseEngineError(kErrDuplicateKey, "Memory.DAT", {}, {}, "Primary");
            }
        }
        if (inserting) {
            id = nextId_++;
            std::memcpy(record.data() + recordSize_ - 4, &id, 4);
        } else {
            records_.erase(records_.begin() + cursor_);
        }
        auto at = records_.end();
        if (KeyField > 0) {
            at = std::find_if(records_.begin(), records_.end(),
                              [&](const auto& r) { return KeyOf(r) > KeyOf(record); });
        }
        const auto index = at - records_.begin();
        records_.insert(at, record);
        cursor_ = static_cast<int>(index);
    }
    void InternalDelete() override { records_.erase(records_.begin() + cursor_); }
    void InternalSetToRecord(std::uint8_t* buffer) override {
        TBookmark b(buffer + BookmarkOffset(), buffer + BookmarkOffset() + 4);
        InternalGotoBookmark(b);
    }
    void InternalGotoBookmark(const TBookmark& bookmark) override {
        std::int32_t id;
        std::memcpy(&id, bookmark.data(), 4);
        for (std::size_t i = 0; i < records_.size(); ++i) {
            if (IdOf(records_[i]) == id) {
                cursor_ = static_cast<int>(i);
                return;
            }
        }
        RaiseEngineError(kErrRecordNotFound, "Memory.DAT");
    }
    TBookmarkFlag GetBookmarkFlag(const std::uint8_t* buffer) const override {
        return static_cast<TBookmarkFlag>(buffer[BookmarkOffset() - 1]);
    }
    void SetBookmarkFlag(std::uint8_t* buffer, TBookmarkFlag flag) override {
        buffer[BookmarkOffset() - 1] = static_cast<std::uint8_t>(flag);
    }
    TBookmark GetBookmarkData(const std::uint8_t* buffer) const override {
        return TBookmark(buffer + BookmarkOffset(), buffer + BookmarkOffset() + 4);
    }
    int CompareBookmarkData(const TBookmark& a, const TBookmark& b) const override {
        std::int32_t x, y;
        std::memcpy(&x, a.data(), 4);
        std::memcpy(&y, b.data(), 4);
        return x < y ? -1 : x > y ? 1 : 0;
    }
    int GetRecordCount() override { return static_cast<int>(records_.size()); }
    int GetRecNo() override { return cursor_ + 1; }
    void InternalSetRecNo(int recNo) override { cursor_ = recNo - 1; }
    bool ReadFieldData(const std::uint8_t* buffer, const TField& field, void* data) const override {
        const std::size_t at = offsets_[static_cast<std::size_t>(field.FieldNo() - 1)];
        if (!buffer[at])
            return false;
        if (data)
            std::memcpy(data, buffer + at + 1, NativeSize(Defs[field.FieldNo() - 1]));
        return true;
    }
    void WriteFieldData(std::uint8_t* buffer, const TField& field, const void* data) override {
        const std::size_t at = offsets_[static_cast<std::size_t>(field.FieldNo() - 1)];
        const std::size_t size = NativeSize(Defs[field.FieldNo() - 1]);
        buffer[at] = data ? 1 : 0;
        if (data)
            std::memcpy(buffer + at + 1, data, size);
        else
            std::memset(buffer + at + 1, 0, size);
    }
    std::unique_ptr<TStream> CreateBlobStream(TField& field, TBlobStreamMode mode) override;

private:
    static std::size_t NativeSize(const TFieldDef& d) {
        switch (d.DataType) {
        case TFieldType::ftString:
            return static_cast<std::size_t>(d.Size) + 1;
        case TFieldType::ftSmallint:
        case TFieldType::ftWord:
        case TFieldType::ftBoolean:
            return 2;
        case TFieldType::ftInteger:
        case TFieldType::ftAutoInc:
        case TFieldType::ftDate:
        case TFieldType::ftTime:
            return 4;
        case TFieldType::ftBytes:
        case TFieldType::ftVarBytes:
            return static_cast<std::size_t>(d.Size);
        default:
            return 8;
        }
    }
    std::size_t BookmarkOffset() const { return recordSize_ + CalcFieldsSize() + 1; }
    std::int32_t IdOf(const std::vector<std::uint8_t>& r) const {
        std::int32_t id;
        std::memcpy(&id, r.data() + recordSize_ - 4, 4);
        return id;
    }
    std::int32_t KeyOf(const std::vector<std::uint8_t>& r) const {
        std::int32_t key;
        std::memcpy(&key, r.data() + offsets_[static_cast<std::size_t>(KeyField - 1)] + 1, 4);
        return key;
    }

    bool open_ = false;
    std::vector<std::size_t> offsets_;
    std::size_t recordSize_ = 0;
    std::vector<std::vector<std::uint8_t>> records_;
    int cursor_ = -1;
    std::int32_t nextId_ = 1;
};

// BLOB contents live in the dataset's map under the record id of the
// current buffer; the field's presence byte marks a non-empty content.
class TMemoryBlobStream : public TStringStream {
public:
    TMemoryBlobStream(std::string* target, bool write)
        : TStringStream(write ? "" : *target), target_(write ? target : nullptr) {}
    ~TMemoryBlobStream() override {
        if (target_)
            *target_ = Data();
    }

private:
    std::string* target_;
};

inline std::unique_ptr<TStream> TMemoryDataSet::CreateBlobStream(TField& field,
                                                                 TBlobStreamMode mode) {
    std::uint8_t* buffer = CurrentFieldBuffer();
    if (!buffer)
        return nullptr;
    std::int32_t id;
    std::memcpy(&id, buffer + recordSize_ - 4, 4);
    const bool write = mode != TBlobStreamMode::bmRead;
    if (write) {
        // The content is keyed by the field number and the id; new records
        // (id −1) keep theirs under −1 until the test reads them back.
        std::int64_t present = 1;
        WriteFieldData(buffer, field, &present);
    }
    return std::make_unique<TMemoryBlobStream>(&Blobs[id * 100 + field.FieldNo()], write);
}

} // namespace tabula::test
