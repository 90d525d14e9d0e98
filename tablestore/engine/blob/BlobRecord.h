// The BLOB operations of a table on a record image: what the record manager
// (TDataFile) offers its callers for BLOB fields, and what it runs on the
// BLOBs of a record when it appends, updates or deletes it.
//
// A BLOB field's 4 value bytes hold 0 (no BLOB), a positive first block
// number (a stored BLOB), or the negated handle of an open TBlobBuffer. While
// a BLOB is open its field is present exactly when the buffer's length is
// above 0.
//
// Every function returns an engine code (0 for success) instead of raising.
// `fields` are the table's working descriptors, `fieldNumber` is 1-based,
// `file` may be null for a table without a BLOB file (every field then
// answers kErrInvalidBlobField). Codes:
//   OpenBlob      kErrInvalidBlobField not a BLOB field; kErrInvalidBlobOffset the field holds a
//   handle that
//                 is not open; kErrTooManyBlobs a 65th open BLOB; load faults
//                 kErrBlobBuffersCorrupt, kErrEndOfBlob
//   FreeBlob      kErrInvalidBlobField; kErrInvalidBlobHandle the field holds no open handle
//   ReadBlob      kErrInvalidBlobHandle; kErrEndOfBlob when offset + count passes the end (the
//   bytes
//                 from offset to the end are still copied)
//   WriteBlob     kErrInvalidBlobHandle; kErrInvalidBlobLength past the largest length the file can
//   hold TruncateBlob  kErrInvalidBlobHandle; kErrInvalidBlobLength GetBlobSize
//   kErrInvalidBlobHandle
//
// Record life (called by TDataFile inside append, update and delete, under
// the write lock, on the record buffer that goes to the file):
//   append   PrepareAppendBlobs(file, fields, image, r) then
//            SaveRecordBlobs(file, fields, image)
//   update   SaveRecordBlobs(file, fields, image)
//   delete   DeleteRecordBlobs(file, fields, image)
//   close, cancel, FlushBlobs: FlushBlobs(file)
// SaveRecordBlobs leaves only block numbers in the image, so no open handle
// ever reaches the data file; the buffers it saved are closed, which keeps
// the 64 open BLOBs for editing. A caller's own copy of the image that still
// carries such a handle gets kErrInvalidBlobOffset (OpenBlob) or kErrInvalidBlobHandle afterwards,
// never another BLOB's data.
#pragma once

#include "FieldDescriptor.h"

#include <cstdint>
#include <span>

namespace tabula {

class TBlobFile;

int OpenBlob(TBlobFile* file, std::span<const TFieldDescriptor> fields, int fieldNumber,
             std::span<std::uint8_t> image, int mode);
int FreeBlob(TBlobFile* file, std::span<const TFieldDescriptor> fields, int fieldNumber,
             std::span<std::uint8_t> image);
int ReadBlob(TBlobFile* file, std::span<const TFieldDescriptor> fields, int fieldNumber,
             std::span<std::uint8_t> image, std::uint32_t offset, std::uint32_t count,
             void* destination, std::uint32_t& bytesRead);
int WriteBlob(TBlobFile* file, std::span<const TFieldDescriptor> fields, int fieldNumber,
              std::span<std::uint8_t> image, std::uint32_t offset, std::uint32_t count,
              const void* source);
int TruncateBlob(TBlobFile* file, std::span<const TFieldDescriptor> fields, int fieldNumber,
                 std::span<std::uint8_t> image, std::uint32_t length);
int GetBlobSize(TBlobFile* file, std::span<const TFieldDescriptor> fields, int fieldNumber,
                std::span<std::uint8_t> image, std::uint32_t& length);

// Makes record r the owner of the BLOBs of a record about to be appended:
// open BLOBs move to r; a stored BLOB that belongs to another record (an
// image copied from it) is loaded so that r gets a chain of its own.
int PrepareAppendBlobs(TBlobFile& file, std::span<const TFieldDescriptor> fields,
                       std::span<std::uint8_t> image, std::int32_t recordNumber);
// Saves every modified open BLOB of the image, writes the first block
// numbers into it and closes those buffers. Checks every handle before
// saving anything (kErrInvalidBlobOffset for one that is not open).
int SaveRecordBlobs(TBlobFile& file, std::span<const TFieldDescriptor> fields,
                    std::span<std::uint8_t> image);
// Frees the chains of a record being deleted (each BLOB opened for delete,
// truncated to 0 and saved); the image's BLOB fields become 0. A chain whose
// first block belongs to another record is left alone.
int DeleteRecordBlobs(TBlobFile& file, std::span<const TFieldDescriptor> fields,
                      std::span<std::uint8_t> image);
// Closes every open BLOB of the table without saving.
void FlushBlobs(TBlobFile* file);

} // namespace tabula
