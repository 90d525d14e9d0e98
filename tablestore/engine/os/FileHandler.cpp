// TFileHandler: disk files through POSIX descriptors with open-file-
// description locks, in-memory files through the session's TMemoryFile list.
#include "FileHandler.h"

#include "DataFileFormat.h"
#include "EngineCodes.h"
#include "EngineError.h"
#include "FileSession.h"
#include "FileSystem.h"
#include "LockLayout.h"
#include "MemoryFile.h"
#include "TextBlanks.h"
#include "WriteJournal.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace tabula {

namespace {

// Bytes moved per step when copying a file.
constexpr std::int64_t kCopyChunk = 65535;

bool HasWritePermission(const struct stat& st) {
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
}

// Places (or removes) an open-file-description lock without waiting.
bool SetOfdLock(int fd, short type, std::int64_t offset, std::int64_t length) {
    return FileSystem().SetLock(fd, type, offset, length);
}

// True when some other open file description holds a lock on the
// share-mode range, i.e. somebody has the file open.
bool FileInUse(const std::string& path) {
    TFileSystem& fs = FileSystem();
    int fd = fs.Open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK, 0);
    if (fd < 0)
        return false;
    bool inUse = fs.LockedByOther(fd, kShareModeLockOffset, kShareModeLockLength);
    fs.Close(fd);
    return inUse;
}

// The file part of a name without its extension, blanks trimmed.
std::string FileStem(const std::string& name) {
    std::string part =
        name.substr(name.find_last_of('/') == std::string::npos ? 0 : name.find_last_of('/') + 1);
    std::size_t dot = part.find_last_of('.');
    if (dot != std::string::npos)
        part.resize(dot);
    return std::string(TrimSpaces(part));
}

} // namespace

int MapOsError(int osError) {
    switch (osError) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
        return kErrInvalidPath;
    case EMFILE:
    case ENFILE:
        return kErrTooManyFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EAGAIN:
    case ETXTBSY:
    case EBUSY:
        return kErrAccessDenied;
    case EBADF:
        return kErrInvalidHandle;
    case ENOMEM:
        return kErrOutOfMemory;
    case ENODEV:
    case ENXIO:
        return kErrInvalidDevice;
    case EXDEV:
        return kErrFileMoved;
    default:
        return kErrUnknownOsError;
    }
}

TFileHandler::TFileHandler() = default;

TFileHandler::TFileHandler(const std::string& fileName) : fileName_(fileName) {}

TFileHandler::~TFileHandler() {
    CloseHandle();
}

void TFileHandler::Fail(int code) const {
    RaiseEngineError(code, fileName_);
}

void TFileHandler::RequireOpen() const {
    if (!open_)
        Fail(kErrInvalidHandle);
}

std::string TFileHandler::NormalizeName(const std::string& name) const {
    return name;
}

void TFileHandler::SetFileName(const std::string& name) {
    std::string normalized = NormalizeName(name);
    if (open_ && normalized != fileName_)
        Fail(kErrFileInUse);
    fileName_ = std::move(normalized);
}

void TFileHandler::SetInMemory(bool value) {
    if (open_ && value != inMemory_)
        Fail(kErrFileInUse);
    inMemory_ = value;
}

void TFileHandler::SetExclusive(bool value) {
    if (open_ && value != exclusive_)
        Fail(kErrFileInUse);
    exclusive_ = value;
}

void TFileHandler::SetReadOnly(bool value) {
    if (open_ && value != readOnly_)
        Fail(kErrFileInUse);
    readOnly_ = value;
}

// --- open, create, close -------------------------------------------------

void TFileHandler::Open() {
    if (open_)
        return;
    if (inMemory_)
        OpenMemory();
    else
        OpenDisk();
}

void TFileHandler::OpenMemory() {
    TFileSession& session = Session();
    std::lock_guard<std::recursive_mutex> guard(MemoryFileSection());
    std::shared_ptr<TMemoryFile> file = session.MemoryFiles().Find(fileName_);
    if (!file)
        Fail(kErrInvalidPath);
    if (file->HasHandles()) {
        if (file->Exclusive() || exclusive_)
            Fail(kErrAccessDenied);
    } else {
        file->SetExclusive(exclusive_);
    }
    handle_ = file->AddHandle();
    memoryFile_ = std::move(file);
    readOnlyAttribute_ = false;
    position_ = 0;
    open_ = true;
}

bool TFileHandler::TakeShareLock(bool exclusive) {
    return SetOfdLock(handle_, exclusive ? F_WRLCK : F_RDLCK, kShareModeLockOffset,
                      kShareModeLockLength);
}

void TFileHandler::OpenDisk() {
    struct stat st;
    if (::stat(fileName_.c_str(), &st) != 0)
        Fail(MapOsError(errno));
    // Only regular files are table files; opening a FIFO or device could
    // block or read endlessly.
    if (!S_ISREG(st.st_mode))
        Fail(kErrInvalidPath);
    bool attribute = !HasWritePermission(st);
    if (attribute)
        readOnly_ = true;

    int extra = O_CLOEXEC | (writeThrough_ ? O_DSYNC : 0);
    TFileSystem& fs = FileSystem();
    int fd = fs.Open(fileName_, (attribute ? O_RDONLY : O_RDWR) | extra, 0);
    if (fd < 0 && !attribute && readOnly_ &&
        (errno == EACCES || errno == EPERM || errno == EROFS)) {
        // Not writable for this user or on this file system: for a reader
        // that is the read-only attribute.
        attribute = true;
        fd = fs.Open(fileName_, O_RDONLY | extra, 0);
    }
    if (fd < 0)
        Fail(MapOsError(errno));
    handle_ = fd;
    // A file nobody may write cannot be held for writing: its handles all
    // take the shared side of the share-mode range.
    if (!TakeShareLock(exclusive_ && !attribute)) {
        fs.Close(fd);
        handle_ = -1;
        Fail(kErrAccessDenied);
    }
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_RANDOM);
    readOnlyAttribute_ = attribute;
    diskLocks_.clear();
    position_ = 0;
    open_ = true;
}

void TFileHandler::Create() {
    if (open_)
        Fail(kErrFileInUse);
    if (!exclusive_)
        Fail(kErrMustBeExclusive);
    if (inMemory_)
        CreateMemory();
    else
        CreateDisk();
}

void TFileHandler::CreateMemory() {
    if (FileStem(fileName_).empty())
        Fail(kErrInvalidPath);
    TFileSession& session = Session();
    std::lock_guard<std::recursive_mutex> guard(MemoryFileSection());
    std::shared_ptr<TMemoryFile> file = session.MemoryFiles().Find(fileName_);
    if (file) {
        if (file->HasHandles())
            Fail(kErrAccessDenied);
        file->SetLength(0);
    } else {
        try {
            file = session.MemoryFiles().Add(fileName_);
        } catch (const std::bad_alloc&) {
            Fail(kErrOutOfMemory);
        }
    }
    file->SetExclusive(true);
    handle_ = file->AddHandle();
    memoryFile_ = std::move(file);
    readOnlyAttribute_ = false;
    position_ = 0;
    open_ = true;
}

void TFileHandler::CreateDisk() {
    struct stat st;
    if (::stat(fileName_.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            Fail(kErrInvalidPath);
        if (!HasWritePermission(st))
            Fail(kErrAccessDenied);
    }
    TFileSystem& fs = FileSystem();
    int fd = fs.Open(fileName_, O_RDWR | O_CREAT | O_CLOEXEC | (writeThrough_ ? O_DSYNC : 0), 0666);
    if (fd < 0)
        Fail(MapOsError(errno));
    handle_ = fd;
    // Take the exclusive share-mode lock before truncating, so a file that
    // somebody else has open is refused and keeps its contents.
    if (!TakeShareLock(true)) {
        fs.Close(fd);
        handle_ = -1;
        Fail(kErrAccessDenied);
    }
    if (fs.Truncate(fd, 0) != 0) {
        int error = errno;
        fs.Close(fd);
        handle_ = -1;
        Fail(MapOsError(error));
    }
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_RANDOM);
    readOnlyAttribute_ = false;
    diskLocks_.clear();
    position_ = 0;
    open_ = true;
}

void TFileHandler::Close() {
    CloseHandle();
}

void TFileHandler::CloseHandle() {
    if (!open_)
        return;
    if (memoryFile_) {
        std::lock_guard<std::recursive_mutex> guard(MemoryFileSection());
        memoryFile_->RemoveHandle(handle_);
        memoryFile_.reset();
    } else if (handle_ >= 0) {
        FileSystem().Close(handle_); // releases every lock of this open file description
    }
    diskLocks_.clear();
    handle_ = -1;
    position_ = 0;
    open_ = false;
}

// --- delete, rename, copy, exists ----------------------------------------

void TFileHandler::Delete() {
    if (open_)
        Fail(kErrFileInUse);
    if (inMemory_) {
        TFileSession& session = Session();
        std::lock_guard<std::recursive_mutex> guard(MemoryFileSection());
        std::shared_ptr<TMemoryFile> file = session.MemoryFiles().Find(fileName_);
        if (!file || file->HasHandles())
            Fail(kErrDeleteError);
        session.MemoryFiles().Remove(fileName_);
        return;
    }
    // A file with the read-only attribute or one that somebody has open is
    // not deleted.
    struct stat st;
    if (::stat(fileName_.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || !HasWritePermission(st) ||
        FileInUse(fileName_))
        Fail(kErrDeleteError);
    if (::unlink(fileName_.c_str()) != 0)
        Fail(kErrDeleteError);
}

void TFileHandler::Rename(const std::string& newName) {
    if (open_)
        Fail(kErrFileInUse);
    std::string target = NormalizeName(newName);
    if (inMemory_) {
        TFileSession& session = Session();
        std::lock_guard<std::recursive_mutex> guard(MemoryFileSection());
        std::shared_ptr<TMemoryFile> file = session.MemoryFiles().Find(fileName_);
        std::shared_ptr<TMemoryFile> other = session.MemoryFiles().Find(target);
        if (!file || file->HasHandles() || (other && other != file))
            Fail(kErrUnknownOsError);
        file->SetName(target);
    } else {
        // A file that somebody has open is not renamed, and an existing
        // target is never replaced.
        if (FileInUse(fileName_))
            Fail(kErrUnknownOsError);
        if (::renameat2(AT_FDCWD, fileName_.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) !=
            0) {
            struct stat st;
            if (errno != EINVAL || ::stat(target.c_str(), &st) == 0 ||
                ::rename(fileName_.c_str(), target.c_str()) != 0)
                Fail(kErrUnknownOsError);
        }
    }
    fileName_ = std::move(target);
}

void TFileHandler::Copy(const std::string& destName) {
    RequireOpen();
    TFileHandler dest(NormalizeName(destName));
    dest.SetInMemory(inMemory_);
    dest.SetExclusive(true);
    dest.SetWriteThrough(writeThrough_);
    dest.Create();
    try {
        std::vector<std::uint8_t> chunk(kCopyChunk);
        std::int64_t size = Size();
        std::int64_t saved = position_;
        for (std::int64_t at = 0; at < size; at += kCopyChunk) {
            std::int64_t n = std::min(kCopyChunk, size - at);
            position_ = at;
            try {
                Read(chunk.data(), n);
            } catch (...) {
                position_ = saved;
                throw;
            }
            dest.Write(chunk.data(), n);
        }
        position_ = saved;
        dest.Close();
    } catch (...) {
        // Leave no half-copied destination behind.
        dest.Close();
        try {
            dest.Delete();
        } catch (const ETabulaEngineError&) {
        }
        throw;
    }
}

bool TFileHandler::Exists() const {
    if (inMemory_) {
        TFileSession& session = Session();
        std::lock_guard<std::recursive_mutex> guard(MemoryFileSection());
        return session.MemoryFiles().Find(fileName_) != nullptr;
    }
    struct stat st;
    return ::stat(fileName_.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// --- read, write, seek, size, flush --------------------------------------

std::int64_t TFileHandler::Read(void* buffer, std::int64_t count, bool shortReadAllowed) {
    RequireOpen();
    if (count < 0)
        Fail(kErrReadError);
    std::int64_t done = 0;
    if (memoryFile_) {
        std::lock_guard<std::recursive_mutex> guard(MemoryFileSection());
        done = memoryFile_->ReadAt(position_, buffer, count);
    } else {
        auto* out = static_cast<std::uint8_t*>(buffer);
        while (done < count) {
            ssize_t n = FileSystem().ReadAt(
                handle_, out + done, static_cast<std::size_t>(count - done), position_ + done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                Fail(kErrReadError);
            if (n == 0)
                break;
            done += n;
        }
    }
    position_ += done;
    if (done < count && !shortReadAllowed)
        Fail(kErrReadError);
    return done;
}

std::int64_t TFileHandler::Write(const void* buffer, std::int64_t count) {
    RequireOpen();
    if (readOnly_)
        Fail(kErrAccessDenied);
    if (count < 0)
        Fail(kErrWriteError);
    if (journal_)
        journal_->BeforeWrite(*this, position_, count);
    if (memoryFile_) {
        std::lock_guard<std::recursive_mutex> guard(MemoryFileSection());
        bool ok;
        try {
            ok = count == 0 ? memoryFile_->SetLength(position_)
                            : memoryFile_->WriteAt(position_, buffer, count);
        } catch (const std::bad_alloc&) {
            FailChange(kErrOutOfMemory);
        }
        if (!ok)
            FailChange(kErrInvalidMemoryLength);
        position_ += count;
        return count;
    }
    if (count == 0) {
        if (FileSystem().Truncate(handle_, position_) != 0)
            FailChange(kErrWriteError);
        return 0;
    }
    const std::int64_t done = WriteFully(position_, buffer, count);
    position_ += done;
    if (done < count)
        FailChange(kErrWriteError);
    return done;
}

std::int64_t TFileHandler::WriteFully(std::int64_t offset, const void* buffer, std::int64_t count) {
    const auto* in = static_cast<const std::uint8_t*>(buffer);
    std::int64_t done = 0;
    while (done < count) {
        ssize_t n = FileSystem().WriteAt(handle_, in + done, static_cast<std::size_t>(count - done),
                                         offset + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    return done;
}

void TFileHandler::FailChange(int code) const {
    // The journal puts the files back first; the error then says whether it could.
    if (journal_ && journal_->Recording()) {
        const int journalCode = journal_->AfterFailure();
        if (journalCode != kErrWriteError)
            code = journalCode;
    }
    Fail(code);
}

// --- journal access: raw transfers that bypass position and journal ---------

std::int64_t TFileHandler::JournalSize() const {
    if (!open_)
        return -1;
    if (memoryFile_) {
        std::lock_guard<std::recursive_mutex> guard(MemoryFileSection());
        return memoryFile_->Length();
    }
    return FileSystem().Size(handle_);
}

std::int64_t TFileHandler::JournalRead(std::int64_t offset, void* buffer, std::int64_t count) {
    if (!open_)
        return -1;
    if (memoryFile_) {
        std::lock_guard<std::recursive_mutex> guard(MemoryFileSection());
        return memoryFile_->ReadAt(offset, buffer, count);
    }
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::int64_t done = 0;
    while (done < count) {
        ssize_t n = FileSystem().ReadAt(handle_, out + done, static_cast<std::size_t>(count - done),
                                        offset + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

bool TFileHandler::JournalWrite(std::int64_t offset, const void* buffer, std::int64_t count) {
    if (!open_)
        return false;
    if (memoryFile_) {
        std::lock_guard<std::recursive_mutex> guard(MemoryFileSection());
        try {
            return memoryFile_->WriteAt(offset, buffer, count);
        } catch (const std::bad_alloc&) {
            return false;
        }
    }
    return WriteFully(offset, buffer, count) == count;
}

bool TFileHandler::JournalTruncate(std::int64_t length) {
    if (!open_)
        return false;
    if (memoryFile_) {
        std::lock_guard<std::recursive_mutex> guard(MemoryFileSection());
        return memoryFile_->SetLength(length);
    }
    return FileSystem().Truncate(handle_, length) == 0;
}

void TFileHandler::Flush() {
    RequireOpen();
    if (memoryFile_)
        return;
    if (FileSystem().Sync(handle_) != 0)
        Fail(kErrWriteError);
}

std::int64_t TFileHandler::Seek(std::int64_t offset, TSeekOrigin origin) {
    RequireOpen();
    std::int64_t base = 0;
    if (origin == TSeekOrigin::Current)
        base = position_;
    else if (origin == TSeekOrigin::End)
        base = Size();
    std::int64_t target;
    if (__builtin_add_overflow(base, offset, &target) || target < 0)
        Fail(kErrUnknownOsError);
    position_ = target;
    return position_;
}

std::int64_t TFileHandler::Size() const {
    RequireOpen();
    if (memoryFile_) {
        std::lock_guard<std::recursive_mutex> guard(MemoryFileSection());
        return memoryFile_->Length();
    }
    const std::int64_t size = FileSystem().Size(handle_);
    if (size < 0)
        Fail(MapOsError(errno));
    return size;
}

std::int64_t TFileHandler::ReadAt(std::int64_t offset, void* buffer, std::int64_t count,
                                  bool shortReadAllowed) {
    Seek(offset, TSeekOrigin::Start);
    return Read(buffer, count, shortReadAllowed);
}

std::int64_t TFileHandler::WriteAt(std::int64_t offset, const void* buffer, std::int64_t count) {
    Seek(offset, TSeekOrigin::Start);
    return Write(buffer, count);
}

void TFileHandler::ReadChangeCounterBytes(std::uint8_t out[4]) {
    std::int64_t saved = position_;
    position_ = 0;
    try {
        Read(out, 4);
    } catch (...) {
        position_ = saved;
        throw;
    }
    position_ = saved;
}

std::uint32_t TFileHandler::ReadChangeCounter() {
    std::uint8_t b[4];
    ReadChangeCounterBytes(b);
    return datafmt::GetU32(b);
}

// --- locks ----------------------------------------------------------------

bool TFileHandler::OverlapsOwnLock(std::int64_t offset, std::int64_t length) const {
    std::int64_t last = offset + length - 1;
    return std::any_of(diskLocks_.begin(), diskLocks_.end(), [&](const TRange& r) {
        return offset <= r.offset + r.length - 1 && r.offset <= last;
    });
}

bool TFileHandler::Lock(std::int64_t offset, std::int64_t length) {
    RequireOpen();
    if (offset < 0 || length <= 0 || length > INT64_MAX - offset)
        return false;
    if (readOnlyAttribute_)
        return true;
    if (memoryFile_) {
        std::lock_guard<std::recursive_mutex> guard(MemoryFileSection());
        return memoryFile_->Lock(offset, length, handle_);
    }
    // The share-mode byte belongs to the open itself; a range over it would
    // merge with (and on unlock remove) the handle's share-mode lock.
    std::int64_t last = offset + length - 1;
    if (offset <= kShareModeLockOffset + kShareModeLockLength - 1 && kShareModeLockOffset <= last)
        return false;
    if (OverlapsOwnLock(offset, length))
        return false;
    if (!SetOfdLock(handle_, F_WRLCK, offset, length))
        return false;
    diskLocks_.push_back(TRange{offset, length});
    return true;
}

bool TFileHandler::Unlock(std::int64_t offset, std::int64_t length) {
    RequireOpen();
    if (readOnlyAttribute_)
        return true;
    if (memoryFile_) {
        std::lock_guard<std::recursive_mutex> guard(MemoryFileSection());
        return memoryFile_->Unlock(offset, length, handle_);
    }
    auto it = std::find_if(diskLocks_.begin(), diskLocks_.end(), [&](const TRange& r) {
        return r.offset == offset && r.length == length;
    });
    if (it == diskLocks_.end())
        return false;
    if (!SetOfdLock(handle_, F_UNLCK, offset, length))
        return false;
    diskLocks_.erase(it);
    return true;
}

} // namespace tabula
