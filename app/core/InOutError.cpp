// Mapping of operating-system errors onto the application's I/O messages.
#include "InOutError.h"

#include <cerrno>

namespace morvane {

namespace {
constexpr int kFileNotFound = 2;
constexpr int kPathNotFound = 3;
constexpr int kTooManyOpenFiles = 4;
constexpr int kAccessDenied = 5;
constexpr int kDiskReadError = 100;
constexpr int kDiskWriteError = 101;
} // namespace

EInOutError EInOutError::FromOpenErrno(int err) {
    switch (err) {
    case ENOENT:
        return EInOutError(kFileNotFound, "File not found");
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
        return EInOutError(kPathNotFound, "Path not found");
    case EMFILE:
    case ENFILE:
        return EInOutError(kTooManyOpenFiles, "Too many open files");
    case ENOSPC:
    case EDQUOT:
        return WriteError();
    default: // EACCES, EPERM, EROFS, EISDIR, ETXTBSY and the rest
        return EInOutError(kAccessDenied, "File access denied");
    }
}

EInOutError EInOutError::ReadError() { return EInOutError(kDiskReadError, "Disk read error"); }

EInOutError EInOutError::WriteError() { return EInOutError(kDiskWriteError, "Disk write error"); }

} // namespace morvane
