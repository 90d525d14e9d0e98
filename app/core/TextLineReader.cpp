// TTextLineReader: see TextLineReader.h for the line rules.
#include "TextLineReader.h"

#include "InOutError.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace morvane {

namespace {
constexpr char kCR = 13;
constexpr char kLF = 10;
constexpr char kCtrlZ = 26;
} // namespace

TTextLineReader::TTextLineReader(const std::string& path) : buffer_(kBufferSize) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
        throw EInOutError::FromOpenErrno(errno);
    }
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        throw EInOutError::FromOpenErrno(EISDIR);
    }
}

TTextLineReader::~TTextLineReader() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool TTextLineReader::Fill() {
    if (eof_) {
        return false;
    }
    pos_ = 0;
    end_ = 0;
    for (;;) {
        const ssize_t n = ::read(fd_, buffer_.data(), buffer_.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw EInOutError::ReadError();
        }
        if (n == 0) {
            eof_ = true;
            return false;
        }
        end_ = static_cast<std::size_t>(n);
        // A Ctrl-Z ends the file: keep only what stands before it.
        if (const void* z = std::memchr(buffer_.data(), kCtrlZ, end_)) {
            end_ = static_cast<std::size_t>(static_cast<const char*>(z) - buffer_.data());
            eof_ = true;
            if (end_ == 0) {
                return false;
            }
        }
        return true;
    }
}

bool TTextLineReader::ReadLine(std::string& line) {
    std::size_t length = 0;
    return ReadLine(line, line.max_size(), length);
}

bool TTextLineReader::ReadLine(std::string& line, std::size_t maxKeep, std::size_t& length) {
    line.clear();
    length = 0;
    bool any = false; // a line exists once any byte (or its line end) is seen
    auto keep = [&](const char* start, std::size_t n) {
        if (line.size() < maxKeep) {
            const std::size_t room = maxKeep - line.size();
            line.append(start, n < room ? n : room);
        }
        length += n;
    };
    for (;;) {
        if (pos_ == end_ && !Fill()) {
            pendingLf_ = false;
            return any;
        }
        if (pendingLf_) {
            pendingLf_ = false;
            if (buffer_[pos_] == kLF) {
                ++pos_;
                continue;
            }
        }
        const char* start = buffer_.data() + pos_;
        const std::size_t avail = end_ - pos_;
        const void* cr = std::memchr(start, kCR, avail);
        if (cr == nullptr) {
            keep(start, avail);
            pos_ = end_;
            any = true;
            continue;
        }
        const std::size_t len = static_cast<std::size_t>(static_cast<const char*>(cr) - start);
        keep(start, len);
        pos_ += len + 1;
        if (pos_ < end_) {
            if (buffer_[pos_] == kLF) {
                ++pos_;
            }
        } else {
            pendingLf_ = true;
        }
        return true;
    }
}

} // namespace morvane
