// TFileHandler: one table file (data, index or BLOB), on disk or in memory.
//
// The handler hides where the file lives, maps operating-system failures to
// engine error codes, and offers byte-range locks that belong to the handle:
// two handlers on one file lock against each other whether they are in one
// process or in two (disk files use open-file-description locks; in-memory
// files keep their locked ranges in the TMemoryFile). Every system call on
// a disk file goes through FileSystem() (FileSystem.h), so tests can put
// faults in between; every change is first reported to the handler's
// journal when it has one (WriteJournal.h).
//
// States:
//   Closed --Open/Create--> Open --Close--> Closed
// Name, in-memory, exclusive and read-only may be changed only while Closed
// (kErrFileInUse otherwise); write-through takes effect at the next Open/Create.
// A failed Open or Create leaves the handler Closed. Delete and Rename need
// the handler Closed; Read, Write, Seek, Size, Flush, Lock, Unlock and Copy
// need it Open.
//
// Sharing: an exclusive disk handle holds a write lock on the share-mode
// range (LockLayout.h) for its whole life, a shared handle a read lock, so an
// exclusive open and a shared open of one file exclude each other (kErrAccessDenied).
// A disk file without any write permission bit carries the "read-only
// attribute": it is opened for reading only, Lock/Unlock take nothing and
// succeed at once, and every handle on it, exclusive or not, holds the
// shared side of the share-mode range (a handle open for reading cannot
// hold a write lock). A handler that is read-only only by its own setting
// still opens the file for reading and writing, so its locks behave like
// everybody else's, and refuses writes itself (kErrAccessDenied).
//
// A handler is used by one thread at a time. In-memory operations run under
// the engine's in-memory critical section (FileSession.h).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tabula {

class TMemoryFile;
class TWriteJournal;

enum class TSeekOrigin { Start, Current, End };

// Engine code for an operating-system error number (errno) after a failed
// open, create or attribute query.
int MapOsError(int osError);

class TFileHandler {
public:
    TFileHandler();
    explicit TFileHandler(const std::string& fileName);
    TFileHandler(const TFileHandler&) = delete;
    TFileHandler& operator=(const TFileHandler&) = delete;
    // Closes the handle. Derived classes that write on close must close in
    // their own destructor.
    virtual ~TFileHandler();

    // Virtual operations. Derived file classes override the name
    // normalisation, Open, Close and Create to add their own headers.
    virtual std::string NormalizeName(const std::string& name) const;
    virtual void Open();
    virtual void Close();
    virtual void Create();
    virtual void Delete();
    virtual void Rename(const std::string& newName);
    virtual void Copy(const std::string& destName);
    // Reads count bytes at the current position and advances it. Fewer bytes
    // than asked raise kErrReadError unless shortReadAllowed; returns the count read.
    virtual std::int64_t Read(void* buffer, std::int64_t count, bool shortReadAllowed = false);
    // Writes count bytes at the current position and advances it; fewer
    // written raise kErrWriteError. A write of 0 bytes truncates the file at the
    // current position. A read-only handler refuses with kErrAccessDenied.
    virtual std::int64_t Write(const void* buffer, std::int64_t count);
    // Asks the operating system to write its buffers (disk files only).
    virtual void Flush();

    bool Exists() const;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin);
    std::int64_t Position() const { return position_; }
    std::int64_t Size() const;

    // Positioned helpers: Seek then Read/Write.
    std::int64_t ReadAt(std::int64_t offset, void* buffer, std::int64_t count,
                        bool shortReadAllowed = false);
    std::int64_t WriteAt(std::int64_t offset, const void* buffer, std::int64_t count);

    // The first 4 bytes of the file (the change counter every table file
    // begins with), read without moving the position. Raw file bytes: a
    // protected table unscrambles them before comparing. kErrReadError when the file
    // is shorter than 4 bytes.
    void ReadChangeCounterBytes(std::uint8_t out[4]);
    // The same 4 bytes as a little-endian value.
    std::uint32_t ReadChangeCounter();

    // Exclusive byte-range lock on offset .. offset+length-1 held by this
    // handle. False when any other handle holds an overlapping range, or when
    // this handle already holds an overlapping one. Always true, taking
    // nothing, on a file with the read-only attribute.
    bool Lock(std::int64_t offset, std::int64_t length);
    // Releases the range locked with exactly this offset and length; false
    // when this handle holds no such range.
    bool Unlock(std::int64_t offset, std::int64_t length);

    // Properties.
    const std::string& FileName() const { return fileName_; }
    void SetFileName(const std::string& name);
    bool InMemory() const { return inMemory_; }
    void SetInMemory(bool value);
    bool Exclusive() const { return exclusive_; }
    void SetExclusive(bool value);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    bool ReadOnlyAttribute() const { return readOnlyAttribute_; }
    bool WriteThrough() const { return writeThrough_; }
    void SetWriteThrough(bool value) { writeThrough_ = value; }
    bool IsOpen() const { return open_; }
    // Operating-system descriptor, or the in-memory handle number.
    int Handle() const { return handle_; }

    // The journal told about every change before it is made (none: changes
    // go unrecorded). A failed write or truncation lets the journal roll
    // back before the error is raised. Not owned.
    void SetJournal(TWriteJournal* journal) { journal_ = journal; }
    TWriteJournal* Journal() const { return journal_; }
    // Raw transfers for the journal, bypassing the position and the journal:
    // the length (-1 on failure), a read (bytes read, -1 on failure), a whole
    // write and a truncation (false on failure).
    std::int64_t JournalSize() const;
    std::int64_t JournalRead(std::int64_t offset, void* buffer, std::int64_t count);
    bool JournalWrite(std::int64_t offset, const void* buffer, std::int64_t count);
    bool JournalTruncate(std::int64_t length);

protected:
    // Raises code with this file's name as the error context.
    [[noreturn]] void Fail(int code) const;
    void RequireOpen() const;
    // Raises a failed change's code after the journal had its chance to roll back.
    [[noreturn]] void FailChange(int code) const;

private:
    struct TRange {
        std::int64_t offset;
        std::int64_t length;
    };

    void OpenDisk();
    void OpenMemory();
    void CreateDisk();
    void CreateMemory();
    void CloseHandle();
    bool TakeShareLock(bool exclusive);
    bool OverlapsOwnLock(std::int64_t offset, std::int64_t length) const;
    // pwrite until done or refused; the count written.
    std::int64_t WriteFully(std::int64_t offset, const void* buffer, std::int64_t count);

    std::string fileName_;
    bool inMemory_ = false;
    std::shared_ptr<TMemoryFile> memoryFile_;
    int handle_ = -1;
    bool exclusive_ = false;
    bool readOnly_ = false;
    bool readOnlyAttribute_ = false;
    bool open_ = false;
    bool writeThrough_ = false;
    std::int64_t position_ = 0;
    TWriteJournal* journal_ = nullptr;
    // Protocol ranges this disk handle holds (the share-mode range is not
    // listed). Needed because the operating system neither refuses a handle's
    // own overlapping lock nor reports unlocking a range that is not held.
    std::vector<TRange> diskLocks_;
};

} // namespace tabula
