// The temporary copy, its digest and the hashed output file.
//
// Both files are built under a temporary name in their own folder and renamed
// into place only when complete, so a reader of either path sees the previous
// file or the whole new one, never a partial one; a failure removes the
// temporary and leaves the path as it was. The output file, which goes to the
// bank, is also flushed to disk before the rename.
#include "HashedOutput.h"

#include "InOutError.h"
#include "TextLineReader.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace morvane {

namespace {

// Files are hashed in reads of this size.
constexpr std::size_t kHashReadSize = 8192;
// Written text is gathered into blocks of this size before each write().
constexpr std::size_t kWriteBufferSize = std::size_t{1} << 20;
// Every written line ends with CR LF.
constexpr char kLineEnd[2] = {13, 10};
// The temporary name is "." + (at most this much of) the final name + "." +
// kTempSuffixLength random characters, so it stays within NAME_MAX.
constexpr std::size_t kTempNameStemMax = 200;
constexpr std::size_t kTempSuffixLength = 8;
constexpr int kTempNameAttempts = 100;
// New files get the usual permissions, narrowed by the process's umask.
constexpr mode_t kNewFileMode = 0666;

// Creating a file reports a missing folder as ENOENT; for the user that is a
// missing path, not a missing file.
EInOutError CreateError(int err) {
    return EInOutError::FromOpenErrno(err == ENOENT ? ENOTDIR : err);
}

void SplitPath(const std::string& path, std::string& dir, std::string& name) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        dir = ".";
        name = path;
    } else {
        dir = slash == 0 ? "/" : path.substr(0, slash);
        name = path.substr(slash + 1);
    }
}

// A new file under a temporary name beside `finalPath`, written through a
// buffer and renamed onto `finalPath` by Commit().
//
// States: Writing --Commit()--> Committed (the file is at finalPath)
//         Writing --destructor or failed Commit()--> Discarded (temporary removed)
class TAtomicFile {
public:
    TAtomicFile(const std::string& finalPath, bool durable)
        : finalPath_(finalPath), durable_(durable) {
        buffer_.reserve(kWriteBufferSize);
        std::string dir, name;
        SplitPath(finalPath, dir, name);
        dir_ = dir;
        static constexpr char kChars[] =
            "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
        std::random_device seed;
        std::minstd_rand random(seed());
        std::uniform_int_distribution<std::size_t> pick(0, sizeof kChars - 2);
        for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
            std::string candidate =
                (dir == "/" ? "" : dir) + "/." + name.substr(0, kTempNameStemMax) + ".";
            for (std::size_t i = 0; i < kTempSuffixLength; ++i) {
                candidate += kChars[pick(random)];
            }
            fd_ = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode);
            if (fd_ >= 0) {
                tempPath_ = std::move(candidate);
                return;
            }
            if (errno != EEXIST) {
                throw CreateError(errno);
            }
        }
        throw CreateError(EEXIST);
    }

    ~TAtomicFile() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        if (!committed_) {
            ::unlink(tempPath_.c_str());
        }
    }

    TAtomicFile(const TAtomicFile&) = delete;
    TAtomicFile& operator=(const TAtomicFile&) = delete;

    void Write(const char* data, std::size_t size) {
        if (buffer_.size() + size > kWriteBufferSize) {
            Flush();
            if (size >= kWriteBufferSize) {
                WriteAll(data, size);
                return;
            }
        }
        buffer_.insert(buffer_.end(), data, data + size);
    }

    void WriteLine(const std::string& line) {
        Write(line.data(), line.size());
        Write(kLineEnd, sizeof kLineEnd);
    }

    void Commit() {
        Flush();
        if (durable_ && ::fsync(fd_) != 0) {
            throw EInOutError::WriteError();
        }
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) {
            throw EInOutError::WriteError();
        }
        if (::rename(tempPath_.c_str(), finalPath_.c_str()) != 0) {
            throw CreateError(errno);
        }
        committed_ = true;
        if (durable_) {
            // Make the rename itself survive a crash; a folder that cannot be
            // synced (some file systems refuse) does not undo the write.
            const int dirFd = ::open(dir_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (dirFd >= 0) {
                ::fsync(dirFd);
                ::close(dirFd);
            }
        }
    }

private:
    void Flush() {
        WriteAll(buffer_.data(), buffer_.size());
        buffer_.clear();
    }

    void WriteAll(const char* data, std::size_t size) {
        while (size > 0) {
            const ssize_t n = ::write(fd_, data, size);
            if (n < 0) {
                if (errno == EINTR) {
                    continue;
                }
                throw EInOutError::WriteError();
            }
            data += n;
            size -= static_cast<std::size_t>(n);
        }
    }

    std::string finalPath_;
    std::string dir_;
    std::string tempPath_;
    bool durable_;
    int fd_ = -1;
    bool committed_ = false;
    std::vector<char> buffer_;
};

// Copies every line of `reader` into `out`, each with CR LF.
void CopyLines(TTextLineReader& reader, TAtomicFile& out) {
    std::string line;
    while (reader.ReadLine(line)) {
        out.WriteLine(line);
    }
}

} // namespace

bool HashFile(const std::string& path, TSha1Digest& digest) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return false;
    }
    TSha1Context context;
    Sha1Init(context);
    std::uint8_t block[kHashReadSize];
    // A block shorter than kHashReadSize is the file's last one; a file whose
    // size is a multiple of it ends with an empty read that adds nothing.
    for (;;) {
        std::size_t filled = 0;
        while (filled < kHashReadSize) {
            const ssize_t n = ::read(fd, block + filled, kHashReadSize - filled);
            if (n < 0) {
                if (errno == EINTR) {
                    continue;
                }
                ::close(fd);
                throw EInOutError::ReadError();
            }
            if (n == 0) {
                break;
            }
            filled += static_cast<std::size_t>(n);
        }
        Sha1Update(context, block, filled);
        if (filled < kHashReadSize) {
            break;
        }
    }
    ::close(fd);
    Sha1Final(context, digest);
    return true;
}

std::string DigestText(const TSha1Digest& digest) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(2 * digest.size());
    for (const std::uint8_t byte : digest) {
        text += kHex[byte >> 4];
        text += kHex[byte & 0x0F];
    }
    return text;
}

void WriteTempCopy(const std::string& inputPath, const std::string& tempPath) {
    // The input is opened first: a missing input leaves the old copy alone.
    // Writing under a temporary name also keeps the input intact when it is
    // the copy itself.
    TTextLineReader reader(inputPath);
    TAtomicFile out(tempPath, /*durable=*/false);
    CopyLines(reader, out);
    out.Commit();
}

void WriteOutputFile(const std::string& digestText, const std::string& tempPath,
                     const std::string& outputPath) {
    // The copy's lines are read and written again rather than its bytes copied
    // as a block: for a copy as WriteTempCopy leaves it (every line ended by
    // CR LF, no Ctrl-Z) both give the same bytes, and for a copy changed by
    // someone else in the meantime the output still keeps the file's line rules.
    TTextLineReader reader(tempPath);
    TAtomicFile out(outputPath, /*durable=*/true);
    out.WriteLine(digestText);
    CopyLines(reader, out);
    out.Commit();
}

} // namespace morvane
