// Bounded reads of the template encodings.
#include "TrpReadStream.h"

#include "ETrpTemplateError.h"
#include "TrpFrameWidth.h"
#include "TrpTemplateFormat.h"

#include <QtEndian>
#include <cstring>

namespace report {

using namespace tplfmt;

TrpReadStream::TrpReadStream(QIODevice& device, int version) : device_(device), version_(version) {
    if (!device_.isOpen() || !device_.isReadable() || device_.isSequential())
        throw ETrpTemplateError("template stream is not a readable random-access device");
}

std::int64_t TrpReadStream::Position() const {
    return device_.pos();
}

std::int64_t TrpReadStream::Size() const {
    return device_.size();
}

std::int64_t TrpReadStream::Remaining() const {
    return Size() - Position();
}

void TrpReadStream::Require(std::int64_t count, const char* what) const {
    if (count < 0 || count > Remaining())
        throw ETrpTemplateError(std::string("template ends inside ") + what);
}

void TrpReadStream::Seek(std::int64_t position) {
    if (position < 0 || position > Size() || !device_.seek(position))
        throw ETrpTemplateError("template offset " + std::to_string(position) +
                                " lies outside the stream");
}

void TrpReadStream::Skip(std::int64_t count) {
    Require(count, "skipped bytes");
    Seek(Position() + count);
}

void TrpReadStream::ReadRaw(char* target, std::int64_t count, const char* what) {
    Require(count, what);
    if (count > 0 && device_.read(target, count) != count)
        throw ETrpTemplateError(std::string("short read of ") + what);
}

std::uint8_t TrpReadStream::ReadByte() {
    char c = 0;
    ReadRaw(&c, 1, "a byte");
    return static_cast<std::uint8_t>(c);
}

std::int16_t TrpReadStream::ReadI16() {
    char bytes[2];
    ReadRaw(bytes, sizeof bytes, "a 16-bit integer");
    return qFromLittleEndian<std::int16_t>(bytes);
}

std::uint16_t TrpReadStream::ReadU16() {
    char bytes[2];
    ReadRaw(bytes, sizeof bytes, "a 16-bit integer");
    return qFromLittleEndian<std::uint16_t>(bytes);
}

std::int32_t TrpReadStream::ReadI32() {
    char bytes[4];
    ReadRaw(bytes, sizeof bytes, "a 32-bit integer");
    return qFromLittleEndian<std::int32_t>(bytes);
}

double TrpReadStream::ReadReal() {
    char bytes[8];
    ReadRaw(bytes, sizeof bytes, "a real number");
    std::uint64_t bits = qFromLittleEndian<std::uint64_t>(bytes);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

QByteArray TrpReadStream::ReadBytes(std::int64_t count) {
    Require(count, "a block of bytes");
    QByteArray bytes(static_cast<qsizetype>(count), Qt::Uninitialized);
    ReadRaw(bytes.data(), count, "a block of bytes");
    return bytes;
}

std::string TrpReadStream::ReadString() {
    return version_ >= kCountedStringsVersion ? ReadCountedString() : ReadZeroTerminatedString();
}

std::string TrpReadStream::ReadNewString() {
    return ReadCountedString();
}

std::string TrpReadStream::ReadCountedString() {
    std::uint16_t length = ReadU16();
    // The text and its filler byte.
    Require(std::int64_t{length} + 1, "a string");
    std::string text(length, '\0');
    ReadRaw(text.data(), length, "a string");
    ReadByte();
    return text;
}

std::string TrpReadStream::ReadZeroTerminatedString() {
    std::string text;
    for (;;) {
        std::uint8_t c = ReadByte();
        if (c == kStringEnd)
            return text;
        text.push_back(static_cast<char>(c));
    }
}

std::string TrpReadStream::ReadShortString() {
    std::uint8_t length = ReadByte();
    std::string text(length, '\0');
    ReadRaw(text.data(), length, "a short string");
    return text;
}

std::vector<std::string> TrpReadStream::ReadStringList() {
    return version_ >= kCountedStringsVersion ? ReadCountedList() : ReadZeroTerminatedList();
}

std::vector<std::string> TrpReadStream::ReadCountedList() {
    std::vector<std::string> lines;
    if (ReadU16() == 0) {
        ReadByte();
        return lines;
    }
    // The count only tells an empty list apart; the lines run up to the
    // first line whose separator is kStringEnd.
    for (;;) {
        std::uint16_t length = ReadU16();
        Require(std::int64_t{length} + 1, "a list line");
        std::string line(length, '\0');
        ReadRaw(line.data(), length, "a list line");
        lines.push_back(std::move(line));
        if (ReadByte() == kStringEnd)
            return lines;
    }
}

std::vector<std::string> TrpReadStream::ReadZeroTerminatedList() {
    std::vector<std::string> lines;
    std::string line;
    for (;;) {
        std::uint8_t c = ReadByte();
        if (c == kLineSeparator) {
            lines.push_back(std::move(line));
            line.clear();
        } else if (c == kStringEnd) {
            // An empty last line is the list's end, not a line.
            if (!line.empty())
                lines.push_back(std::move(line));
            return lines;
        } else {
            line.push_back(static_cast<char>(c));
        }
    }
}

double TrpReadStream::ReadFrameWidth() {
    return DecodeFrameWidth(ReadI32());
}

} // namespace report
