// TFileSystem: the operating-system calls behind every disk file of the
// engine - open, close, positioned read and write, truncate, sync, size and
// open-file-description byte-range locks - behind one interface, so that a
// test can put a file system in between that fails chosen calls.
//
// The calls keep POSIX conventions (a descriptor or -1, a byte count or -1,
// 0 or -1, with errno set on failure), so TFileHandler maps failures exactly
// as it maps the system's own.
//
// FileSystem() is the process's current file system: the POSIX one unless
// a test installed another with SetFileSystem. Installing is not
// synchronised with running file operations; tests install before they
// open tables and restore (SetFileSystem(nullptr)) when done.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>

namespace tabula {

class TFileSystem {
public:
    virtual ~TFileSystem() = default;

    virtual int Open(const std::string& path, int flags, int mode) = 0;
    virtual int Close(int fd) = 0;
    virtual ssize_t ReadAt(int fd, void* buffer, std::size_t count, std::int64_t offset) = 0;
    virtual ssize_t WriteAt(int fd, const void* buffer, std::size_t count, std::int64_t offset) = 0;
    virtual int Truncate(int fd, std::int64_t length) = 0;
    virtual int Sync(int fd) = 0;
    // The file's length, or -1.
    virtual std::int64_t Size(int fd) = 0;
    // Places (type F_RDLCK / F_WRLCK) or removes (F_UNLCK) an
    // open-file-description lock without waiting; false when refused.
    virtual bool SetLock(int fd, short type, std::int64_t offset, std::int64_t length) = 0;
    // True when another open file description holds a lock overlapping the range.
    virtual bool LockedByOther(int fd, std::int64_t offset, std::int64_t length) = 0;
};

// The plain system calls.
class TPosixFileSystem : public TFileSystem {
public:
    int Open(const std::string& path, int flags, int mode) override;
    int Close(int fd) override;
    ssize_t ReadAt(int fd, void* buffer, std::size_t count, std::int64_t offset) override;
    ssize_t WriteAt(int fd, const void* buffer, std::size_t count, std::int64_t offset) override;
    int Truncate(int fd, std::int64_t length) override;
    int Sync(int fd) override;
    std::int64_t Size(int fd) override;
    bool SetLock(int fd, short type, std::int64_t offset, std::int64_t length) override;
    bool LockedByOther(int fd, std::int64_t offset, std::int64_t length) override;
};

TFileSystem& FileSystem();
// Installs a file system (not owned; it must outlive its use); nullptr
// brings back the POSIX one.
void SetFileSystem(TFileSystem* fileSystem);

} // namespace tabula
