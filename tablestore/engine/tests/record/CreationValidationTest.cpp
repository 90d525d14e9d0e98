// Validation of a new table's definition: each failure by its code, the
// order in which the checks run, and what a valid definition becomes.
#include "DataFileTestSupport.h"
#include "EngineCodes.h"
#include "FormatSettings.h"

#include <gtest/gtest.h>

namespace tabula {
namespace {

using namespace datafmt;
using testing::AutoIncField;
using testing::CodeOf;
using testing::Field;

TTableDefinition OneField(TFieldDescriptor field) {
    TTableDefinition def;
    def.fields = {Field(1, "Key", kFtString, 10), field};
    def.fields[1].fieldNumber = 2;
    return def;
}

int ValidateCode(TTableDefinition def) {
    return CodeOf([&] { def.Validate("T.DAT"); });
}

TEST(CreationLimits, EachLimitFailsWithItsCode) {
    TTableDefinition def = OneField(Field(2, "A", kFtInt32));
    EXPECT_EQ(ValidateCode(def), 0);

    TTableDefinition p = def;
    p.isProtected = true;
    for (const char* bad : {"", "   ", "0123456789abcdef"}) {
        p.password = bad;
        EXPECT_EQ(ValidateCode(p), kErrInvalidPassword) << "'" << bad << "'";
    }
    p.password = "  0123456789abcde  "; // 15 characters once trimmed
    EXPECT_EQ(ValidateCode(p), 0);

    TTableDefinition l = def;
    l.localeId = 0x1234;
    EXPECT_EQ(ValidateCode(l), kErrLanguageDriver);

    TTableDefinition f = def;
    f.fields.clear();
    EXPECT_EQ(ValidateCode(f), kErrFieldLimits);
    for (int i = 0; i < 1025; ++i)
        f.fields.push_back(Field(i + 1, "F" + std::to_string(i), kFtBoolean));
    EXPECT_EQ(ValidateCode(f), kErrFieldLimits);
    f.fields.pop_back();
    EXPECT_EQ(ValidateCode(f), 0) << "1024 fields are allowed";

    TTableDefinition s = def;
    s.secondaryIndexCount = 31;
    EXPECT_EQ(ValidateCode(s), kErrIndexLimits);
    s.secondaryIndexCount = 30;
    EXPECT_EQ(ValidateCode(s), 0);

    TTableDefinition b = def;
    b.blobBlockSize = 63;
    EXPECT_EQ(ValidateCode(b), kErrBlobLimits);
    b.blobBlockSize = 64;
    for (int i = 0; i < 33; ++i)
        b.fields.push_back(Field(i + 3, "Blob" + std::to_string(i), kFtBlob));
    EXPECT_EQ(ValidateCode(b), kErrBlobLimits);
    b.fields.pop_back();
    EXPECT_EQ(ValidateCode(b), 0);

    TTableDefinition r = def;
    r.fields.clear();
    for (int i = 0; i < 261; ++i) // 9 + 261 × 252 > 65535
        r.fields.push_back(Field(i + 1, "S" + std::to_string(i), kFtString, 250));
    EXPECT_EQ(ValidateCode(r), kErrMaxRecordSize);
    r.fields.resize(260); // 9 + 260 × 252 = 65529
    EXPECT_EQ(ValidateCode(r), 0);
}

TEST(CreationLimits, TableLimitsComeBeforeAnyDescriptor) {
    TTableDefinition def = OneField(Field(2, "1st", kFtNone)); // two descriptor faults
    def.secondaryIndexCount = 31;
    EXPECT_EQ(ValidateCode(def), kErrIndexLimits);
    def.isProtected = true;
    EXPECT_EQ(ValidateCode(def), kErrInvalidPassword) << "the password is checked first";
}

TEST(CreationDescriptors, NamesMustStartWithALetterAndBeUnique) {
    EXPECT_EQ(ValidateCode(OneField(Field(2, "1st", kFtInt32))), kErrInvalidFieldName);
    EXPECT_EQ(ValidateCode(OneField(Field(2, "   ", kFtInt32))), kErrInvalidFieldName);
    EXPECT_EQ(ValidateCode(OneField(Field(2, "_x", kFtInt32))), kErrInvalidFieldName);
    EXPECT_EQ(ValidateCode(OneField(Field(2, " KEY ", kFtInt32))), kErrInvalidFieldName)
        << "equal to another name ignoring case and blanks";
    EXPECT_EQ(ValidateCode(OneField(Field(2, "\xC9t\xE9", kFtInt32))), 0)
        << "bytes 129 to 254 count as letters";
    TTableDefinition twins;
    twins.fields = {Field(1, "Name", kFtInt32), Field(2, "NAME", kFtInt32)};
    EXPECT_EQ(ValidateCode(twins), kErrInvalidFieldName);
}

TEST(CreationDescriptors, InvalidDefinitionsFailWith10000) {
    TTableDefinition sameNumber = OneField(Field(2, "A", kFtInt32));
    sameNumber.fields[1].fieldNumber = 1;
    EXPECT_EQ(ValidateCode(sameNumber), kErrInvalidFieldDefinition);
    EXPECT_EQ(ValidateCode(OneField(Field(2, "A", kFtNone, 4))), kErrInvalidFieldDefinition);
    for (std::uint8_t type : {kFtString, kFtBytes, kFtVarBytes}) {
        EXPECT_EQ(ValidateCode(OneField(Field(2, "A", type, 251))), kErrInvalidFieldDefinition)
            << int(type);
        EXPECT_EQ(ValidateCode(OneField(Field(2, "A", type, 250))), 0) << int(type);
    }
    TTableDefinition twoCounters;
    twoCounters.fields = {AutoIncField(1, "Id"), AutoIncField(2, "Id2")};
    EXPECT_EQ(ValidateCode(twoCounters), kErrInvalidFieldDefinition);
}

TEST(CreationDescriptors, ChecksRunInTheirOrderWithinAndAcrossDescriptors) {
    // The name fault of field 2 is found before the type fault of field 3.
    TTableDefinition def = OneField(Field(2, "9", kFtInt32));
    def.fields.push_back(Field(3, "B", kFtNone));
    EXPECT_EQ(ValidateCode(def), kErrInvalidFieldName);
    // Within one descriptor the field number comes before its texts.
    TTableDefinition both = OneField(Field(2, "A", kFtInt32));
    both.fields[1].fieldNumber = 1;
    both.fields[1].defaultValue = "not a number";
    EXPECT_EQ(ValidateCode(both), kErrInvalidFieldDefinition);
}

TEST(CreationDescriptors, DefaultMinimumAndMaximumTextsMustSuitTheType) {
    struct Case {
        std::uint8_t type;
        const char* text;
        bool ok;
    } cases[] = {
        {kFtInt16, "32767", true},        {kFtInt16, "-32769", false},
        {kFtInt32, "-2147483648", true},  {kFtInt32, "2147483648", false},
        {kFtUInt16, "65535", true},       {kFtUInt16, "-1", false},
        {kFtFloat, "1.5e3", true},        {kFtFloat, "1,5", false},
        {kFtBcd, "12.345", true},         {kFtBcd, "12a", false},
        {kFtBoolean, "true", true},       {kFtBoolean, "yes", false},
        {kFtDate, "DATE", true},          {kFtDate, "12/31/2024", true},
        {kFtDate, "31/12/2024", false},   {kFtTime, "TIME", true},
        {kFtTime, "23:59:59", true},      {kFtTime, "24:00", false},
        {kFtTimestamp, "NOW", true},      {kFtTimestamp, "DATE", true},
        {kFtTimestamp, "TIME", true},     {kFtTimestamp, "12/31/2024 10:00", true},
        {kFtTimestamp, "10:00:00", true}, {kFtTimestamp, "soon", false},
        {kFtString, "anything", true},    {kFtBytes, "anything", true},
        {kFtUInt32, "anything", true},
    };
    for (const Case& c : cases) {
        for (int slot = 0; slot < 3; ++slot) {
            TFieldDescriptor f = Field(2, "A", c.type, c.type == kFtBytes ? 4 : 0, 2);
            (slot == 0 ? f.defaultValue : slot == 1 ? f.minimum : f.maximum) = c.text;
            EXPECT_EQ(ValidateCode(OneField(f)), c.ok ? 0 : kErrInvalidValidityCheck)
                << int(c.type) << " '" << c.text << "' slot " << slot;
        }
    }
    // A BCD text must fit the field's decimals.
    TFieldDescriptor bcd = Field(2, "A", kFtBcd, 0, 4);
    bcd.maximum = "900000000000000";
    EXPECT_EQ(ValidateCode(OneField(bcd)), kErrInvalidValidityCheck);
}

TEST(CreationDescriptors, TextsAreReadWithTheProcessFormatSettings) {
    const TFormatSettings saved = TFormatSettings::Global();
    TFormatSettings british = saved;
    british.shortDateFormat = "dd/mm/yyyy";
    TFormatSettings::SetGlobal(british);
    TFieldDescriptor f = Field(2, "A", kFtDate);
    f.minimum = "31/12/2024";
    EXPECT_EQ(ValidateCode(OneField(f)), 0);
    TFormatSettings::SetGlobal(saved);
    EXPECT_EQ(ValidateCode(OneField(f)), kErrInvalidValidityCheck);
}

TEST(CreationResult, DescriptorsAreNormalisedAndTheHeaderFilledIn) {
    TTableDefinition def;
    def.fields = {Field(1, "  An exceedingly long field name beyond thirty  ", kFtString, 10),
                  Field(2, "Count", kFtInt32, 99, 3), Field(3, "Amount", kFtBcd, 7, 2),
                  Field(4, "Doc", kFtBlob)};
    def.fields[1].calculated = 1;
    def.description = std::string(60, 'd');
    def.isProtected = true;
    def.password = " pw ";
    def.blobBlockSize = 1024;
    def.localeId = 0x0407;
    const TDataHeader h = def.Validate("T.DAT");
    EXPECT_EQ(def.fields[0].name, "An exceedingly long field name");
    EXPECT_EQ(def.fields[1].declaredSize, 0);
    EXPECT_EQ(def.fields[1].declaredDecimals, 0);
    EXPECT_EQ(def.fields[1].calculated, 0);
    EXPECT_EQ(def.fields[2].declaredSize, 0);
    EXPECT_EQ(def.fields[2].declaredDecimals, 2);
    EXPECT_EQ(def.fields[2].decimalsCopy, 2);
    EXPECT_EQ(def.fields[2].storedSize, 8);
    EXPECT_EQ(h.version, 3);
    EXPECT_EQ(h.changeCounter, 0);
    EXPECT_EQ(h.nextRecordNumber, 1);
    EXPECT_EQ(h.freeChainHead, 0);
    EXPECT_EQ(h.lastAutoIncrement, 0);
    EXPECT_EQ(h.fieldCount, 4);
    EXPECT_EQ(h.blobFieldCount, 1);
    EXPECT_EQ(h.blobBlockSize, 1024u);
    EXPECT_EQ(h.recordSize, 9 + 12 + 5 + 9 + 5);
    EXPECT_EQ(h.description.size(), 50u);
    EXPECT_EQ(h.password, "pw");
    EXPECT_TRUE(h.IsProtected());
    EXPECT_EQ(h.LocaleId(), 0x0407u);
}

} // namespace
} // namespace tabula
