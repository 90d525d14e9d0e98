// The data file's byte images: header, field descriptors, record layout,
// file names and the scrambling of protected tables. Offsets are written as
// literal numbers here on purpose, so that a wrong layout constant is caught.
#include "DataFileTestSupport.h"
#include "DataHeader.h"
#include "Scrambler.h"
#include "TableFileNames.h"

#include <gtest/gtest.h>
#include <numeric>

namespace tabula {
namespace {

using namespace datafmt;
using testing::AutoIncField;
using testing::Field;

TEST(DataHeaderImage, EveryFieldLandsAtItsOffsetAndReadsBack) {
    TDataHeader h;
    h.changeCounter = -7;
    h.blobBlockSize = 1024;
    h.freeChainHead = 12;
    h.nextRecordNumber = 0x01020304;
    h.lastAutoIncrement = 99;
    h.recordSize = 0xABCD;
    h.fieldCount = 1024;
    h.blobFieldCount = 3;
    h.lastWriteTime = 1234.5;
    h.description = "Payees";
    h.languageId = 0x0407;
    h.sortId = 1;
    h.modifiedMarker = 1;
    const auto image = h.Encode();
    ASSERT_EQ(image.size(), 127u);
    EXPECT_EQ(image[0], 0xF9);
    EXPECT_EQ(image[3], 0xFF);
    EXPECT_EQ(image[5], 0x04); // 1024 little-endian
    EXPECT_EQ(image[8], 3);
    EXPECT_EQ(image[9], 12);
    EXPECT_EQ(image[13], 0x04);
    EXPECT_EQ(image[16], 0x01);
    EXPECT_EQ(image[17], 99);
    EXPECT_EQ(image[21], 0xCD);
    EXPECT_EQ(image[22], 0xAB);
    EXPECT_EQ(image[24], 0x04);
    EXPECT_EQ(image[25], 3);
    EXPECT_EQ(image[35], 6);
    EXPECT_EQ(image[36], 'P');
    EXPECT_EQ(image[86], 0);
    EXPECT_EQ(image[103], 0x07);
    EXPECT_EQ(image[104], 0x04);
    EXPECT_EQ(image[105], 1);
    EXPECT_EQ(image[113], 1);
    for (int i = 114; i < 127; ++i)
        EXPECT_EQ(image[i], 0) << i;

    const TDataHeader back = TDataHeader::Decode(image);
    EXPECT_EQ(back.changeCounter, -7);
    EXPECT_EQ(back.blobBlockSize, 1024u);
    EXPECT_EQ(back.nextRecordNumber, 0x01020304);
    EXPECT_EQ(back.recordSize, 0xABCD);
    EXPECT_EQ(back.fieldCount, 1024);
    EXPECT_DOUBLE_EQ(back.lastWriteTime, 1234.5);
    EXPECT_EQ(back.description, "Payees");
    EXPECT_EQ(back.LocaleId(), 0x10407u);
    EXPECT_TRUE(back.HasLocale());
    EXPECT_EQ(back.modifiedMarker, 0) << "a header just read counts as unmodified";
}

TEST(DataHeaderImage, ProtectedTableScramblesPasswordAndDescriptionCharactersOnly) {
    TDataHeader h;
    h.protectedFlag = 1;
    h.password = "secret";
    h.description = "Detail";
    const auto image = h.Encode();
    EXPECT_EQ(image[86], 1);
    EXPECT_EQ(image[87], 6) << "length byte stays plain";
    EXPECT_EQ(image[35], 6);
    std::uint8_t expected[6] = {'s', 'e', 'c', 'r', 'e', 't'};
    TScrambler::Apply(expected, 6, TScrambler::kPasswordKey);
    EXPECT_TRUE(std::equal(expected, expected + 6, image.begin() + 88));
    EXPECT_NE(image[36], 'D');

    const TDataHeader back = TDataHeader::Decode(image);
    EXPECT_EQ(back.password, "secret");
    EXPECT_EQ(back.description, "Detail");
}

TEST(DataHeaderImage, OversizedLengthBytesAreClampedAndFlagged) {
    std::array<std::uint8_t, 127> image{};
    image[8] = 3;
    image[35] = 200; // description can hold 50
    image[87] = 16;  // password can hold 15
    const TDataHeader h = TDataHeader::Decode(image);
    EXPECT_EQ(h.description.size(), 50u);
    EXPECT_FALSE(h.descriptionLengthValid);
    EXPECT_EQ(h.password.size(), 15u);
    EXPECT_FALSE(h.passwordLengthValid);
    EXPECT_EQ(TDataHeader{}.EffectiveBlobBlockSize(), 512u) << "a stored 0 reads as 512";
}

TEST(DataHeaderImage, LastWriteTimeIsTheBiasedDayCount) {
    // 1899-12-30 00:00 is day 0 of the platform's date-time values.
    EXPECT_DOUBLE_EQ(HeaderTimeStamp(1899, 12, 30, 0, 0, 0, 0), -693594.0);
    EXPECT_DOUBLE_EQ(HeaderTimeStamp(1900, 1, 1, 12, 0, 0, 0), 2.5 - 693594.0);
}

TEST(FieldDescriptorImage, EveryFieldLandsAtItsOffsetAndReadsBack) {
    TFieldDescriptor d = Field(7, "Amount", kFtBcd, 0, 2);
    d.subtype = 5;
    d.storedSize = 8;
    d.decimalsCopy = 2;
    d.offset = 0x1234;
    d.required = 1;
    d.minimum = "0";
    d.maximum = "999";
    d.defaultValue = "1.5";
    const auto image = d.Encode();
    ASSERT_EQ(image.size(), 768u);
    EXPECT_EQ(image[0], 7);
    EXPECT_EQ(image[2], 6);
    EXPECT_EQ(image[3], 'A');
    EXPECT_EQ(image[84], 8);
    EXPECT_EQ(image[85], 5);
    EXPECT_EQ(image[87], 2);
    EXPECT_EQ(image[88], 8);
    EXPECT_EQ(image[89], 2);
    EXPECT_EQ(image[90], 0x34);
    EXPECT_EQ(image[91], 0x12);
    EXPECT_EQ(image[92], 1);
    EXPECT_EQ(image[94], 1);
    EXPECT_EQ(image[95], '0');
    EXPECT_EQ(image[145], 3);
    EXPECT_EQ(image[196], 3);
    EXPECT_EQ(image[197], '1');
    EXPECT_EQ(std::accumulate(image.begin() + 248, image.end(), 0), 0);

    const TFieldDescriptor back = TFieldDescriptor::Decode(image);
    EXPECT_EQ(back.fieldNumber, 7);
    EXPECT_EQ(back.name, "Amount");
    EXPECT_EQ(back.type, kFtBcd);
    EXPECT_EQ(back.offset, 0x1234);
    EXPECT_EQ(back.minimum, "0");
    EXPECT_EQ(back.maximum, "999");
    EXPECT_EQ(back.defaultValue, "1.5");
}

TEST(FieldDescriptorImage, StoredSizesFollowTheTypeTable) {
    struct Case {
        std::uint8_t type;
        int declared;
        int stored;
    } cases[] = {{kFtString, 10, 11}, {kFtDate, 9, 4},      {kFtBlob, 0, 4},
                 {kFtBoolean, 0, 2},  {kFtInt16, 0, 2},     {kFtInt32, 0, 4},
                 {kFtFloat, 0, 8},    {kFtBcd, 0, 8},       {kFtBytes, 17, 17},
                 {kFtTime, 0, 4},     {kFtTimestamp, 0, 8}, {kFtUInt16, 0, 2},
                 {kFtUInt32, 0, 4},   {kFtExtended, 0, 10}, {kFtVarBytes, 33, 33},
                 {kFtNone, 5, 5},     {40, 12, 12}};
    for (const Case& c : cases)
        EXPECT_EQ(TFieldDescriptor::StoredSizeOf(c.type, c.declared), c.stored) << int(c.type);
}

TEST(RecordLayout, TwoStringFieldsMakeA43ByteRecordAfterTheDescriptors) {
    TTableDefinition def;
    def.fields = {Field(1, "A", kFtString, 10), Field(2, "B", kFtString, 20)};
    const TDataHeader h = def.Validate("T.DAT");
    EXPECT_EQ(h.recordSize, 43);
    EXPECT_EQ(def.fields[0].offset, 9);
    EXPECT_EQ(def.fields[1].offset, 21);
    EXPECT_EQ(h.RecordOffset(1), 1663u);
    EXPECT_EQ(h.RecordOffset(3), 1663u + 2 * 43);
}

TEST(RecordLayout, AutoIncrementFieldInTheMiddleLivesInThePrefix) {
    TTableDefinition def;
    def.fields = {Field(1, "A", kFtInt16), AutoIncField(2, "Id"), Field(3, "B", kFtFloat)};
    const TDataHeader h = def.Validate("T.DAT");
    EXPECT_EQ(def.fields[0].offset, 9);
    EXPECT_EQ(def.fields[1].offset, 5);
    EXPECT_EQ(def.fields[2].offset, 12);
    EXPECT_EQ(h.recordSize, 9 + 3 + 9);
}

TEST(TableFileNamesTest, AnyExtensionOrNoneNamesTheSameThreeFiles) {
    for (const char* path :
         {"Data/ReportTableDetail.DAT", " Data/ReportTableDetail ", "Data/ReportTableDetail.xyz"}) {
        const TTableFileNames names = TTableFileNames::FromTablePath(path);
        EXPECT_EQ(names.dataFile, "Data/ReportTableDetail.DAT") << path;
        EXPECT_EQ(names.indexFile, "Data/ReportTableDetail.IDX");
        EXPECT_EQ(names.blobFile, "Data/ReportTableDetail.BLB");
    }
    // A dot in a directory name is not an extension.
    EXPECT_EQ(TTableFileNames::WithExtension("my.dir/Table", ".IDX"), "my.dir/Table.IDX");
}

TEST(Scrambling, RunsRoundTripAndScrambleIndependently) {
    std::vector<std::uint8_t> plain(700);
    for (std::size_t i = 0; i < plain.size(); ++i)
        plain[i] = static_cast<std::uint8_t>(i * 7 + 3);
    for (TScrambleKey key : {TScrambler::kTableDataKey, TScrambler::kPasswordKey}) {
        std::vector<std::uint8_t> run = plain;
        TScrambler::Apply(run, key);
        EXPECT_NE(run, plain);
        EXPECT_EQ(run[0], plain[0] ^ key.k1 ^ key.k2);
        EXPECT_EQ(run[1], plain[1] ^ std::uint8_t(key.k1 + 1) ^ std::uint8_t(key.k2 - 1));
        // Past 256 bytes the keys wrap around.
        EXPECT_EQ(run[300], plain[300] ^ std::uint8_t(key.k1 + 300) ^ std::uint8_t(key.k2 - 300));
        TScrambler::Apply(run, key);
        EXPECT_EQ(run, plain);
    }
    // Two records scrambled as separate runs: the second reads back alone.
    std::vector<std::uint8_t> records = plain;
    TScrambler::Apply(records.data(), 350, TScrambler::kTableDataKey);
    TScrambler::Apply(records.data() + 350, 350, TScrambler::kTableDataKey);
    TScrambler::Apply(records.data() + 350, 350, TScrambler::kTableDataKey);
    EXPECT_TRUE(std::equal(records.begin() + 350, records.end(), plain.begin() + 350));
    EXPECT_TRUE(TScrambler::kTableDataKey.k1 != TScrambler::kPasswordKey.k1 ||
                TScrambler::kTableDataKey.k2 != TScrambler::kPasswordKey.k2);
}

} // namespace
} // namespace tabula
