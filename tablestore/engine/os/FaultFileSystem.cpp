// TFaultFileSystem: counting and failing writes, syncs and truncations.
#include "FaultFileSystem.h"

namespace tabula {

void TFaultFileSystem::FailAt(TFaultKind kind, int number, bool persistent, int error) {
    armed_ = true;
    kind_ = kind;
    number_ = number;
    persistent_ = persistent;
    failing_ = false;
    error_ = error;
}

void TFaultFileSystem::ShortenWrite(int number) {
    shortWrite_ = number;
}

void TFaultFileSystem::Clear() {
    armed_ = false;
    failing_ = false;
    shortWrite_ = 0;
    failures_ = 0;
}

bool TFaultFileSystem::Fails(TFaultKind kind) {
    int n = 0;
    switch (kind) {
    case TFaultKind::Write:
        n = ++counts_.writes;
        break;
    case TFaultKind::Sync:
        n = ++counts_.syncs;
        break;
    case TFaultKind::Truncate:
        n = ++counts_.truncates;
        break;
    }
    bool fail = failing_;
    if (armed_ && kind == kind_ && n == number_) {
        fail = true;
        failing_ = persistent_;
    }
    if (fail) {
        ++failures_;
        errno = error_;
    }
    return fail;
}

int TFaultFileSystem::Open(const std::string& path, int flags, int mode) {
    return base_.Open(path, flags, mode);
}

int TFaultFileSystem::Close(int fd) {
    return base_.Close(fd);
}

ssize_t TFaultFileSystem::ReadAt(int fd, void* buffer, std::size_t count, std::int64_t offset) {
    return base_.ReadAt(fd, buffer, count, offset);
}

ssize_t TFaultFileSystem::WriteAt(int fd, const void* buffer, std::size_t count,
                                  std::int64_t offset) {
    if (Fails(TFaultKind::Write))
        return -1;
    if (shortWrite_ != 0 && counts_.writes == shortWrite_ && count > 1)
        count /= 2;
    return base_.WriteAt(fd, buffer, count, offset);
}

int TFaultFileSystem::Truncate(int fd, std::int64_t length) {
    return Fails(TFaultKind::Truncate) ? -1 : base_.Truncate(fd, length);
}

int TFaultFileSystem::Sync(int fd) {
    return Fails(TFaultKind::Sync) ? -1 : base_.Sync(fd);
}

std::int64_t TFaultFileSystem::Size(int fd) {
    return base_.Size(fd);
}

bool TFaultFileSystem::SetLock(int fd, short type, std::int64_t offset, std::int64_t length) {
    return base_.SetLock(fd, type, offset, length);
}

bool TFaultFileSystem::LockedByOther(int fd, std::int64_t offset, std::int64_t length) {
    return base_.LockedByOther(fd, offset, length);
}

} // namespace tabula
