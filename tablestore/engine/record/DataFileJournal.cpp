// TDataFile: keeping a table whole when the system refuses a write - the
// journal over the table's three files, rollback, and reloading every
// cache from the files afterwards.
//
// Shared tables record one modification at a time, under the write lock;
// exclusive tables record from Open and from every completed commit on
// (DataFile.h describes what each mode keeps after a failure).
#include "DataFile.h"
#include "EngineCodes.h"
#include "EngineError.h"
#include "IndexCursor.h"

#include <map>
#include <memory>
#include <mutex>

namespace tabula {

namespace {

// A rollback owed by a table that closed while the disk refused it.
struct TOwedRollback {
    std::vector<std::unique_ptr<TFileHandler>> files; // open exclusively
    TWriteJournal journal;
};

std::mutex& OwedSection() {
    static std::mutex section;
    return section;
}

// By data file name.
std::map<std::string, std::unique_ptr<TOwedRollback>>& OwedRollbacks() {
    static std::map<std::string, std::unique_ptr<TOwedRollback>> owed;
    return owed;
}

} // namespace

void TDataFile::KeepOwedRollback() {
    owedFiles_.clear();
    if (!journal_.Damaged() || !journal_.Restorable())
        return;
    owedJournal_.TakeFrom(journal_);
    for (TFileHandler* file : owedJournal_.Files())
        owedFiles_.emplace_back(file, file->FileName());
}

void TDataFile::RegisterOwedRollback() {
    if (owedFiles_.empty())
        return;
    auto owed = std::make_unique<TOwedRollback>();
    owed->journal.TakeFrom(owedJournal_);
    try {
        for (const auto& [old, name] : owedFiles_) {
            auto file = std::make_unique<TFileHandler>(name);
            file->SetInMemory(InMemory());
            file->SetExclusive(true);
            file->Open();
            owed->journal.Rebind(*old, *file);
            owed->files.push_back(std::move(file));
        }
    } catch (...) {
        // Somebody else has the files already: the table stays as it is, for
        // the repair.
        owedFiles_.clear();
        return;
    }
    owedFiles_.clear();
    std::lock_guard<std::mutex> guard(OwedSection());
    OwedRollbacks()[FileName()] = std::move(owed);
}

void TDataFile::SettleOwedRollback() {
    std::lock_guard<std::mutex> guard(OwedSection());
    auto& owed = OwedRollbacks();
    const auto it = owed.find(FileName());
    if (it == owed.end())
        return;
    if (!it->second->journal.RollBack())
        Fail(kErrTableDamaged);
    owed.erase(it);
}

void TDataFile::SetWriteJournal(bool value) {
    if (value != journalWrites_)
        RequireClosed();
    journalWrites_ = value;
}

void TDataFile::AttachJournal(bool attach) {
    attach = attach && journalWrites_;
    TWriteJournal* journal = attach ? &journal_ : nullptr;
    SetJournal(journal);
    indexHandler_.SetJournal(journal);
    if (blob_)
        blob_->SetJournal(journal);
    if (!attach)
        journal_.Stop();
    else if (Exclusive() && !ReadOnly())
        journal_.Start();
}

void TDataFile::BeginAtomic() {
    if (!Shared() || !journalWrites_)
        return;
    if (HasBlobFile())
        blobMarks_ = blob_->MarkBuffers();
    journal_.Start();
    // Under the write lock the headers just read say how long each file is.
    journal_.KnowLength(*this, static_cast<std::int64_t>(header_.DataOffset()) +
                                   static_cast<std::int64_t>(header_.nextRecordNumber - 1) *
                                       header_.recordSize);
    journal_.KnowLength(indexHandler_, index_.EndOfFile());
    if (HasBlobFile())
        journal_.KnowLength(*blob_, blob_->EndOfFile());
}

void TDataFile::EndAtomic() {
    if (Shared())
        journal_.Stop();
}

void TDataFile::ReloadFromDisk() {
    ReadHeaderAgain();
    ResetCache();
    index_.Reload();
    if (HasBlobFile()) {
        blob_->Reload();
        // A shared modification's BLOBs go back to how the caller left them
        // (still to be saved); an exclusive table lost everything since its
        // checkpoint, BLOBs included.
        if (Shared())
            blob_->RestoreBuffers(blobMarks_);
        else
            blob_->FreeAllBuffers();
    }
    index_.Cursor().Refresh();
}

bool TDataFile::RecoverAfterFailure() {
    if (Shared()) {
        if (!journal_.Recording() && !journal_.Fenced())
            return true;
        // Even without a write the caches may hold the failed operation's
        // changes, which the next commit would carry to disk.
        if (!journal_.RollBack())
            return false;
        ReloadFromDisk();
        journal_.Stop();
        return true;
    }
    // Exclusive: only a failed write costs the work since the checkpoint;
    // other failures were undone in the caches by the operation itself.
    if (!journal_.Fenced())
        return true;
    if (!journal_.RollBack())
        return false;
    ReloadFromDisk();
    journal_.Start();
    return true;
}

void TDataFile::FinishFailed(const std::function<void(bool)>& finish) {
    bool intact;
    try {
        intact = RecoverAfterFailure();
    } catch (...) {
        // The reload failed; the files are back, and the journal stays
        // fenced so the next operation reloads before it goes on.
        intact = !journal_.Damaged();
    }
    try {
        finish(false);
    } catch (...) {
    }
    if (!intact)
        Fail(kErrTableDamaged);
    throw;
}

void TDataFile::RequireIntactFiles() {
    if (!journal_.Fenced())
        return;
    if (!journal_.RollBack())
        Fail(kErrTableDamaged);
    ReloadFromDisk();
    if (Shared())
        journal_.Stop();
    else {
        journal_.Start();
        index_.Cursor().GotoPosition(0);
    }
    if (writeKeptForDamage_) {
        writeKeptForDamage_ = false;
        EndWrite();
    }
}

void TDataFile::RecoverQuietly() {
    try {
        RequireIntactFiles();
    } catch (...) {
        // The journal stays fenced; the next operation tries again and reports.
    }
}

void TDataFile::CheckpointIfOverflowed() {
    if (Shared() || !journal_.Overflowed())
        return;
    CommitAfterChange(true);
    journal_.Start();
}

} // namespace tabula
