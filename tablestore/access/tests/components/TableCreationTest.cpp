// The public table-creation interface: what a definition in framework terms
// creates is what the table's own field and index definitions read back,
// and a refused definition leaves no file behind.
#include "TableCreation.h"

#include "EngineCodes.h"
#include "StoreTestSupport.h"
#include "TableTestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace tabula::test {
namespace {

class TableCreation : public TableTest {
protected:
    bool AnyFile(const std::string& name) const {
        for (const char* ext : {".DAT", ".IDX", ".BLB"})
            if (std::filesystem::exists(Path(name + ext)))
                return true;
        return false;
    }
    int CreationError(const TTableSpec& spec) {
        try {
            tabula::CreateTable(Path("Refused"), spec);
        } catch (const ETabulaEngineError& e) {
            return e.Code();
        }
        return 0;
    }
};

TEST_F(TableCreation, EveryStorableFrameworkTypeReadsBackAsItself) {
    struct Field {
        const char* name;
        TFieldType type;
        int size;
    };
    const Field fields[] = {
        {"S", TFieldType::ftString, 40},      {"D", TFieldType::ftDate, 0},
        {"Bl", TFieldType::ftBlob, 0},        {"Me", TFieldType::ftMemo, 0},
        {"Fm", TFieldType::ftFmtMemo, 0},     {"Gr", TFieldType::ftGraphic, 0},
        {"Tb", TFieldType::ftTypedBinary, 0}, {"B", TFieldType::ftBoolean, 0},
        {"Si", TFieldType::ftSmallint, 0},    {"I", TFieldType::ftInteger, 0},
        {"Ai", TFieldType::ftAutoInc, 0},     {"F", TFieldType::ftFloat, 0},
        {"Cu", TFieldType::ftCurrency, 0},    {"Bcd", TFieldType::ftBCD, 2},
        {"By", TFieldType::ftBytes, 8},       {"T", TFieldType::ftTime, 0},
        {"Dt", TFieldType::ftDateTime, 0},    {"W", TFieldType::ftWord, 0},
        {"Vb", TFieldType::ftVarBytes, 16},
    };
    TTableSpec spec;
    for (const Field& f : fields)
        spec.Fields.Add(f.name, f.type, f.size, f.type == TFieldType::ftString);
    spec.PrimaryIndex.Fields = "i";
    spec.PrimaryIndex.Unique = true;
    spec.SecondaryIndexes.push_back({"ByText", "S;d", true, false, true});
    tabula::CreateTable(Path("Typed"), spec);

    auto table = Table("Typed");
    table->UpdateFieldDefs();
    const TFieldDefs& defs = table->FieldDefs();
    ASSERT_EQ(defs.Count(), static_cast<int>(std::size(fields)));
    for (int i = 0; i < defs.Count(); ++i) {
        SCOPED_TRACE(fields[i].name);
        EXPECT_EQ(defs[i].Name, fields[i].name);
        EXPECT_EQ(defs[i].FieldNo, i + 1);
        EXPECT_EQ(defs[i].DataType, fields[i].type);
        EXPECT_EQ(defs[i].Size, fields[i].size);
        EXPECT_EQ(defs[i].Required, fields[i].type == TFieldType::ftString);
    }
    const TIndexDefs& indexes = table->IndexDefs();
    ASSERT_EQ(indexes.Count(), 2);
    EXPECT_EQ(indexes[0].Name, "");
    EXPECT_EQ(indexes[0].Fields, "I");
    EXPECT_TRUE(indexes[0].Unique);
    EXPECT_EQ(indexes[1].Name, "ByText");
    EXPECT_EQ(indexes[1].Fields, "S;D");
    EXPECT_TRUE(indexes[1].CaseInsensitive);
    EXPECT_FALSE(indexes[1].Unique);
    EXPECT_TRUE(indexes[1].Descending);
    EXPECT_TRUE(std::filesystem::exists(Path("Typed.BLB")));
}

TEST_F(TableCreation, WithoutPrimaryFieldsTheTableKeepsPhysicalOrder) {
    TTableSpec spec;
    spec.Fields.Add("Text", TFieldType::ftString, 10);
    tabula::CreateTable(Path("Plain"), spec);
    auto table = Table("Plain.DAT");
    table->Open();
    for (const char* text : {"b", "a", "c"}) {
        table->Append();
        table->FieldByName("Text").SetAsString(text);
        table->Post();
    }
    std::string order;
    for (table->First(); !table->Eof(); table->Next())
        order += table->FieldByName("Text").AsString();
    EXPECT_EQ(order, "bac");
    table->Close();
}

TEST_F(TableCreation, RefusedDefinitionsLeaveNoFile) {
    TTableSpec unknownKey;
    unknownKey.Fields.Add("No", TFieldType::ftInteger);
    unknownKey.PrimaryIndex.Fields = "Missing";
    EXPECT_EQ(CreationError(unknownKey), kErrInvalidField);

    TTableSpec unstorable;
    unstorable.Fields.Add("Big", TFieldType::ftLargeint);
    EXPECT_EQ(CreationError(unstorable), kErrInvalidFieldDefinition);

    TTableSpec tooLong;
    tooLong.Fields.Add("Text", TFieldType::ftString, 251);
    EXPECT_EQ(CreationError(tooLong), kErrInvalidFieldDefinition);

    TTableSpec noFields;
    EXPECT_NE(CreationError(noFields), 0);

    TTableSpec tooManyKeys;
    std::string keys;
    for (int i = 1; i <= 17; ++i) {
        tooManyKeys.Fields.Add("F" + std::to_string(i), TFieldType::ftInteger);
        keys += (i > 1 ? ";F" : "F") + std::to_string(i);
    }
    tooManyKeys.PrimaryIndex.Fields = keys;
    EXPECT_NE(CreationError(tooManyKeys), 0);

    EXPECT_FALSE(AnyFile("Refused"));
}

// DeleteTable removes all three files of a closed table, but refuses a
// table that is open elsewhere or does not exist, and then deletes nothing.
TEST_F(TableCreation, DeleteTableRemovesTheFilesOnlyOfATableNobodyHasOpen) {
    TTableSpec spec;
    spec.Fields.Add("No", TFieldType::ftInteger);
    spec.Fields.Add("Note", TFieldType::ftMemo);
    spec.PrimaryIndex.Fields = "No";
    tabula::CreateTable(Path("Gone"), spec);
    ASSERT_TRUE(AnyFile("Gone"));

    auto table = Table("Gone.DAT");
    table->Open();
    EXPECT_THROW(tabula::DeleteTable(Path("Gone")), ETabulaEngineError);
    EXPECT_TRUE(std::filesystem::exists(Path("Gone.DAT")));
    EXPECT_TRUE(std::filesystem::exists(Path("Gone.IDX")));
    table->Close();

    tabula::DeleteTable(Path("Gone"));
    EXPECT_FALSE(AnyFile("Gone"));
    EXPECT_THROW(tabula::DeleteTable(Path("Gone")), ETabulaEngineError);
}

} // namespace
} // namespace tabula::test
