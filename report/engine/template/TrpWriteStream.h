// TrpWriteStream: writes the primitive encodings of report templates and
// object records to a device (a QBuffer or a QFile), always in the counted
// forms of the current format version.
//
// End offsets are written as a placeholder first and patched once the
// record is complete; the stream returns to the end afterwards. A device
// that accepts fewer bytes than given, a string too long for its u16 length
// or a position beyond the i32 range throws ETrpTemplateError.
#pragma once

#include <QByteArray>
#include <QIODevice>
#include <cstdint>
#include <string>
#include <vector>

namespace report {

class TrpWriteStream {
public:
    // The device must be open for writing; placeholders need a random-access one.
    explicit TrpWriteStream(QIODevice& device);

    QIODevice& Device() { return device_; }
    std::int64_t Position() const;

    void WriteByte(std::uint8_t value);
    void WriteI16(std::int16_t value);
    void WriteU16(std::uint16_t value);
    void WriteI32(std::int32_t value);
    void WriteReal(double value);
    void WriteBytes(const QByteArray& bytes);

    // The counted string form.
    void WriteString(const std::string& text);
    // The counted string list form.
    void WriteStringList(const std::vector<std::string>& lines);
    void WriteFrameWidth(double width);

    // Writes a zero i32 and returns its position, for PatchEndOffset.
    std::int64_t WritePlaceholder();
    // Stores the current position in the placeholder at placeholder.
    void PatchEndOffset(std::int64_t placeholder);

private:
    void WriteRaw(const char* data, std::int64_t count);

    QIODevice& device_;
};

} // namespace report
