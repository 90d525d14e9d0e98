// TDataFile: the cursor - loading the record the index cursor stands on
// (with a retry when another user's change was detected on the way),
// movement (through the read window where it applies), bookmarks, index
// selection, keys and ranges, filters, synchronising and cloning cursors.
//
// Bookmarks: in physical order the 4-byte physical record number
// (little-endian), otherwise the current index's full key (key length bytes).
#include "DataFile.h"
#include "EngineCodes.h"
#include "EngineError.h"
#include "FieldConditionFilter.h"
#include "FileSession.h"
#include "IndexCursor.h"
#include "OperationScope.h"
#include "TextBlanks.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace tabula {

using datafmt::GetI32;
using datafmt::PutI32;

// ---- Current record -----------------------------------------------------------------------

void TDataFile::SetCurrent(TRecord* record) {
    if (current_)
        cache_.Unpin(*current_);
    current_ = record;
}

std::int32_t TDataFile::CurrentRecordNumber() {
    if (!index_.IsOpen())
        return 0;
    return index_.Cursor().CurrentRecordNumber();
}

void TDataFile::LoadCursorRecord(bool forward, bool stepped) {
    TIndexCursor& cursor = index_.Cursor();
    // A retry happens only when the read lock was not yet held; the next
    // attempt finds it held, so the loop runs at most twice.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const std::int32_t n = cursor.CurrentRecordNumber();
        if (n == 0) {
            SetCurrent(nullptr);
            return;
        }
        bool retry = false;
        TRecord* r = Fetch(n, stepped, forward, !index_.PhysicalOrder(), &retry);
        if (retry) {
            SetCurrent(nullptr);
            continue;
        }
        SetCurrent(r);
        return;
    }
    Fail(kErrRecordBuffersCorrupt);
}

TRecord* TDataFile::CurrentBuffer() {
    const std::int32_t n = CurrentRecordNumber();
    if (n == 0) {
        SetCurrent(nullptr);
        return nullptr;
    }
    if (!current_ || current_->recordNumber != n)
        LoadCursorRecord(true);
    return current_;
}

void TDataFile::CopyOut(std::span<std::uint8_t> image) {
    if (image.empty())
        return;
    TRecord* r = CurrentBuffer();
    if (!r)
        return;
    std::copy_n(r->image.begin(), std::min(image.size(), r->image.size()), image.begin());
}

TDataFile::TCursorMark TDataFile::MarkCursor() {
    TCursorMark mark;
    TIndexCursor& cursor = index_.Cursor();
    mark.bof = cursor.Bof();
    mark.eof = cursor.Eof();
    mark.recno = cursor.CurrentRecordNumber();
    if (mark.recno != 0 && !index_.PhysicalOrder())
        mark.key = cursor.CurrentKey();
    return mark;
}

void TDataFile::CursorAfterLast() {
    TIndexCursor& cursor = index_.Cursor();
    if (cursor.Last())
        cursor.Step(1);
}

void TDataFile::ReturnTo(const TCursorMark& mark) {
    TIndexCursor& cursor = index_.Cursor();
    if (mark.recno == 0) {
        if (mark.eof && !mark.bof)
            CursorAfterLast();
        else
            cursor.GotoPosition(0);
        SetCurrent(nullptr);
        return;
    }
    if (index_.PhysicalOrder() || mark.key.empty())
        cursor.GotoPosition(mark.recno);
    else
        cursor.FindKey(mark.key.data(), static_cast<int>(mark.key.size()), true, false);
    LoadCursorRecord(true);
}

void TDataFile::RefindImage(std::span<const std::uint8_t> image, std::int32_t recno, bool nearest) {
    TIndexCursor& cursor = index_.Cursor();
    if (index_.PhysicalOrder()) {
        cursor.GotoPosition(recno);
    } else {
        const std::vector<std::uint8_t> key = KeyOf(index_.CurrentIndex(), image);
        if (!cursor.FindKey(key.data(), static_cast<int>(key.size()), nearest, false) && !nearest)
            cursor.GotoPosition(0);
    }
    LoadCursorRecord(true);
}

// ---- Movement ----------------------------------------------------------------------------------

int TDataFile::GetCurrentRecord(std::span<std::uint8_t> image, bool lock) {
    RequireOpenTable();
    TOperationScope scope(*this);
    TIndexCursor& cursor = index_.Cursor();
    if (cursor.OnRecord() && lock)
        LockRecord(0);
    if (!cursor.OnRecord() || !CurrentBuffer()) {
        if (!image.empty())
            InitRecord(image);
        return cursor.Bof() ? kErrBeginningOfFile : kErrEndOfFile;
    }
    CopyOut(image);
    return 0;
}

int TDataFile::Move(int step, std::span<std::uint8_t> image) {
    RequireOpenTable();
    TOperationScope scope(*this);
    // The step goes in and the result comes out through one variable: a
    // closure of two pointers is stored inside the std::function, so a move
    // allocates nothing.
    int rc = step;
    RunRestartable([this, &rc] { rc = index_.Cursor().Step(rc); });
    if (rc != 0) {
        SetCurrent(nullptr);
        return rc;
    }
    if (MoveFromWindow(step > 0, image))
        return 0;
    LoadCursorRecord(step > 0, /*stepped=*/true);
    CopyOut(image);
    return 0;
}

bool TDataFile::MoveFromWindow(bool forward, std::span<std::uint8_t> image) {
    if (calcAreaSize_ != 0 || image.size() < static_cast<std::size_t>(header_.recordSize))
        return false;
    const std::int32_t n = index_.Cursor().CurrentRecordNumber();
    if (n <= 0 || n >= header_.nextRecordNumber || cache_.Find(n) != nullptr)
        return false;
    const auto inWindow = [this](std::int32_t r) {
        return r >= windowFirst_ && r - windowFirst_ < windowCount_;
    };
    if (!inWindow(n)) {
        // Without a lock held, the first read of a run must detect other
        // users' changes: that is Fetch's part.
        if (!AnyReadOrWriteHeld() && !LocksSkipped())
            return false;
        FillWindow(n, forward);
        if (!inWindow(n))
            return false;
    }
    const auto size = static_cast<std::size_t>(header_.recordSize);
    std::memcpy(image.data(), window_.data() + static_cast<std::size_t>(n - windowFirst_) * size,
                size);
    SetCurrent(nullptr);
    return true;
}

int TDataFile::NextRecord(std::span<std::uint8_t> image) {
    return Move(1, image);
}

int TDataFile::PriorRecord(std::span<std::uint8_t> image) {
    return Move(-1, image);
}

void TDataFile::GotoFirst() {
    RequireOpenTable();
    TOperationScope scope(*this);
    RunRestartable([&] { index_.Cursor().GotoPosition(0); });
    SetCurrent(nullptr);
}

void TDataFile::GotoLast() {
    RequireOpenTable();
    TOperationScope scope(*this);
    RunRestartable([&] { CursorAfterLast(); });
    SetCurrent(nullptr);
}

void TDataFile::GotoPosition(std::int64_t position) {
    RequireOpenTable();
    TOperationScope scope(*this);
    RunRestartable([&] { index_.Cursor().GotoPosition(position); });
    LoadCursorRecord(true);
}

std::vector<std::uint8_t> TDataFile::GetBookmark() {
    RequireOpenTable();
    TIndexCursor& cursor = index_.Cursor();
    if (index_.PhysicalOrder()) {
        std::vector<std::uint8_t> bookmark(4, 0);
        PutI32(bookmark.data(), cursor.CurrentRecordNumber());
        return bookmark;
    }
    return cursor.CurrentKey();
}

bool TDataFile::GotoBookmark(std::span<const std::uint8_t> bookmark) {
    RequireOpenTable();
    TOperationScope scope(*this);
    TIndexCursor& cursor = index_.Cursor();
    bool found = false;
    if (index_.PhysicalOrder()) {
        if (bookmark.size() < 4)
            Fail(kErrRecordNotFound);
        const std::int32_t n = GetI32(bookmark.data());
        cursor.GotoPosition(n);
        found = cursor.CurrentRecordNumber() == n;
    } else {
        const int length = index_.KeyLength(index_.CurrentIndex());
        if (bookmark.size() < static_cast<std::size_t>(length))
            Fail(kErrRecordNotFound);
        BeginRead(); // a key search, like FindKey
        found = cursor.FindKey(bookmark.data(), length, true, false);
    }
    LoadCursorRecord(true);
    return found;
}

// ---- Index selection, keys and ranges
// ------------------------------------------------------------

int TDataFile::CurrentIndex() const {
    return index_.IsOpen() ? index_.CurrentIndex() : indexfmt::kPrimaryIndex;
}

void TDataFile::SelectIndexByNumber(int index) {
    RequireOpenTable();
    if (!index_.IsDefined(index))
        FailIndex(kErrInvalidIndexName, std::to_string(index));
    if (index == index_.CurrentIndex())
        return;
    TOperationScope scope(*this);
    BeginRead();
    TRecord* current = CurrentBuffer();
    const std::int32_t recno = current ? current->recordNumber : 0;
    const std::vector<std::uint8_t> image = current ? current->image : std::vector<std::uint8_t>{};
    rangeSet_ = false;
    index_.SelectIndex(index);
    if (recno != 0)
        RefindImage(image, recno, false);
    else
        SetCurrent(nullptr);
}

void TDataFile::SelectIndexByName(const std::string& name) {
    RequireOpenTable();
    const std::string wanted = UpperTrimmed(name);
    int found = wanted.empty() ? indexfmt::kPrimaryIndex : -1;
    for (int i = 1; found < 0 && i <= index_.SecondaryCount(); ++i)
        if (UpperTrimmed(index_.Descriptor(i).name) == wanted)
            found = i;
    if (found < 0 && wanted == UpperTrimmed(index_.Descriptor(indexfmt::kSysDeletedIndex).name))
        found = indexfmt::kSysDeletedIndex;
    if (found < 0) {
        SelectIndexByNumber(indexfmt::kPrimaryIndex);
        FailIndex(kErrInvalidIndexName, name);
    }
    SelectIndexByNumber(found);
}

bool TDataFile::FindKey(std::span<const std::uint8_t> key, int given) {
    RequireOpenTable();
    TOperationScope scope(*this);
    // A key search descends from the root and reads the pages it lacks from
    // disk. Against cached parents that another user's split has outdated, a
    // fresh child no longer holds the keys the parent sends there (or lies
    // beyond the end of file as last seen), so a row present all along would
    // be missed. The search therefore runs under the read lock, after change
    // detection, even when StrictChangeDetection is off.
    BeginRead();
    given = std::clamp(given, 0, static_cast<int>(key.size()));
    const bool found = index_.Cursor().FindKey(key.data(), given, false, false);
    LoadCursorRecord(true);
    return found;
}

bool TDataFile::FindNearest(std::span<const std::uint8_t> key, int given) {
    RequireOpenTable();
    TOperationScope scope(*this);
    BeginRead(); // a key search, like FindKey
    given = std::clamp(given, 0, static_cast<int>(key.size()));
    const bool found = index_.Cursor().FindKey(key.data(), given, true, false);
    LoadCursorRecord(true);
    return found;
}

void TDataFile::SetRange(std::span<const std::uint8_t> start, int startGiven,
                         std::span<const std::uint8_t> end, int endGiven) {
    RequireOpenTable();
    TOperationScope scope(*this);
    BeginRead();
    rangeStart_.assign(start.begin(), start.end());
    rangeEnd_.assign(end.begin(), end.end());
    rangeStartGiven_ = std::clamp(startGiven, 0, static_cast<int>(start.size()));
    rangeEndGiven_ = std::clamp(endGiven, 0, static_cast<int>(end.size()));
    rangeStart_.resize(std::max<std::size_t>(rangeStart_.size(), 1));
    rangeEnd_.resize(std::max<std::size_t>(rangeEnd_.size(), 1));
    rangeSet_ = true;
    index_.Cursor().SetRange(rangeStart_.data(), rangeStartGiven_, rangeEnd_.data(),
                             rangeEndGiven_);
    SetCurrent(nullptr);
}

void TDataFile::CancelRange() {
    RequireOpenTable();
    TOperationScope scope(*this);
    BeginRead();
    rangeSet_ = false;
    index_.Cursor().CancelRange();
    SetCurrent(nullptr);
}

std::int64_t TDataFile::RecordCount() {
    RequireOpenTable();
    return index_.Cursor().RecordCount();
}

std::int64_t TDataFile::RecordPosition() {
    RequireOpenTable();
    TOperationScope scope(*this);
    std::int64_t position = 0;
    RunRestartable([&] { position = index_.Cursor().RecordPosition(); });
    return position;
}

// ---- Filters
// ---------------------------------------------------------------------------------------

int TDataFile::AddFilter(std::function<bool(std::span<const std::uint8_t>, void*)> test,
                         void* context) {
    RequireOpenTable();
    const int handle = index_.Cursor().AddFilter(std::move(test), context);
    filters_.push_back({handle, false});
    return handle;
}

int TDataFile::AddFilter(std::unique_ptr<TFilterNode> node) {
    RequireOpenTable();
    const int handle = index_.Cursor().AddFilter(std::move(node));
    filters_.push_back({handle, false});
    return handle;
}

std::unique_ptr<TFilterNode> TDataFile::MakeConditionFilter(const TFieldCondition& condition) {
    RequireOpenTable();
    const TFieldDescriptor field = GetFieldDescriptor(condition.fieldNumber);
    const bool nullTest =
        condition.op == TFieldConditionOp::IsNull || condition.op == TFieldConditionOp::IsNotNull;
    if (condition.op < TFieldConditionOp::IsNull || condition.op > TFieldConditionOp::Le ||
        condition.partialLength < 0 || (!nullTest && condition.value.size() != field.storedSize))
        FailField(kErrInvalidFilterExpression, field.name);
    if (!PrimaryHasKeys())
        return nullptr;
    return TFieldConditionFilter::Make(index_, condition);
}

std::int64_t TDataFile::CountConditionMatches(const TFieldCondition& condition) {
    std::unique_ptr<TFilterNode> node = MakeConditionFilter(condition);
    if (!node)
        return -1;
    TOperationScope scope(*this);
    BeginRead();
    return static_cast<TFieldConditionFilter&>(*node).CountMatches();
}

std::int64_t TDataFile::CountFilterMatches(TFilterNode& node) {
    RequireOpenTable();
    TOperationScope scope(*this);
    BeginRead();
    return node.CountFromIndexes();
}

int TDataFile::FilterLevel(int handle) const {
    RequireOpenTable();
    if (std::none_of(filters_.begin(), filters_.end(),
                     [handle](const TFilterEntry& f) { return f.handle == handle; }))
        Fail(kErrInvalidFilterHandle);
    return index_.Cursor().FilterLevel(handle);
}

void TDataFile::DropFilter(int handle) {
    RequireOpenTable();
    TOperationScope scope(*this);
    BeginRead();
    const TCursorMark mark = MarkCursor();
    index_.Cursor().DropFilter(handle);
    std::erase_if(filters_, [handle](const TFilterEntry& f) { return f.handle == handle; });
    ReturnTo(mark);
}

void TDataFile::ActivateFilter(int handle) {
    RequireOpenTable();
    TOperationScope scope(*this);
    BeginRead();
    const TCursorMark mark = MarkCursor();
    index_.Cursor().ActivateFilter(handle);
    for (TFilterEntry& f : filters_)
        if (f.handle == handle)
            f.active = true;
    ReturnTo(mark);
}

void TDataFile::DeactivateFilter(int handle) {
    RequireOpenTable();
    TOperationScope scope(*this);
    BeginRead();
    const TCursorMark mark = MarkCursor();
    index_.Cursor().DeactivateFilter(handle);
    for (TFilterEntry& f : filters_)
        if (f.handle == handle)
            f.active = false;
    ReturnTo(mark);
}

// ---- Second cursors
// ----------------------------------------------------------------------------------

int TDataFile::SyncToCursor(TDataFile& other) {
    RequireOpenTable();
    TOperationScope scope(*this);
    TIndexCursor& cursor = index_.Cursor();
    const std::int32_t n = other.CurrentRecordNumber();
    if (index_.PhysicalOrder()) {
        cursor.GotoPosition(n);
        if (n == 0 || cursor.CurrentRecordNumber() != n) {
            LoadCursorRecord(true);
            return kErrRecordNotFound;
        }
    } else {
        TRecord* theirs = n != 0 ? other.CurrentBuffer() : nullptr;
        std::vector<std::uint8_t> key(static_cast<std::size_t>(index_.KeyLength(CurrentIndex())),
                                      0);
        if (theirs)
            key = KeyOf(CurrentIndex(), theirs->image);
        if (!cursor.FindKey(key.data(), static_cast<int>(key.size()), false, false))
            return kErrRecordNotFound;
    }
    LoadCursorRecord(true);
    return 0;
}

std::unique_ptr<TDataFile> TDataFile::CloneCursor() {
    RequireOpenTable();
    if (Exclusive())
        Fail(kErrAccessDenied);
    // Every filter must be rebuildable for the second cursor before it opens.
    for (const TFilterEntry& f : filters_) {
        const TFilterNode* node = index_.Cursor().FilterNode(f.handle);
        if (node == nullptr || !node->CloneFor(index_))
            Fail(kErrInvalidFilterExpression);
    }
    auto clone = std::make_unique<TDataFile>(owner_);
    clone->SetFileName(FileName());
    clone->SetReadOnly(ReadOnly());
    clone->SetInMemory(InMemory());
    clone->SetForceBufferFlush(forceBufferFlush_);
    clone->SetStrictChangeDetection(strict_);
    clone->locks_.Timing() = locks_.Timing();
    clone->noKeyCheck_ = noKeyCheck_;
    const std::string password = header_.password;
    const bool addPassword = header_.IsProtected() && !HasPassword(password);
    if (addPassword)
        AddPassword(password);
    try {
        clone->Open();
    } catch (...) {
        if (addPassword)
            RemovePassword(password);
        throw;
    }
    if (addPassword)
        RemovePassword(password);
    if (calcAreaSize_ > 0)
        clone->SetWorkingDescriptors(working_, calculations_);
    clone->SelectIndexByNumber(CurrentIndex());
    if (rangeSet_)
        clone->SetRange(rangeStart_, rangeStartGiven_, rangeEnd_, rangeEndGiven_);
    for (const TFilterEntry& f : filters_) {
        const int handle =
            clone->AddFilter(index_.Cursor().FilterNode(f.handle)->CloneFor(clone->index_));
        if (f.active)
            clone->ActivateFilter(handle);
    }
    clone->SyncToCursor(*this);
    return clone;
}

} // namespace tabula
