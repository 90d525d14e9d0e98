// The temporary copy, its digest and the hashed output file.
//
// Both files carry the lines of their source, each ended by CR LF, under the
// text-file line rules: a line ends at CR, an LF right after the CR belongs to
// that line end, a lone LF is an ordinary byte, a Ctrl-Z ends the input, and a
// last line without a line end still gets one. TLineEndRewriter applies those
// rules to the byte stream itself, block by block, so memory stays bounded by
// the block size even for a file without any CR (one single huge line), and a
// source whose lines already end in CR LF passes through in whole blocks. The
// result is byte for byte what reading the source with TTextLineReader and
// writing every line with CR LF gives.
//
// The output file, which goes to the bank, is built under a temporary name in
// its destination folder, flushed to disk and renamed into place only when
// complete, so the path holds the previous file or the whole new one, never a
// partial one; a failure removes the temporary file. The temporary copy is
// also built under a temporary name and put in place of the old copy only when
// complete (without the flush: it is scratch), which keeps the source intact
// even when it is the copy itself, and the old copy when the rewrite fails.
#include "HashedOutput.h"

#include "InOutError.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace morvane {

namespace {

// Files are added to the digest in pieces of kHashPieceSize bytes; a read
// fetches kHashPiecesPerRead pieces at once, which saves most of the system
// calls (a digest does not depend on how its bytes are split).
constexpr std::size_t kHashPieceSize = 8192;
constexpr std::size_t kHashPiecesPerRead = 32;
constexpr std::size_t kHashReadSize = kHashPieceSize * kHashPiecesPerRead;
// Sources are rewritten in blocks of this size; output smaller than it is
// gathered into a buffer of the same size before each write().
constexpr std::size_t kBlockSize = std::size_t{1} << 20;
// A durable file's written data is handed to the disk every this many bytes,
// so that the flush before the rename finds little left to do.
constexpr off_t kWritebackStep = off_t{16} << 20;

constexpr char kCR = 13;
constexpr char kLF = 10;
constexpr char kCtrlZ = 26;
constexpr char kLineEnd[2] = {kCR, kLF};

// The temporary name is "." + (at most kTempNameStemMax bytes of) the final
// name + "." + kTempSuffixLength random characters, within NAME_MAX.
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

// A source file read in blocks up to (not including) its first Ctrl-Z.
class TSourceFile {
public:
    explicit TSourceFile(const std::string& path) {
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd_ < 0) {
            throw EInOutError::FromOpenErrno(errno);
        }
        struct stat st {};
        if (::fstat(fd_, &st) != 0 || S_ISDIR(st.st_mode)) {
            ::close(fd_);
            throw EInOutError::FromOpenErrno(EISDIR);
        }
#ifdef POSIX_FADV_SEQUENTIAL
        ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
    }
    ~TSourceFile() {
        ::close(fd_);
    }
    TSourceFile(const TSourceFile&) = delete;
    TSourceFile& operator=(const TSourceFile&) = delete;

    // Reads the next block into `buffer`; returns its length, 0 at the end.
    std::size_t Read(char* buffer, std::size_t size) {
        if (ended_) {
            return 0;
        }
        for (;;) {
            const ssize_t n = ::read(fd_, buffer, size);
            if (n < 0) {
                if (errno == EINTR) {
                    continue;
                }
                throw EInOutError::ReadError();
            }
            auto length = static_cast<std::size_t>(n);
            if (const void* z = std::memchr(buffer, kCtrlZ, length)) {
                length = static_cast<std::size_t>(static_cast<const char*>(z) - buffer);
                ended_ = true;
            }
            if (n == 0) {
                ended_ = true;
            }
            return length;
        }
    }

private:
    int fd_ = -1;
    bool ended_ = false; // end of file or Ctrl-Z reached
};

// A new file under a temporary name beside `finalPath`, written through a
// buffer and renamed onto `finalPath` by Commit().
//
// States: Writing --Commit()--> Committed (the file is at finalPath)
//         Writing --destructor, or a failure in Commit()--> Discarded
//         (the temporary file is removed, finalPath is untouched)
class TAtomicFile {
public:
    // durable: flush the data to disk before the rename, and the folder after.
    TAtomicFile(const std::string& finalPath, bool durable)
        : finalPath_(finalPath), durable_(durable) {
        buffer_.reserve(kBlockSize);
        std::string name;
        SplitPath(finalPath, dir_, name);
        static constexpr char kChars[] =
            "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
        std::random_device seed;
        std::minstd_rand random(seed());
        std::uniform_int_distribution<std::size_t> pick(0, sizeof kChars - 2);
        const std::string stem =
            (dir_ == "/" ? "" : dir_) + "/." + name.substr(0, kTempNameStemMax) + ".";
        for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
            std::string candidate = stem;
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
        if (buffer_.size() + size > kBlockSize || size >= kBlockSize) {
            Flush();
            if (size >= kBlockSize) {
                WriteAll(data, size); // a whole block goes out without a copy
                return;
            }
        }
        buffer_.insert(buffer_.end(), data, data + size);
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
        if (!durable_) {
            // Renaming onto an existing file makes some file systems (ext4's
            // replace-by-rename safeguard) push the new file's data to disk on
            // the spot, a whole disk write of a file that need not survive a
            // crash. Removing the old file first avoids that; should this
            // removal fail, the rename below reports the reason.
            ::unlink(finalPath_.c_str());
        }
        if (::rename(tempPath_.c_str(), finalPath_.c_str()) != 0) {
            throw CreateError(errno);
        }
        committed_ = true;
        if (durable_) {
            // Make the rename itself survive a crash. A folder that cannot be
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
            written_ += n;
        }
#ifdef SYNC_FILE_RANGE_WRITE
        // Start the disk writes of what is complete while the rest is still
        // being produced; the flush in Commit() then waits for little.
        if (durable_ && written_ - handedOver_ >= kWritebackStep) {
            ::sync_file_range(fd_, handedOver_, written_ - handedOver_, SYNC_FILE_RANGE_WRITE);
            handedOver_ = written_;
        }
#endif
    }

    std::string finalPath_;
    std::string dir_;
    std::string tempPath_;
    bool durable_;
    int fd_ = -1;
    bool committed_ = false;
    off_t written_ = 0;    // bytes written to the file so far
    off_t handedOver_ = 0; // bytes whose disk write has been started
    std::vector<char> buffer_;
};

// Rewrites a byte stream (already cut at its Ctrl-Z) with CR LF after every
// line. Feed() takes consecutive blocks; Finish() ends the last line.
//
// State carried between blocks: skipLf_ (the previous block ended with a CR,
// so an LF opening this block belongs to that line end) and lineOpen_ (bytes
// have been passed since the last line end).
class TLineEndRewriter {
public:
    explicit TLineEndRewriter(TAtomicFile& out) : out_(out) {}

    void Feed(const char* p, std::size_t n) {
        std::size_t i = 0;
        if (skipLf_ && n > 0) {
            skipLf_ = false;
            if (p[0] == kLF) {
                i = 1;
            }
        }
        // [spanStart, i) is passed on unchanged; runs of lines that already
        // end in CR LF stay inside one span.
        std::size_t spanStart = i;
        while (i < n) {
            const void* found = std::memchr(p + i, kCR, n - i);
            if (found == nullptr) {
                lineOpen_ = true;
                i = n;
                break;
            }
            const auto cr = static_cast<std::size_t>(static_cast<const char*>(found) - p);
            lineOpen_ = false;
            if (cr + 1 < n && p[cr + 1] == kLF) {
                i = cr + 2;
                continue;
            }
            // A CR alone (or, at the block's end, a CR whose LF may open the
            // next block): pass the line with its CR and add the LF.
            out_.Write(p + spanStart, cr + 1 - spanStart);
            out_.Write(&kLF, 1);
            i = cr + 1;
            spanStart = i;
            if (i == n) {
                skipLf_ = true;
            }
        }
        out_.Write(p + spanStart, n - spanStart);
    }

    void Finish() {
        if (lineOpen_) {
            out_.Write(kLineEnd, sizeof kLineEnd);
            lineOpen_ = false;
        }
        skipLf_ = false;
    }

private:
    TAtomicFile& out_;
    bool skipLf_ = false;
    bool lineOpen_ = false;
};

void CopyLines(TSourceFile& source, TAtomicFile& out) {
    std::vector<char> block(kBlockSize);
    TLineEndRewriter rewriter(out);
    while (const std::size_t n = source.Read(block.data(), block.size())) {
        rewriter.Feed(block.data(), n);
    }
    rewriter.Finish();
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
    std::vector<std::uint8_t> block(kHashReadSize);
    // A read shorter than kHashReadSize reaches the file's end; a file whose
    // size is a multiple of it ends with an empty read that adds nothing.
    for (;;) {
        std::size_t filled = 0;
        while (filled < kHashReadSize) {
            const ssize_t n = ::read(fd, block.data() + filled, kHashReadSize - filled);
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
        for (std::size_t at = 0; at < filled; at += kHashPieceSize) {
            Sha1Update(context, block.data() + at, std::min(kHashPieceSize, filled - at));
        }
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
    TSourceFile source(inputPath);
    TAtomicFile out(tempPath, /*durable=*/false);
    CopyLines(source, out);
    out.Commit();
}

void WriteOutputFile(const std::string& digestText, const std::string& tempPath,
                     const std::string& outputPath) {
    // The copy goes through the same line rewrite as the input did. For a copy
    // as WriteTempCopy leaves it (every line ended by CR LF, no Ctrl-Z) that
    // passes its bytes through unchanged, so the digest line covers exactly
    // the bytes behind it; a copy changed by someone else in the meantime
    // still comes out under the line rules.
    TSourceFile source(tempPath);
    TAtomicFile out(outputPath, /*durable=*/true);
    out.Write(digestText.data(), digestText.size());
    out.Write(kLineEnd, sizeof kLineEnd);
    CopyLines(source, out);
    out.Commit();
}

} // namespace morvane
