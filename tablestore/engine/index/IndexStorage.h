// TIndexStorage: the byte-level seam between the index file's page cache and
// the file that holds the pages. Positioned reads and writes only; the index
// file does its own paging and scrambling on top. TMemoryIndexStorage keeps
// the bytes in a buffer that several storages may share, so a test can close
// and reopen "the same file".
//
// Not thread-safe; the owning index file is used by one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace tabula {

class TIndexStorage {
public:
    virtual ~TIndexStorage() = default;
    // Reads up to n bytes at offset; returns the number read (short at the end).
    virtual std::size_t ReadAt(std::int64_t offset, std::uint8_t* buffer, std::size_t n) = 0;
    // Writes n bytes at offset, growing the file as needed; throws on failure.
    virtual void WriteAt(std::int64_t offset, const std::uint8_t* buffer, std::size_t n) = 0;
    virtual void Truncate(std::int64_t length) = 0;
    virtual std::int64_t Size() = 0;
};

class TFileHandler;

// The index file's bytes in a table file reached through the engine's file
// handler (disk or in-memory file). The handler must be open.
class TFileIndexStorage : public TIndexStorage {
public:
    explicit TFileIndexStorage(TFileHandler& file) : file_(file) {}

    std::size_t ReadAt(std::int64_t offset, std::uint8_t* buffer, std::size_t n) override;
    void WriteAt(std::int64_t offset, const std::uint8_t* buffer, std::size_t n) override;
    void Truncate(std::int64_t length) override;
    std::int64_t Size() override;

private:
    TFileHandler& file_;
};

class TMemoryIndexStorage : public TIndexStorage {
public:
    TMemoryIndexStorage() : bytes_(std::make_shared<std::vector<std::uint8_t>>()) {}
    explicit TMemoryIndexStorage(std::shared_ptr<std::vector<std::uint8_t>> bytes)
        : bytes_(std::move(bytes)) {}

    std::size_t ReadAt(std::int64_t offset, std::uint8_t* buffer, std::size_t n) override;
    void WriteAt(std::int64_t offset, const std::uint8_t* buffer, std::size_t n) override;
    void Truncate(std::int64_t length) override;
    std::int64_t Size() override { return static_cast<std::int64_t>(bytes_->size()); }

    const std::shared_ptr<std::vector<std::uint8_t>>& Bytes() const { return bytes_; }
    // Number of WriteAt calls so far (commits merge adjacent pages into one).
    int WriteCount() const { return writes_; }

private:
    std::shared_ptr<std::vector<std::uint8_t>> bytes_;
    int writes_ = 0;
};

} // namespace tabula
