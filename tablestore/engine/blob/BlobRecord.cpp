// The BLOB operations of a table on a record image.
#include "BlobRecord.h"

#include "BlobFile.h"
#include "DataFileFormat.h"
#include "EngineCodes.h"
#include "EngineError.h"
#include "RecordImage.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <new>
#include <vector>

namespace tabula {

namespace {

// Runs f, turning an engine error (a descriptor outside the image) or an
// allocation failure into its code.
int Guard(const std::function<int()>& f) {
    try {
        return f();
    } catch (const ETabulaEngineError& e) {
        return e.Code();
    } catch (const std::bad_alloc&) {
        return kErrOutOfMemory;
    }
}

const TFieldDescriptor* BlobField(TBlobFile* file, std::span<const TFieldDescriptor> fields,
                                  int fieldNumber) {
    if (!file || fieldNumber < 1 || static_cast<std::size_t>(fieldNumber) > fields.size())
        return nullptr;
    const TFieldDescriptor& f = fields[static_cast<std::size_t>(fieldNumber - 1)];
    return f.type == datafmt::kFtBlob && !f.IsCalculated() ? &f : nullptr;
}

std::int32_t FieldValue(const TFieldDescriptor& field, std::span<const std::uint8_t> image) {
    TFieldRead r = ReadField(field, image);
    return r.value.size() >= 4 ? datafmt::GetI32(r.value.data()) : 0;
}

void PutValue(const TFieldDescriptor& field, std::span<std::uint8_t> image, std::int32_t value,
              bool present) {
    std::uint8_t bytes[4];
    datafmt::PutI32(bytes, value);
    WriteField(field, image, bytes);
    SetFieldPresent(field, image, present);
}

// The open buffer of the field, or null when the field holds no open handle
// of this field.
TBlobBuffer* OpenBuffer(TBlobFile& file, const TFieldDescriptor& field, int fieldNumber,
                        std::span<const std::uint8_t> image) {
    const std::int32_t v = FieldValue(field, image);
    if (v >= 0)
        return nullptr;
    TBlobBuffer* b = file.Buffer(-v);
    return b && b->fieldNumber == fieldNumber ? b : nullptr;
}

std::int32_t RecordNumberOf(std::span<const std::uint8_t> image) {
    return image.size() >= datafmt::kRecordPrefixSize
               ? datafmt::GetI32(image.data() + datafmt::kRecLink)
               : 0;
}

} // namespace

int OpenBlob(TBlobFile* file, std::span<const TFieldDescriptor> fields, int fieldNumber,
             std::span<std::uint8_t> image, int mode) {
    const TFieldDescriptor* f = BlobField(file, fields, fieldNumber);
    if (!f)
        return kErrInvalidBlobField;
    return Guard([&] {
        const std::int32_t v = FieldValue(*f, image);
        if (v < 0)
            return OpenBuffer(*file, *f, fieldNumber, image) ? 0 : kErrInvalidBlobOffset;
        int handle = 0;
        const int code = file->OpenBuffer(RecordNumberOf(image), fieldNumber, v, mode, handle);
        if (code != 0)
            return code;
        PutValue(*f, image, -handle, file->Buffer(handle)->Length() > 0);
        return 0;
    });
}

int FreeBlob(TBlobFile* file, std::span<const TFieldDescriptor> fields, int fieldNumber,
             std::span<std::uint8_t> image) {
    const TFieldDescriptor* f = BlobField(file, fields, fieldNumber);
    if (!f)
        return kErrInvalidBlobField;
    return Guard([&] {
        TBlobBuffer* b = OpenBuffer(*file, *f, fieldNumber, image);
        if (!b)
            return kErrInvalidBlobHandle;
        const std::int32_t first = b->firstBlock;
        file->FreeBuffer(-FieldValue(*f, image));
        PutValue(*f, image, first, first != 0);
        return 0;
    });
}

int ReadBlob(TBlobFile* file, std::span<const TFieldDescriptor> fields, int fieldNumber,
             std::span<std::uint8_t> image, std::uint32_t offset, std::uint32_t count,
             void* destination, std::uint32_t& bytesRead) {
    bytesRead = 0;
    const TFieldDescriptor* f = BlobField(file, fields, fieldNumber);
    return Guard([&] {
        TBlobBuffer* b = f ? OpenBuffer(*file, *f, fieldNumber, image) : nullptr;
        if (!b)
            return kErrInvalidBlobHandle;
        const std::uint64_t length = b->Length();
        if (offset < length) {
            bytesRead = static_cast<std::uint32_t>(std::min<std::uint64_t>(count, length - offset));
            std::memcpy(destination, b->data.data() + offset, bytesRead);
        }
        return static_cast<std::uint64_t>(offset) + count > length ? kErrEndOfBlob : 0;
    });
}

int WriteBlob(TBlobFile* file, std::span<const TFieldDescriptor> fields, int fieldNumber,
              std::span<std::uint8_t> image, std::uint32_t offset, std::uint32_t count,
              const void* source) {
    const TFieldDescriptor* f = BlobField(file, fields, fieldNumber);
    return Guard([&] {
        TBlobBuffer* b = f ? OpenBuffer(*file, *f, fieldNumber, image) : nullptr;
        if (!b)
            return kErrInvalidBlobHandle;
        const std::uint64_t end = static_cast<std::uint64_t>(offset) + count;
        if (end > file->MaxBlobLength())
            return kErrInvalidBlobLength;
        if (end > b->data.size())
            b->data.resize(end, 0);
        if (count > 0)
            std::memcpy(b->data.data() + offset, source, count);
        b->modified = true;
        SetFieldPresent(*f, image, b->Length() > 0);
        return 0;
    });
}

int TruncateBlob(TBlobFile* file, std::span<const TFieldDescriptor> fields, int fieldNumber,
                 std::span<std::uint8_t> image, std::uint32_t length) {
    const TFieldDescriptor* f = BlobField(file, fields, fieldNumber);
    return Guard([&] {
        TBlobBuffer* b = f ? OpenBuffer(*file, *f, fieldNumber, image) : nullptr;
        if (!b)
            return kErrInvalidBlobHandle;
        if (length > file->MaxBlobLength())
            return kErrInvalidBlobLength;
        b->data.resize(length, 0);
        b->modified = true;
        SetFieldPresent(*f, image, length > 0);
        return 0;
    });
}

int GetBlobSize(TBlobFile* file, std::span<const TFieldDescriptor> fields, int fieldNumber,
                std::span<std::uint8_t> image, std::uint32_t& length) {
    length = 0;
    const TFieldDescriptor* f = BlobField(file, fields, fieldNumber);
    return Guard([&] {
        TBlobBuffer* b = f ? OpenBuffer(*file, *f, fieldNumber, image) : nullptr;
        if (!b)
            return kErrInvalidBlobHandle;
        length = b->Length();
        return 0;
    });
}

int PrepareAppendBlobs(TBlobFile& file, std::span<const TFieldDescriptor> fields,
                       std::span<std::uint8_t> image, std::int32_t recordNumber) {
    return Guard([&] {
        for (std::size_t i = 0; i < fields.size(); ++i) {
            const int number = static_cast<int>(i + 1);
            const TFieldDescriptor* f = BlobField(&file, fields, number);
            if (!f)
                continue;
            const std::int32_t v = FieldValue(*f, image);
            if (v < 0) {
                if (!OpenBuffer(file, *f, number, image))
                    return kErrInvalidBlobOffset;
                file.SetBufferOwner(-v, recordNumber);
                continue;
            }
            if (v == 0)
                continue;
            std::int32_t owner = 0;
            if (int code = file.BlockOwner(v, owner); code != 0)
                return code;
            if (owner == recordNumber)
                continue;
            // A stored BLOB of another record: load it as that record's and
            // give the new record its own copy.
            int handle = 0;
            if (int code = file.OpenBuffer(owner, number, v, blobfmt::kOpenNormal, handle);
                code != 0)
                return code;
            file.SetBufferOwner(handle, recordNumber);
            PutValue(*f, image, -handle, file.Buffer(handle)->Length() > 0);
        }
        return 0;
    });
}

int SaveRecordBlobs(TBlobFile& file, std::span<const TFieldDescriptor> fields,
                    std::span<std::uint8_t> image) {
    return Guard([&] {
        std::vector<int> open;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            const int number = static_cast<int>(i + 1);
            const TFieldDescriptor* f = BlobField(&file, fields, number);
            if (!f || FieldValue(*f, image) >= 0)
                continue;
            if (!OpenBuffer(file, *f, number, image))
                return kErrInvalidBlobOffset;
            open.push_back(number);
        }
        for (int number : open) {
            const TFieldDescriptor& f = fields[static_cast<std::size_t>(number - 1)];
            const int handle = -FieldValue(f, image);
            if (int code = file.SaveBuffer(handle); code != 0)
                return code;
            const std::int32_t first = file.Buffer(handle)->firstBlock;
            file.FreeBuffer(handle);
            PutValue(f, image, first, first != 0);
        }
        return 0;
    });
}

int DeleteRecordBlobs(TBlobFile& file, std::span<const TFieldDescriptor> fields,
                      std::span<std::uint8_t> image) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const int number = static_cast<int>(i + 1);
        if (!BlobField(&file, fields, number))
            continue;
        int code = OpenBlob(&file, fields, number, image, blobfmt::kOpenForDelete);
        if (code == 0)
            code = TruncateBlob(&file, fields, number, image, 0);
        if (code == 0) {
            const std::int32_t handle =
                -FieldValue(fields[i], std::span<const std::uint8_t>(image));
            code = file.SaveBuffer(handle);
        }
        // Close the buffer whatever happened, so a failed delete leaks none.
        const int freed = FreeBlob(&file, fields, number, image);
        if (code == 0 && freed != 0)
            code = freed;
        if (code != 0)
            return code;
    }
    return 0;
}

void FlushBlobs(TBlobFile* file) {
    if (file)
        file->FreeAllBuffers();
}

} // namespace tabula
