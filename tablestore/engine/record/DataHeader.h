// TDataHeader: the 127-byte header of a data file as a plain record.
//
// Decode and Encode convert between the record and the exact byte image
// (layout in DataFileFormat.h). The description and password are held in
// plain text here; in the image their characters are scrambled with the
// password key whenever the protection flag is set (their length bytes are
// always plain). Decode never fails: a length byte above its field's
// capacity is clamped when reading and remembered in the *LengthValid flags,
// so the open checks can report a damaged header instead of trusting it.
#pragma once

#include "DataFileFormat.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace tabula {

struct TDataHeader {
    std::int32_t changeCounter = 0;
    std::uint32_t blobBlockSize = 0; // as stored; see EffectiveBlobBlockSize
    std::uint8_t version = datafmt::kDataVersion;
    std::int32_t freeChainHead = 0;
    std::int32_t nextRecordNumber = 1;
    std::int32_t lastAutoIncrement = 0;
    std::uint16_t recordSize = 0;
    std::uint16_t fieldCount = 0;
    std::int16_t blobFieldCount = 0;
    double lastWriteTime = 0.0;
    std::string description; // plain text, up to 50 characters
    std::uint8_t protectedFlag = 0;
    std::string password; // plain text, up to 15 characters
    std::int16_t languageId = 0;
    std::uint16_t sortId = 0;
    std::int16_t calcAreaSize = 0;
    std::uint8_t modifiedMarker = 0;

    // Set by Decode: false when the stored length byte exceeded the capacity.
    bool descriptionLengthValid = true;
    bool passwordLengthValid = true;

    bool IsProtected() const { return protectedFlag != 0; }
    // The table has a locale when the four locale bytes are not all zero.
    bool HasLocale() const { return languageId != 0 || sortId != 0; }
    // The operating system's composition: language in bits 0..15, sort in 16..19.
    std::uint32_t LocaleId() const;
    void SetLocaleId(std::uint32_t lcid);
    std::uint32_t EffectiveBlobBlockSize() const;
    // Byte offset of physical record n (n ≥ 1).
    std::uint64_t RecordOffset(std::int32_t recordNumber) const;
    // Offset of the first record: 127 + 768 × field count.
    std::uint64_t DataOffset() const;

    static TDataHeader Decode(std::span<const std::uint8_t, datafmt::kHeaderSize> image);
    std::array<std::uint8_t, datafmt::kHeaderSize> Encode() const;
};

// The value written at header offset 27 for a local date and time.
double HeaderTimeStamp(int year, int month, int day, int hour, int minute, int second,
                       int millisecond);
// HeaderTimeStamp of the current local date and time.
double HeaderTimeStampNow();

} // namespace tabula
