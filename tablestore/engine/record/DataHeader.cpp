// TDataHeader: the 127-byte header of a data file.
#include "DataHeader.h"

#include "FieldValue.h"
#include "Scrambler.h"

#include <algorithm>

namespace tabula {

using namespace datafmt;

namespace {

// Reads a length-prefixed text of at most maxLength characters. Returns false
// when the stored length byte is larger than the field can hold.
bool ReadText(const std::uint8_t* p, std::size_t maxLength, bool scrambled, std::string& out) {
    const std::size_t stored = p[0];
    const std::size_t length = std::min(stored, maxLength);
    std::uint8_t chars[256];
    std::copy(p + 1, p + 1 + length, chars);
    if (scrambled)
        TScrambler::Apply(chars, length, TScrambler::kPasswordKey);
    out.assign(reinterpret_cast<const char*>(chars), length);
    return stored <= maxLength;
}

void WriteText(std::uint8_t* p, std::size_t maxLength, bool scrambled, const std::string& text) {
    const std::size_t length = std::min(text.size(), maxLength);
    p[0] = static_cast<std::uint8_t>(length);
    std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(length), p + 1);
    if (scrambled)
        TScrambler::Apply(p + 1, length, TScrambler::kPasswordKey);
}

} // namespace

std::uint32_t TDataHeader::LocaleId() const {
    return static_cast<std::uint16_t>(languageId) |
           (static_cast<std::uint32_t>(sortId & 0xF) << 16);
}

void TDataHeader::SetLocaleId(std::uint32_t lcid) {
    languageId = static_cast<std::int16_t>(lcid & 0xFFFF);
    sortId = static_cast<std::uint16_t>((lcid >> 16) & 0xF);
}

std::uint32_t TDataHeader::EffectiveBlobBlockSize() const {
    return blobBlockSize == 0 ? kDefaultBlobBlockSize : blobBlockSize;
}

std::uint64_t TDataHeader::DataOffset() const {
    return kHeaderSize + static_cast<std::uint64_t>(kDescriptorSize) * fieldCount;
}

std::uint64_t TDataHeader::RecordOffset(std::int32_t recordNumber) const {
    return DataOffset() + static_cast<std::uint64_t>(recordNumber - 1) * recordSize;
}

TDataHeader TDataHeader::Decode(std::span<const std::uint8_t, kHeaderSize> image) {
    const std::uint8_t* p = image.data();
    TDataHeader h;
    h.changeCounter = GetI32(p + kHdrChangeCounter);
    h.blobBlockSize = GetU32(p + kHdrBlobBlockSize);
    h.version = p[kHdrVersion];
    h.freeChainHead = GetI32(p + kHdrFreeChainHead);
    h.nextRecordNumber = GetI32(p + kHdrNextRecord);
    h.lastAutoIncrement = GetI32(p + kHdrLastAutoInc);
    h.recordSize = GetU16(p + kHdrRecordSize);
    h.fieldCount = GetU16(p + kHdrFieldCount);
    h.blobFieldCount = GetI16(p + kHdrBlobFieldCount);
    h.lastWriteTime = GetDouble(p + kHdrLastWriteTime);
    h.protectedFlag = p[kHdrProtected];
    h.descriptionLengthValid =
        ReadText(p + kHdrDescription, kMaxDescriptionLength, h.IsProtected(), h.description);
    h.passwordLengthValid =
        ReadText(p + kHdrPassword, kMaxPasswordLength, h.IsProtected(), h.password);
    h.languageId = GetI16(p + kHdrLanguageId);
    h.sortId = GetU16(p + kHdrSortId);
    h.calcAreaSize = GetI16(p + kHdrCalcAreaSize);
    // The marker only tells why the writer wrote; a header just read is unmodified.
    h.modifiedMarker = 0;
    return h;
}

std::array<std::uint8_t, kHeaderSize> TDataHeader::Encode() const {
    std::array<std::uint8_t, kHeaderSize> image{};
    std::uint8_t* p = image.data();
    PutI32(p + kHdrChangeCounter, changeCounter);
    PutU32(p + kHdrBlobBlockSize, blobBlockSize);
    p[kHdrVersion] = version;
    PutI32(p + kHdrFreeChainHead, freeChainHead);
    PutI32(p + kHdrNextRecord, nextRecordNumber);
    PutI32(p + kHdrLastAutoInc, lastAutoIncrement);
    PutU16(p + kHdrRecordSize, recordSize);
    PutU16(p + kHdrFieldCount, fieldCount);
    PutI16(p + kHdrBlobFieldCount, blobFieldCount);
    PutDouble(p + kHdrLastWriteTime, lastWriteTime);
    WriteText(p + kHdrDescription, kMaxDescriptionLength, IsProtected(), description);
    p[kHdrProtected] = protectedFlag;
    WriteText(p + kHdrPassword, kMaxPasswordLength, IsProtected(), password);
    PutI16(p + kHdrLanguageId, languageId);
    PutU16(p + kHdrSortId, sortId);
    PutI16(p + kHdrCalcAreaSize, calcAreaSize);
    p[kHdrModifiedMarker] = modifiedMarker;
    return image;
}

double HeaderTimeStamp(int year, int month, int day, int hour, int minute, int second,
                       int millisecond) {
    const double days = static_cast<double>(DayNumber(year, month, day) - kDayOf18991230);
    const double fraction =
        ((hour * 60.0 + minute) * 60.0 + second + millisecond / 1000.0) / 86400.0;
    return days + fraction - kHeaderTimeBias;
}

double HeaderTimeStampNow() {
    const TDateTimeParts now = LocalNow();
    return HeaderTimeStamp(now.year, now.month, now.day, now.hour, now.minute, now.second,
                           now.millisecond);
}

} // namespace tabula
