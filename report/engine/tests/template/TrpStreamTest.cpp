// Template encodings: the two string and list forms byte for byte, the
// frame width's stored form, end offsets, and the bounds of every read.
#include "ETrpTemplateError.h"
#include "TrpFrameWidth.h"
#include "TrpReadStream.h"
#include "TrpWriteStream.h"

#include <QBuffer>
#include <gtest/gtest.h>
#include <limits>

using namespace report;

namespace {

QByteArray Bytes(std::initializer_list<int> values) {
    QByteArray bytes;
    for (int v : values)
        bytes.append(static_cast<char>(v));
    return bytes;
}

// Reads from a copy of bytes with a stream of the given version.
struct Reader {
    Reader(const QByteArray& bytes, int version) : data(bytes), buffer(&data) {
        buffer.open(QIODevice::ReadOnly);
        stream.emplace(buffer, version);
    }
    QByteArray data;
    QBuffer buffer;
    std::optional<TrpReadStream> stream;
};

template <typename Write> QByteArray Written(Write write) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    TrpWriteStream stream(buffer);
    write(stream);
    return bytes;
}

TEST(TrpStreamTest, CountedStringsAndListsByteForByte) {
    EXPECT_EQ(Written([](TrpWriteStream& s) { s.WriteString("Ab"); }), Bytes({2, 0, 'A', 'b', 0}));
    // One empty line: count 1, length 0, the last-line separator.
    EXPECT_EQ(Written([](TrpWriteStream& s) { s.WriteStringList({""}); }), Bytes({1, 0, 0, 0, 0}));
    // No lines: count 0 and one 0 byte.
    EXPECT_EQ(Written([](TrpWriteStream& s) { s.WriteStringList({}); }), Bytes({0, 0, 0}));
    EXPECT_EQ(Written([](TrpWriteStream& s) {
                  s.WriteStringList({"a", "bc"});
              }),
              Bytes({2, 0, 1, 0, 'a', 13, 2, 0, 'b', 'c', 0}));

    Reader one(Bytes({1, 0, 0, 0, 0}), 24);
    EXPECT_EQ(one.stream->ReadStringList(), std::vector<std::string>{""});
    EXPECT_TRUE(one.stream->AtEnd());
    Reader none(Bytes({0, 0, 0}), 24);
    EXPECT_TRUE(none.stream->ReadStringList().empty());
    EXPECT_TRUE(none.stream->AtEnd());
    // The count is only tested for zero; the lines run to the 0 separator.
    Reader miscounted(Bytes({7, 0, 1, 0, 'x', 13, 1, 0, 'y', 0}), 23);
    EXPECT_EQ(miscounted.stream->ReadStringList(), (std::vector<std::string>{"x", "y"}));
    // The filler byte after a string is skipped whatever it holds.
    Reader filler(Bytes({1, 0, 'q', 9, 5}), 24);
    EXPECT_EQ(filler.stream->ReadString(), "q");
    EXPECT_EQ(filler.stream->ReadByte(), 5);
}

TEST(TrpStreamTest, ZeroTerminatedFormsOfOldVersions) {
    Reader r(Bytes({'M', 'e', 0, 'a', 13, 13, 'b', 0, 13, 0, 0, 2, 0, 'n', 'w', 0}), 21);
    EXPECT_EQ(r.stream->ReadString(), "Me");
    // An empty line between two separators is kept.
    EXPECT_EQ(r.stream->ReadStringList(), (std::vector<std::string>{"a", "", "b"}));
    // A trailing empty line ended by the 0 is not a line.
    EXPECT_EQ(r.stream->ReadStringList(), std::vector<std::string>{""});
    EXPECT_TRUE(r.stream->ReadStringList().empty());
    // New strings are counted in every version.
    EXPECT_EQ(r.stream->ReadNewString(), "nw");
    EXPECT_TRUE(r.stream->AtEnd());
}

TEST(TrpStreamTest, FrameWidthStoredForms) {
    EXPECT_EQ(EncodeFrameWidth(0.5), 500);
    EXPECT_EQ(EncodeFrameWidth(3), 3);
    EXPECT_EQ(EncodeFrameWidth(10), 10);
    EXPECT_EQ(EncodeFrameWidth(1.0625), 1062); // half-even thousandths
    EXPECT_DOUBLE_EQ(DecodeFrameWidth(500), 0.5);
    EXPECT_DOUBLE_EQ(DecodeFrameWidth(3), 3);
    EXPECT_DOUBLE_EQ(DecodeFrameWidth(10), 10);
    EXPECT_DOUBLE_EQ(DecodeFrameWidth(11), 0.011);
    // Widths the plain rule would store in a form that reads back wrongly:
    // every one must come back as itself or its nearest storable width.
    for (double w : {11.0, 25.0, 0.004, 0.0107, -0.5})
        EXPECT_NEAR(DecodeFrameWidth(EncodeFrameWidth(w)), w, 0.5) << w;
    EXPECT_DOUBLE_EQ(DecodeFrameWidth(EncodeFrameWidth(11)), 11);
    // Beyond the i32 range the largest value is stored, not a wrapped one.
    EXPECT_EQ(EncodeFrameWidth(2e9), std::numeric_limits<std::int32_t>::max());
}

TEST(TrpStreamTest, IntegersAreLittleEndianAndEndOffsetsArePatched) {
    QByteArray bytes = Written([](TrpWriteStream& s) {
        s.WriteI16(-2);
        std::int64_t at = s.WritePlaceholder();
        s.WriteU16(0xABCD);
        s.WriteReal(0.25);
        s.PatchEndOffset(at);
        s.WriteByte(7);
    });
    ASSERT_EQ(bytes.size(), 2 + 4 + 2 + 8 + 1);
    EXPECT_EQ(bytes.left(8), Bytes({0xFE, 0xFF, 16, 0, 0, 0, 0xCD, 0xAB}));
    Reader r(bytes, 24);
    EXPECT_EQ(r.stream->ReadI16(), -2);
    EXPECT_EQ(r.stream->ReadI32(), 16);
    EXPECT_EQ(r.stream->ReadU16(), 0xABCD);
    EXPECT_EQ(r.stream->ReadReal(), 0.25);
    EXPECT_EQ(r.stream->ReadByte(), 7);
}

TEST(TrpStreamTest, EveryReadIsBoundedByTheStream) {
    auto fails = [](const QByteArray& bytes, int version, auto read) {
        Reader r(bytes, version);
        EXPECT_THROW(read(*r.stream), ETrpTemplateError);
    };
    fails(Bytes({}), 24, [](TrpReadStream& s) { s.ReadByte(); });
    fails(Bytes({1, 2, 3}), 24, [](TrpReadStream& s) { s.ReadI32(); });
    // A length past the end, also when only the filler byte is missing.
    fails(Bytes({0xFF, 0xFF, 'a'}), 24, [](TrpReadStream& s) { s.ReadString(); });
    fails(Bytes({1, 0, 'a'}), 24, [](TrpReadStream& s) { s.ReadString(); });
    fails(Bytes({'a', 'b'}), 21, [](TrpReadStream& s) { s.ReadString(); });
    fails(Bytes({'a', 13}), 21, [](TrpReadStream& s) { s.ReadStringList(); });
    fails(Bytes({5, 0, 1, 0, 'a', 13}), 24, [](TrpReadStream& s) { s.ReadStringList(); });
    fails(Bytes({0, 0}), 24, [](TrpReadStream& s) { s.ReadStringList(); });
    fails(Bytes({9, 'a'}), 24, [](TrpReadStream& s) { s.ReadShortString(); });
    fails(Bytes({1, 2}), 24, [](TrpReadStream& s) { s.ReadBytes(3); });
    fails(Bytes({1, 2}), 24, [](TrpReadStream& s) { s.ReadBytes(-1); });
    fails(Bytes({1, 2}), 24, [](TrpReadStream& s) { s.Seek(3); });
    fails(Bytes({1, 2}), 24, [](TrpReadStream& s) { s.Seek(-1); });
    Reader r(Bytes({1, 2}), 24);
    r.stream->Seek(2);
    EXPECT_TRUE(r.stream->AtEnd());
}

TEST(TrpStreamTest, TextsTooLongForTheirLengthAreRefused) {
    std::string huge(70000, 'x');
    EXPECT_THROW(Written([&](TrpWriteStream& s) { s.WriteString(huge); }), ETrpTemplateError);
    EXPECT_THROW(Written([&](TrpWriteStream& s) {
                     s.WriteStringList({"a", huge});
                 }),
                 ETrpTemplateError);
    // More lines than the u16 count holds still read back whole.
    std::vector<std::string> many(70000, "z");
    Reader r(Written([&](TrpWriteStream& s) { s.WriteStringList(many); }), 24);
    EXPECT_EQ(r.stream->ReadStringList().size(), many.size());
}

} // namespace
