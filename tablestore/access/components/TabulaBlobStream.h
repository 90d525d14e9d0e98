// TTabulaBlobStream: a byte stream over one BLOB field of a dataset's active
// record buffer, through the data file's BLOB operations.
//
// States:
//   unusable   no record buffer was available at creation: reads and
//              writes transfer nothing
//   open       the BLOB is open in the buffer (the field's value bytes hold
//              the open handle); reads and writes move the position
// Creating the stream opens the BLOB unless the buffer already holds it
// open (an earlier stream wrote it and it is not posted yet); a write
// stream also truncates it to length 0. Destroying the stream: when it
// wrote, the field is reported changed and the BLOB stays open in the buffer
// until post or cancel saves or drops it; when nothing opened it before and
// nothing was written, the BLOB is released again.
#pragma once

#include "DataSet.h"
#include "Stream.h"

#include <cstdint>
#include <span>

namespace tabula {

class TTabulaDataSet;

class TTabulaBlobStream : public TStream {
public:
    TTabulaBlobStream(TTabulaDataSet& dataSet, TField& field, TBlobStreamMode mode);
    ~TTabulaBlobStream() override;

    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, TStreamOrigin origin) override;

private:
    std::span<std::uint8_t> Image() const;

    TTabulaDataSet& dataSet_;
    TField& field_;
    std::uint8_t* buffer_ = nullptr;
    bool opened_ = false; // this stream opened the BLOB
    bool wrote_ = false;
    std::int64_t position_ = 0;
};

} // namespace tabula
