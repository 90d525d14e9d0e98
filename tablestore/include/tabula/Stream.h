// TStream: the byte stream through which BLOB field contents are read and
// written, and TStringStream, a stream over a text held in memory.
//
// A stream has a position from 0; Read and Write move it by the bytes they
// transfer and answer that count. Seek answers the new position.
#pragma once

#include <cstdint>
#include <string>

namespace tabula {

// Named apart from the engine's file seek origin (FileHandler.h), since a
// source that uses both a dataset and a data file includes both headers.
enum class TStreamOrigin { soBeginning, soCurrent, soEnd };

class TStream {
public:
    virtual ~TStream() = default;
    virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
    virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
    virtual std::int64_t Seek(std::int64_t offset, TStreamOrigin origin) = 0;
    std::int64_t Size();
    // Everything from the start to the end.
    std::string ReadAll();
};

class TStringStream : public TStream {
public:
    explicit TStringStream(std::string data = {}) : data_(std::move(data)) {}
    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, TStreamOrigin origin) override;
    const std::string& Data() const { return data_; }
    std::string& Data() { return data_; }

private:
    std::string data_;
    std::int64_t position_ = 0;
};

} // namespace tabula
