// TPosixFileSystem and the process's current file system.
#include "FileSystem.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tabula {

namespace {

TPosixFileSystem& Posix() {
    static TPosixFileSystem posix;
    return posix;
}

std::atomic<TFileSystem*> current{nullptr};

struct flock Range(short type, std::int64_t offset, std::int64_t length) {
    struct flock fl;
    std::memset(&fl, 0, sizeof fl);
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(offset);
    fl.l_len = static_cast<off_t>(length);
    fl.l_pid = 0; // must be 0 for open-file-description locks
    return fl;
}

} // namespace

TFileSystem& FileSystem() {
    TFileSystem* fs = current.load(std::memory_order_acquire);
    return fs ? *fs : Posix();
}

void SetFileSystem(TFileSystem* fileSystem) {
    current.store(fileSystem, std::memory_order_release);
}

int TPosixFileSystem::Open(const std::string& path, int flags, int mode) {
    return ::open(path.c_str(), flags, mode);
}

int TPosixFileSystem::Close(int fd) {
    return ::close(fd);
}

ssize_t TPosixFileSystem::ReadAt(int fd, void* buffer, std::size_t count, std::int64_t offset) {
    return ::pread(fd, buffer, count, static_cast<off_t>(offset));
}

ssize_t TPosixFileSystem::WriteAt(int fd, const void* buffer, std::size_t count,
                                  std::int64_t offset) {
    return ::pwrite(fd, buffer, count, static_cast<off_t>(offset));
}

int TPosixFileSystem::Truncate(int fd, std::int64_t length) {
    return ::ftruncate(fd, static_cast<off_t>(length));
}

int TPosixFileSystem::Sync(int fd) {
    return ::fsync(fd);
}

std::int64_t TPosixFileSystem::Size(int fd) {
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return -1;
    return static_cast<std::int64_t>(st.st_size);
}

bool TPosixFileSystem::SetLock(int fd, short type, std::int64_t offset, std::int64_t length) {
    struct flock fl = Range(type, offset, length);
    int rc;
    do {
        rc = ::fcntl(fd, F_OFD_SETLK, &fl);
    } while (rc != 0 && errno == EINTR);
    return rc == 0;
}

bool TPosixFileSystem::LockedByOther(int fd, std::int64_t offset, std::int64_t length) {
    struct flock fl = Range(F_WRLCK, offset, length);
    return ::fcntl(fd, F_OFD_GETLK, &fl) == 0 && fl.l_type != F_UNLCK;
}

} // namespace tabula
