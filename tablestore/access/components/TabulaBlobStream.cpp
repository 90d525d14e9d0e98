// TTabulaBlobStream: BLOB field contents of a dataset record.
#include "TabulaBlobStream.h"

#include "AccessMessages.h"
#include "ApplicationHandler.h"
#include "DataFile.h"
#include "EngineCodes.h"
#include "EngineError.h"
#include "TabulaDataSet.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace tabula {

namespace {

// The BLOB value bytes hold a negated handle while the BLOB is open.
bool HoldsOpenBlob(TDataFile& file, int fieldNumber, std::span<const std::uint8_t> image) {
    const TFieldRead read = file.ReadField(fieldNumber, image);
    if (read.value.size() < 4)
        return false;
    std::int32_t value = 0;
    std::memcpy(&value, read.value.data(), 4);
    return value < 0;
}

void Check(TDataFile& file, int code) {
    if (code != 0)
        RaiseEngineError(code, file.FileName());
}

} // namespace

TTabulaBlobStream::TTabulaBlobStream(TTabulaDataSet& dataSet, TField& field, TBlobStreamMode mode)
    : dataSet_(dataSet), field_(field) {
    TDataFile* file = dataSet_.Cursor();
    std::uint8_t* buffer = dataSet_.BlobBuffer();
    if (!file || !buffer || field_.FieldNo() <= 0)
        return;
    const std::span<std::uint8_t> image{buffer, dataSet_.ImageSize()};
    if (HoldsOpenBlob(*file, field_.FieldNo(), image)) {
        buffer_ = buffer;
        return;
    }
    if (mode != TBlobStreamMode::bmRead) {
        if (field_.ReadOnly)
            msg::Raise(msg::kFieldReadOnly, field_.FieldName());
        if (dataSet_.State() != TDataSetState::dsEdit &&
            dataSet_.State() != TDataSetState::dsInsert)
            msg::Raise(msg::kNotEditing);
    }
    Check(*file, file->OpenBlob(field_.FieldNo(), image, 0));
    buffer_ = buffer;
    opened_ = true;
    if (mode == TBlobStreamMode::bmWrite) {
        const int rc = file->TruncateBlob(field_.FieldNo(), image, 0);
        if (rc != 0) {
            file->FreeBlob(field_.FieldNo(), image);
            buffer_ = nullptr;
            Check(*file, rc);
        }
    }
}

TTabulaBlobStream::~TTabulaBlobStream() {
    TDataFile* file = dataSet_.Cursor();
    if (!buffer_ || !file)
        return;
    if (opened_ && !wrote_)
        file->FreeBlob(field_.FieldNo(), Image());
    if (wrote_) {
        try {
            dataSet_.DataEvent(TDataEvent::deFieldChange, &field_);
        } catch (const std::exception& error) {
            HandleApplicationException(error);
        }
    }
}

std::span<std::uint8_t> TTabulaBlobStream::Image() const {
    return {buffer_, dataSet_.ImageSize()};
}

std::int64_t TTabulaBlobStream::Read(void* buffer, std::int64_t count) {
    TDataFile* file = dataSet_.Cursor();
    if (!buffer_ || !file || count <= 0 || position_ > std::numeric_limits<std::uint32_t>::max())
        return 0;
    const auto want = static_cast<std::uint32_t>(
        std::min<std::int64_t>(count, std::numeric_limits<std::uint32_t>::max()));
    std::uint32_t got = 0;
    const int rc = file->ReadBlob(field_.FieldNo(), Image(), static_cast<std::uint32_t>(position_),
                                  want, buffer, got);
    if (rc == kErrInvalidBlobOffset)
        return 0;
    if (rc != 0 && rc != kErrEndOfBlob)
        Check(*file, rc);
    position_ += got;
    return got;
}

std::int64_t TTabulaBlobStream::Write(const void* buffer, std::int64_t count) {
    TDataFile* file = dataSet_.Cursor();
    if (!buffer_ || !file || count <= 0)
        return 0;
    if (position_ + count > std::numeric_limits<std::uint32_t>::max())
        Check(*file, kErrInvalidBlobLength);
    Check(*file, file->WriteBlob(field_.FieldNo(), Image(), static_cast<std::uint32_t>(position_),
                                 static_cast<std::uint32_t>(count), buffer));
    position_ += count;
    wrote_ = true;
    return count;
}

std::int64_t TTabulaBlobStream::Seek(std::int64_t offset, TStreamOrigin origin) {
    TDataFile* file = dataSet_.Cursor();
    std::int64_t base = 0;
    if (origin == TStreamOrigin::soCurrent) {
        base = position_;
    } else if (origin == TStreamOrigin::soEnd) {
        std::uint32_t length = 0;
        if (buffer_ && file)
            Check(*file, file->GetBlobSize(field_.FieldNo(), Image(), length));
        base = length;
    }
    position_ = std::max<std::int64_t>(0, base + offset);
    return position_;
}

} // namespace tabula
