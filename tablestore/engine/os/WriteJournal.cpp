// TWriteJournal: saving old bytes before changes, and writing them back.
#include "WriteJournal.h"

#include "EngineCodes.h"
#include "EngineError.h"
#include "FileHandler.h"

#include <algorithm>

namespace tabula {

void TWriteJournal::Clear() {
    files_.clear();
    chunks_.clear();
    savedBytes_ = 0;
    lost_ = false;
}

void TWriteJournal::Start() {
    Clear();
    state_ = TState::Recording;
}

void TWriteJournal::Stop() {
    Clear();
    state_ = TState::Idle;
}

TWriteJournal::TFileEntry& TWriteJournal::Entry(TFileHandler& file) {
    for (TFileEntry& e : files_)
        if (e.file == &file)
            return e;
    const std::int64_t length = file.JournalSize();
    if (length < 0)
        RaiseEngineError(kErrReadError, file.FileName());
    files_.push_back(TFileEntry{&file, length, {}});
    return files_.back();
}

void TWriteJournal::KnowLength(TFileHandler& file, std::int64_t length) {
    if (state_ != TState::Recording)
        return;
    for (const TFileEntry& e : files_)
        if (e.file == &file)
            return;
    files_.push_back(TFileEntry{&file, length, {}});
}

void TWriteJournal::Save(std::size_t fileIndex, std::int64_t start, std::int64_t end) {
    TFileEntry& e = files_[fileIndex];
    const auto size = static_cast<std::size_t>(end - start);
    if (state_ == TState::Overflowed || savedBytes_ + size > limit_) {
        state_ = TState::Overflowed;
        lost_ = true;
        return;
    }
    TChunk chunk{fileIndex, start, std::vector<std::uint8_t>(size)};
    const std::int64_t got =
        e.file->JournalRead(start, chunk.bytes.data(), static_cast<std::int64_t>(size));
    if (got < 0)
        RaiseEngineError(kErrReadError, e.file->FileName());
    // Bytes past the real end of the file (a length known from a header
    // that counts more) did not exist: nothing to put back there.
    chunk.bytes.resize(static_cast<std::size_t>(got));
    e.saved.emplace(start, end);
    savedBytes_ += size;
    chunks_.push_back(std::move(chunk));
}

void TWriteJournal::BeforeWrite(TFileHandler& file, std::int64_t offset, std::int64_t count) {
    if (state_ == TState::Idle)
        return;
    if (Fenced())
        RaiseEngineError(Damaged() ? kErrTableDamaged : kErrWriteError, file.FileName());
    TFileEntry& entry = Entry(file);
    const std::size_t fileIndex = static_cast<std::size_t>(&entry - files_.data());
    const std::int64_t end =
        count == 0 ? entry.oldLength : std::min(offset + count, entry.oldLength);
    // Save the parts of [offset, end) that no earlier change saved.
    std::map<std::int64_t, std::int64_t>& saved = entry.saved;
    std::int64_t at = offset;
    while (at < end) {
        auto next = saved.upper_bound(at);
        if (next != saved.begin()) {
            auto covering = std::prev(next);
            if (covering->second > at) {
                at = covering->second;
                continue;
            }
        }
        const std::int64_t gapEnd = next == saved.end() ? end : std::min(end, next->first);
        Save(fileIndex, at, gapEnd);
        if (state_ == TState::Overflowed)
            return;
        at = gapEnd;
    }
}

bool TWriteJournal::RollBack() {
    if (state_ == TState::Idle || state_ == TState::RolledBack)
        return true;
    state_ = TState::Damaged;
    if (lost_)
        return false;
    for (auto it = chunks_.rbegin(); it != chunks_.rend(); ++it) {
        TFileHandler& file = *files_[it->fileIndex].file;
        if (!file.JournalWrite(it->offset, it->bytes.data(),
                               static_cast<std::int64_t>(it->bytes.size())))
            return false;
    }
    for (const TFileEntry& e : files_) {
        const std::int64_t size = e.file->JournalSize();
        if (size < 0 || (size != e.oldLength && !e.file->JournalTruncate(e.oldLength)))
            return false;
    }
    state_ = TState::RolledBack;
    return true;
}

std::vector<TFileHandler*> TWriteJournal::Files() const {
    std::vector<TFileHandler*> files;
    for (const TFileEntry& e : files_)
        files.push_back(e.file);
    return files;
}

void TWriteJournal::Rebind(TFileHandler& from, TFileHandler& to) {
    for (TFileEntry& e : files_)
        if (e.file == &from)
            e.file = &to;
}

void TWriteJournal::TakeFrom(TWriteJournal& other) {
    state_ = other.state_;
    lost_ = other.lost_;
    files_ = std::move(other.files_);
    chunks_ = std::move(other.chunks_);
    savedBytes_ = other.savedBytes_;
    other.Stop();
}

int TWriteJournal::AfterFailure() {
    if (state_ == TState::Idle)
        return kErrWriteError;
    return RollBack() ? kErrWriteError : kErrTableDamaged;
}

} // namespace tabula
