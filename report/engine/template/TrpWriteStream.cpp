// Writing the template encodings.
#include "TrpWriteStream.h"

#include "ETrpTemplateError.h"
#include "TrpFrameWidth.h"
#include "TrpTemplateFormat.h"

#include <QtEndian>
#include <algorithm>
#include <cstring>
#include <limits>

namespace report {

using namespace tplfmt;

TrpWriteStream::TrpWriteStream(QIODevice& device) : device_(device) {
    if (!device_.isOpen() || !device_.isWritable())
        throw ETrpTemplateError("template stream is not a writable device");
}

std::int64_t TrpWriteStream::Position() const {
    return device_.pos();
}

void TrpWriteStream::WriteRaw(const char* data, std::int64_t count) {
    if (count > 0 && device_.write(data, count) != count)
        throw ETrpTemplateError("the device refused template bytes");
}

void TrpWriteStream::WriteByte(std::uint8_t value) {
    char c = static_cast<char>(value);
    WriteRaw(&c, 1);
}

void TrpWriteStream::WriteI16(std::int16_t value) {
    char bytes[2];
    qToLittleEndian(value, bytes);
    WriteRaw(bytes, sizeof bytes);
}

void TrpWriteStream::WriteU16(std::uint16_t value) {
    char bytes[2];
    qToLittleEndian(value, bytes);
    WriteRaw(bytes, sizeof bytes);
}

void TrpWriteStream::WriteI32(std::int32_t value) {
    char bytes[4];
    qToLittleEndian(value, bytes);
    WriteRaw(bytes, sizeof bytes);
}

void TrpWriteStream::WriteReal(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    char bytes[8];
    qToLittleEndian(bits, bytes);
    WriteRaw(bytes, sizeof bytes);
}

void TrpWriteStream::WriteBytes(const QByteArray& bytes) {
    WriteRaw(bytes.constData(), bytes.size());
}

void TrpWriteStream::WriteString(const std::string& text) {
    // A longer text cannot be stored: its length would wrap and every
    // following field would be misread.
    if (text.size() > kMaxCountedLength)
        throw ETrpTemplateError("a text of " + std::to_string(text.size()) +
                                " characters is too long for a template");
    WriteU16(static_cast<std::uint16_t>(text.size()));
    WriteRaw(text.data(), static_cast<std::int64_t>(text.size()));
    WriteByte(kStringEnd);
}

void TrpWriteStream::WriteStringList(const std::vector<std::string>& lines) {
    // The reader takes the count only as "empty or not" and runs to the last
    // line's separator, so a list longer than the u16 count stores the
    // largest count and still reads back whole.
    std::size_t count = std::min(lines.size(), kMaxCountedLength);
    WriteU16(static_cast<std::uint16_t>(count));
    if (lines.empty()) {
        WriteByte(kStringEnd);
        return;
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.size() > kMaxCountedLength)
            throw ETrpTemplateError("a text line of " + std::to_string(line.size()) +
                                    " characters is too long for a template");
        WriteU16(static_cast<std::uint16_t>(line.size()));
        WriteRaw(line.data(), static_cast<std::int64_t>(line.size()));
        WriteByte(i + 1 < lines.size() ? kLineSeparator : kStringEnd);
    }
}

void TrpWriteStream::WriteFrameWidth(double width) {
    WriteI32(EncodeFrameWidth(width));
}

std::int64_t TrpWriteStream::WritePlaceholder() {
    std::int64_t at = Position();
    WriteI32(0);
    return at;
}

void TrpWriteStream::PatchEndOffset(std::int64_t placeholder) {
    std::int64_t end = Position();
    if (end > std::numeric_limits<std::int32_t>::max())
        throw ETrpTemplateError("template grows beyond the range of its offsets");
    if (!device_.seek(placeholder))
        throw ETrpTemplateError("cannot return to an end offset");
    WriteI32(static_cast<std::int32_t>(end));
    if (!device_.seek(end))
        throw ETrpTemplateError("cannot return to the template's end");
}

} // namespace report
