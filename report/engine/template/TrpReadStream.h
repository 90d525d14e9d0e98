// TrpReadStream: reads the primitive encodings of report templates and
// object records from a random-access device (a QBuffer or a QFile),
// interpreting the version-dependent string forms by the format version of
// the file being read.
//
// Every read is bounded by the bytes that remain in the device: a short
// read, a length running past the end, a count that cannot fit in what
// remains or a seek outside the device throws ETrpTemplateError, and no
// read allocates more than the bytes that are actually there. The stream
// does not own the device; the device's position is the stream's position.
#pragma once

#include <QByteArray>
#include <QIODevice>
#include <cstdint>
#include <string>
#include <vector>

namespace report {

class TrpReadStream {
public:
    // The device must be open for reading and not sequential.
    TrpReadStream(QIODevice& device, int version);

    int Version() const { return version_; }
    void SetVersion(int version) { version_ = version; }
    QIODevice& Device() { return device_; }

    std::int64_t Position() const;
    std::int64_t Size() const;
    std::int64_t Remaining() const;
    bool AtEnd() const { return Remaining() <= 0; }
    // Moves to an absolute position between 0 and Size().
    void Seek(std::int64_t position);
    void Skip(std::int64_t count);

    std::uint8_t ReadByte();
    std::int16_t ReadI16();
    std::uint16_t ReadU16();
    std::int32_t ReadI32();
    // An IEEE double.
    double ReadReal();
    QByteArray ReadBytes(std::int64_t count);

    // A string in the form of the stream's version.
    std::string ReadString();
    // A string in the counted form whatever the version.
    std::string ReadNewString();
    // A length byte and that many bytes.
    std::string ReadShortString();
    // A string list in the form of the stream's version.
    std::vector<std::string> ReadStringList();
    // A stored frame width in engine pixels.
    double ReadFrameWidth();

    // Throws the template error unless count more bytes remain.
    void Require(std::int64_t count, const char* what) const;

private:
    std::string ReadCountedString();
    std::string ReadZeroTerminatedString();
    std::vector<std::string> ReadCountedList();
    std::vector<std::string> ReadZeroTerminatedList();
    void ReadRaw(char* target, std::int64_t count, const char* what);

    QIODevice& device_;
    int version_;
};

} // namespace report
