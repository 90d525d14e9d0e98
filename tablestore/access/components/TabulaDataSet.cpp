// TTabulaDataSet: field definitions from the engine's descriptors, and the
// framework's cursor operations over an attached data file.
#include "TabulaDataSet.h"

#include "AccessMessages.h"
#include "DataFile.h"
#include "EngineCodes.h"
#include "EngineError.h"
#include "FieldDescriptor.h"
#include "FieldValue.h"
#include "IndexFileFormat.h"
#include "StoredFieldType.h"
#include "TableFilterCompiler.h"
#include "TabulaBlobStream.h"
#include "TabulaSession.h"

#include <algorithm>
#include <cstring>
#include <mutex>

namespace tabula {

namespace {

std::mutex gCompilerLock;
TFilterCompiler gFilterCompiler;

} // namespace

std::string TTabulaDataSet::EngineVersion() const {
    return kTabulaEngineVersion;
}

void TTabulaDataSet::BuildFieldDefs(const std::vector<TFieldDescriptor>& descriptors,
                                    TFieldDefs& defs, bool ownNumbers) {
    defs.Clear();
    for (std::size_t i = 0; i < descriptors.size(); ++i) {
        const TFieldDescriptor& d = descriptors[i];
        const TFieldType type = FieldTypeOf(d.type, d.subtype);
        if (type == TFieldType::ftUnknown)
            continue;
        int size = 0;
        if (type == TFieldType::ftString || type == TFieldType::ftBytes ||
            type == TFieldType::ftVarBytes)
            size = d.declaredSize;
        else if (type == TFieldType::ftBCD)
            size = d.declaredDecimals;
        std::string name = d.name;
        for (int n = 1; defs.IndexOf(name) >= 0; ++n)
            name = d.name + "_" + std::to_string(n);
        TFieldDef& def = defs.Add(name, type, size, d.IsRequired());
        def.FieldNo = ownNumbers ? d.fieldNumber : static_cast<int>(i) + 1;
        if (type == TFieldType::ftBCD)
            def.Precision = 20;
    }
}

void TTabulaDataSet::SetFilterCompiler(TFilterCompiler compiler) {
    std::lock_guard<std::mutex> guard(gCompilerLock);
    gFilterCompiler = std::move(compiler);
}

// ---- Attaching the cursor --------------------------------------------------------------

void TTabulaDataSet::AttachCursor(TDataFile& cursor, const std::vector<TFieldDescriptor>& view) {
    cursor_ = &cursor;
    if (view.empty())
        BuildFieldDefs(cursor.WorkingDescriptors(), FieldDefs());
    else
        BuildFieldDefs(view, FieldDefs(), true);
    FieldDefs().SetUpdated(true);
    ComputeLayout();
}

void TTabulaDataSet::DetachCursor() {
    // A cursor that outlives the dataset (a query's result) keeps none of
    // its filters; one that is about to close may fail to drop them.
    try {
        DropFilters();
    } catch (const std::exception&) {
        recordFilter_ = textFilter_ = -1;
    }
    scratch_.clear();
    filterImage_.clear();
    cursor_ = nullptr;
}

void TTabulaDataSet::ComputeLayout() {
    imageSize_ = static_cast<std::size_t>(cursor_->RecordBufferSize());
    // Physical order bookmarks are record numbers; keyed ones are keys.
    std::size_t longest = 4;
    const int secondaries = cursor_->SecondaryIndexCount();
    for (int i = indexfmt::kPrimaryIndex; i <= secondaries; ++i)
        longest = std::max(longest, static_cast<std::size_t>(cursor_->KeyLength(i)));
    bookmarkSize_ = std::max(longest, static_cast<std::size_t>(cursor_->BookmarkSize()));
}

std::size_t TTabulaDataSet::RecordBufferSize() const {
    return BookmarkOffset() + bookmarkSize_;
}

void TTabulaDataSet::InternalAfterBind() {
    scratch_.assign(RecordBufferSize(), 0);
    filterImage_.assign(RecordBufferSize(), 0);
    AfterCursorBind();
    FilterChanged();
}

bool TTabulaDataSet::CanModify() const {
    return !cursor_ || !(cursor_->ReadOnly() || cursor_->ReadOnlyAttribute());
}

std::unique_ptr<TStream> TTabulaDataSet::CreateBlobStream(TField& field, TBlobStreamMode mode) {
    return std::make_unique<TTabulaBlobStream>(*this, field, mode);
}

// ---- Fetching ------------------------------------------------------------------------------

void TTabulaDataSet::StoreRecordInfo(std::uint8_t* buffer) {
    const auto recno = static_cast<std::int32_t>(cursor_->RecordPosition());
    std::memcpy(buffer + InfoOffset(), &recno, 4);
    const std::vector<std::uint8_t> bookmark = cursor_->GetBookmark();
    std::uint8_t* slot = buffer + BookmarkOffset();
    std::memset(slot, 0, bookmarkSize_);
    std::memcpy(slot, bookmark.data(), std::min(bookmark.size(), bookmarkSize_));
}

TGetResult TTabulaDataSet::GetRecord(std::uint8_t* buffer, TGetMode mode, bool doCheck) {
    int rc = 0;
    try {
        switch (mode) {
        case TGetMode::gmCurrent:
            rc = cursor_->GetCurrentRecord(Image(buffer));
            break;
        case TGetMode::gmNext:
            rc = cursor_->NextRecord(Image(buffer));
            break;
        case TGetMode::gmPrior:
            rc = cursor_->PriorRecord(Image(buffer));
            break;
        }
    } catch (const ETabulaEngineError&) {
        if (doCheck)
            throw;
        return TGetResult::grError;
    }
    switch (rc) {
    case 0:
        SetBookmarkFlag(buffer, TBookmarkFlag::bfCurrent);
        StoreRecordInfo(buffer);
        return TGetResult::grOK;
    case kErrBeginningOfFile:
        return TGetResult::grBOF;
    case kErrEndOfFile:
        return TGetResult::grEOF;
    default:
        if (doCheck)
            RaiseEngineError(rc, cursor_->FileName());
        return TGetResult::grError;
    }
}

void TTabulaDataSet::InternalFirst() {
    cursor_->GotoFirst();
}

void TTabulaDataSet::InternalLast() {
    cursor_->GotoLast();
}

void TTabulaDataSet::InternalInitRecord(std::uint8_t* buffer) {
    cursor_->InitRecord(Image(buffer));
    const std::int32_t recno = -1;
    std::memcpy(buffer + InfoOffset(), &recno, 4);
}

void TTabulaDataSet::InternalEdit() {
    if (!cursor_)
        return;
    // Re-reads the record and locks it until post or cancel.
    const int rc = cursor_->GetCurrentRecord(Image(ActiveBuffer()), true);
    if (rc != 0)
        RaiseEngineError(rc, cursor_->FileName());
}

void TTabulaDataSet::InternalPost() {
    if (State() == TDataSetState::dsEdit)
        cursor_->UpdateRecord(Image(ActiveBuffer()), true, true);
    else
        cursor_->AppendRecord(Image(ActiveBuffer()));
}

void TTabulaDataSet::InternalCancel() {
    if (State() == TDataSetState::dsEdit && cursor_)
        cursor_->UnlockRecord();
}

void TTabulaDataSet::InternalDelete() {
    cursor_->DeleteRecord(true);
}

void TTabulaDataSet::InternalRefresh() {
    if (cursor_)
        cursor_->Refresh();
}

void TTabulaDataSet::InternalSetToRecord(std::uint8_t* buffer) {
    cursor_->GotoBookmark({buffer + BookmarkOffset(), bookmarkSize_});
}

void TTabulaDataSet::InternalGotoBookmark(const TBookmark& bookmark) {
    if (!cursor_->GotoBookmark(bookmark))
        RaiseEngineError(kErrRecordNotFound, cursor_->FileName());
}

TBookmarkFlag TTabulaDataSet::GetBookmarkFlag(const std::uint8_t* buffer) const {
    return static_cast<TBookmarkFlag>(buffer[InfoOffset() + 4]);
}

void TTabulaDataSet::SetBookmarkFlag(std::uint8_t* buffer, TBookmarkFlag flag) {
    buffer[InfoOffset() + 4] = static_cast<std::uint8_t>(flag);
}

TBookmark TTabulaDataSet::GetBookmarkData(const std::uint8_t* buffer) const {
    const std::uint8_t* slot = buffer + BookmarkOffset();
    return TBookmark(slot, slot + bookmarkSize_);
}

int TTabulaDataSet::CompareBookmarkData(const TBookmark& a, const TBookmark& b) const {
    if (a == b)
        return 0;
    if (cursor_ && cursor_->InPhysicalOrder() && a.size() >= 4 && b.size() >= 4) {
        // Record numbers, little-endian.
        std::int32_t x = 0;
        std::int32_t y = 0;
        std::memcpy(&x, a.data(), 4);
        std::memcpy(&y, b.data(), 4);
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    // Keys compare as unsigned bytes in index order.
    const int c = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
    if (c != 0)
        return c < 0 ? -1 : 1;
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

bool TTabulaDataSet::BookmarkValid(const TBookmark& bookmark) {
    if (!cursor_)
        return TDataSet::BookmarkValid(bookmark);
    if (bookmark.empty())
        return false;
    bool valid = false;
    try {
        // A bookmark of a deleted record leaves the cursor on its
        // successor, which must not count as the bookmarked record.
        valid = cursor_->GotoBookmark(bookmark) &&
                cursor_->GetCurrentRecord(Image(scratch_.data())) == 0;
    } catch (const EDatabaseError&) {
        valid = false;
    }
    CursorPosChanged();
    return valid;
}

int TTabulaDataSet::GetRecordCount() {
    return static_cast<int>(cursor_->RecordCount());
}

int TTabulaDataSet::GetRecNo() {
    const std::uint8_t* buffer =
        State() == TDataSetState::dsCalcFields ? CurrentFieldBuffer() : ActiveBuffer();
    if (!buffer || IsEmpty())
        return -1;
    std::int32_t recno = -1;
    std::memcpy(&recno, buffer + InfoOffset(), 4);
    return recno;
}

void TTabulaDataSet::InternalSetRecNo(int recNo) {
    cursor_->GotoPosition(recNo);
}

// ---- Field values -------------------------------------------------------------------------------

bool TTabulaDataSet::ReadFieldData(const std::uint8_t* buffer, const TField& field,
                                   void* data) const {
    if (!cursor_ || field.FieldNo() <= 0 || field.FieldNo() > cursor_->FieldCount())
        return false;
    const TFieldRead read = cursor_->ReadField(field.FieldNo(), Image(buffer));
    if (read.isNull)
        return false;
    if (!data || field.IsBlob())
        return true;
    const auto size = static_cast<std::size_t>(field.DataSize());
    if (field.DataType() == TFieldType::ftBCD) {
        std::int64_t stored = 0;
        std::memcpy(&stored, read.value.data(), std::min<std::size_t>(8, read.value.size()));
        const std::optional<TCurrency> value = DecodeBcd(stored, field.Size());
        if (!value)
            return false;
        std::memcpy(data, &*value, sizeof(TCurrency));
        return true;
    }
    const std::size_t n = std::min(size, read.value.size());
    std::memcpy(data, read.value.data(), n);
    if (n < size)
        std::memset(static_cast<std::uint8_t*>(data) + n, 0, size - n);
    if (field.DataType() == TFieldType::ftString && size > 0)
        static_cast<char*>(data)[size - 1] = '\0';
    return true;
}

void TTabulaDataSet::WriteFieldData(std::uint8_t* buffer, const TField& field, const void* data) {
    if (!cursor_ || field.FieldNo() <= 0 || field.FieldNo() > cursor_->FieldCount())
        return;
    if (!data) {
        cursor_->WriteNullField(field.FieldNo(), Image(buffer));
        return;
    }
    if (field.IsBlob())
        return; // BLOB contents go through CreateBlobStream
    if (field.DataType() == TFieldType::ftBCD) {
        TCurrency value = 0;
        std::memcpy(&value, data, sizeof value);
        const std::optional<std::int64_t> stored = EncodeBcd(value, field.Size());
        if (!stored)
            msg::Raise(msg::kFieldTypeMismatch, field.FieldName());
        std::uint8_t bytes[8];
        std::memcpy(bytes, &*stored, 8);
        cursor_->WriteField(field.FieldNo(), Image(buffer), bytes);
        return;
    }
    cursor_->WriteField(
        field.FieldNo(), Image(buffer),
        {static_cast<const std::uint8_t*>(data), static_cast<std::size_t>(field.DataSize())});
}

std::uint8_t* TTabulaDataSet::StateBuffer(TDataSetState state) const {
    if (state == TDataSetState::dsOldValue && cursor_ && !scratch_.empty()) {
        const int rc = cursor_->GetCurrentRecord(Image(scratch_.data()));
        if (rc != 0)
            RaiseEngineError(rc, cursor_->FileName());
        return scratch_.data();
    }
    return nullptr;
}

// ---- Filters ---------------------------------------------------------------------------------

bool TTabulaDataSet::FilterRecordTest(std::span<const std::uint8_t> image, void* context) {
    auto* dataSet = static_cast<TTabulaDataSet*>(context);
    std::vector<std::uint8_t>& buffer = dataSet->filterImage_;
    std::fill(buffer.begin(), buffer.end(), 0);
    std::memcpy(buffer.data(), image.data(), std::min(image.size(), dataSet->imageSize_));
    return dataSet->RecordAccepted(buffer.data());
}

void TTabulaDataSet::DropFilters() {
    for (int* handle : {&recordFilter_, &textFilter_}) {
        if (*handle >= 0 && cursor_)
            cursor_->DropFilter(*handle);
        *handle = -1;
    }
}

void TTabulaDataSet::FilterChanged() {
    if (!cursor_)
        return;
    FiltersChanging();
    TFilterCompiler compiler;
    {
        std::lock_guard<std::mutex> guard(gCompilerLock);
        compiler = gFilterCompiler;
    }
    if (!compiler)
        compiler = &CompileTableFilter;
    // The new text is compiled before the old filters go: a faulty text
    // raises its error and leaves the filters in force as they were.
    int textFilter = -1;
    if (!Filter().empty())
        textFilter = compiler(*this, *cursor_);
    try {
        DropFilters();
        textFilter_ = textFilter;
        textFilter = -1;
        if (HasFilterRecordHandler())
            recordFilter_ = cursor_->AddFilter(&TTabulaDataSet::FilterRecordTest, this);
        if (FiltersActive()) {
            for (int handle : {recordFilter_, textFilter_}) {
                if (handle >= 0)
                    cursor_->ActivateFilter(handle);
            }
        }
    } catch (...) {
        if (textFilter >= 0)
            cursor_->DropFilter(textFilter);
        throw;
    }
}

} // namespace tabula
