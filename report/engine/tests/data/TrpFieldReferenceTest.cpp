// Field references: the parts of the text forms, resolution against real
// tables, the field value with its Null rules, and BLOB binding.
#include "TrpFieldReference.h"

#include "ReportTableSupport.h"
#include "TrpBlobBinding.h"
#include "TrpDBDataSet.h"
#include "TrpFieldValue.h"

namespace report::test {
namespace {

struct ParseCase {
    std::string text, form, container, dataset, field;
};

TEST(TrpFieldReferenceParseTest, PartsOfEveryForm) {
    const std::string longName(300, 'x');
    const std::vector<ParseCase> cases = {
        {"Name", "", "", "", "Name"},
        {"\"Name\"", "", "", "", "Name"},
        {"T.Name", "", "", "T", "Name"},
        {"T.\"Account No.\"", "", "", "T", "Account No."},
        {"Form1.T.\"Qty\"", "Form1", "", "T", "Qty"},
        {"Form1.Panel.T.Qty", "Form1", "Panel", "T", "Qty"},
        // A quoted part runs to the end of the text, dots and quotes included.
        {"T.\"a.b\".c", "", "", "T", "a.b\".c"},
        // Dots inside quotes in the middle of a part do not split.
        {"T.x\"y.z\"", "", "", "T", "x\"y.z"},
        {"T.\"" + longName + "\"", "", "", "T", std::string(254, 'x')},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 40));
        const std::optional<TrpFieldReference> ref = ParseFieldReference(c.text);
        ASSERT_TRUE(ref);
        EXPECT_EQ(ref->form, c.form);
        EXPECT_EQ(ref->container, c.container);
        EXPECT_EQ(ref->dataset, c.dataset);
        EXPECT_EQ(ref->field, c.field);
    }
    EXPECT_FALSE(ParseFieldReference(""));
    EXPECT_FALSE(ParseFieldReference("A.B.C.D.E"));
    EXPECT_EQ(ParseFieldReference("F.P.T.Q")->DatasetPath(), "F.P.T");
}

class TrpFieldTest : public ReportTableTest {
protected:
    TrpLookupContext Context() { return {owner_.get(), {}}; }
};

TEST_F(TrpFieldTest, ReferencesResolveOnlyToFieldsOfTableDatasets) {
    Fill(1);
    tabula::TComponent form;
    form.SetName("Main");
    auto* other = new tabula::TTabulaTable(&form);
    other->SetName("Other");
    other->SetDatabaseName("DB");
    other->SetTableName("T.DAT");
    other->Open();
    auto* link = new TrpDBDataSet(owner_.get());
    link->SetName("Rep");
    link->SetDataSet(table_);
    TrpLookupContext context{owner_.get(), {&form}};

    auto resolved = ResolveFieldReference(context, "name", table_);
    ASSERT_TRUE(resolved);
    EXPECT_EQ(resolved->dataset, table_);
    EXPECT_EQ(resolved->fieldName, "name");
    EXPECT_EQ(ResolveFieldReference(context, "t.\"QTY\"", nullptr)->dataset, table_);
    EXPECT_EQ(ResolveFieldReference(context, "Main.Other.No", nullptr)->dataset, other);

    EXPECT_FALSE(ResolveFieldReference(context, "Name", nullptr)) << "no default dataset";
    EXPECT_FALSE(ResolveFieldReference(context, "T.Missing", nullptr));
    EXPECT_FALSE(ResolveFieldReference(context, "Rep.Name", nullptr)) << "a report dataset";
    EXPECT_FALSE(ResolveFieldReference(context, "Nowhere.T.Name", nullptr)) << "lookup failure";
    EXPECT_FALSE(ResolveFieldReference(context, "T.\"\"", nullptr));
}

TEST_F(TrpFieldTest, NullValuesBecomeTheirTypesZero) {
    Fill(1);
    EXPECT_EQ(FieldValue(table_->FieldByName("No")), TrpValue(std::int64_t{1}));
    EXPECT_EQ(FieldValue(table_->FieldByName("Name")), TrpValue(std::string("R1")));
    EXPECT_EQ(FieldValue(table_->FieldByName("Qty")), TrpValue(std::int64_t{0}));
    EXPECT_EQ(FieldValue(table_->FieldByName("Flag")), TrpValue(false));
    EXPECT_EQ(FieldValue(table_->FieldByName("Day")), TrpValue(std::int64_t{0}));
    EXPECT_TRUE(IsNull(FieldValue(table_->FieldByName("At")))) << "time stays Null";

    table_->Edit();
    table_->FieldByName("Name").Clear();
    table_->FieldByName("Qty").SetAsInteger(7);
    table_->FieldByName("Flag").SetAsBoolean(true);
    table_->Post();
    EXPECT_EQ(FieldValue(table_->FieldByName("Name")), TrpValue(std::string()));
    EXPECT_EQ(FieldValue(table_->FieldByName("Qty")), TrpValue(std::int64_t{7}));
    EXPECT_EQ(FieldValue(table_->FieldByName("Flag")), TrpValue(true));

    table_->FieldByName("Qty").OnGetText = [](tabula::TField&, std::string& text, bool) {
        text = "seven";
    };
    EXPECT_EQ(FieldValue(table_->FieldByName("Qty")), TrpValue(std::string("seven")));
}

TEST_F(TrpFieldTest, ValueOfAReferenceOpensItsDataset) {
    Fill(2);
    table_->Close();
    const auto link = ResolveFieldReference(Context(), "T.Name", nullptr);
    EXPECT_FALSE(link) << "a closed table has no field list yet";
    table_->Open();
    const auto open = ResolveFieldReference(Context(), "T.Name", nullptr);
    ASSERT_TRUE(open);
    table_->Close();
    EXPECT_EQ(FieldValue(*open), TrpValue(std::string("R1")));
    EXPECT_TRUE(table_->Active());
}

TEST_F(TrpFieldTest, BlobBindingReadsTheFieldOfTheCurrentRecord) {
    Fill(2);
    table_->Edit();
    table_->FieldByName("Note").SetAsString("first note\nline two");
    table_->Post();

    EXPECT_EQ(TrpBlobBinding::BoundName("[T.\"Note\"] trailing ] text"), "T.\"Note\"] trailing ");
    EXPECT_EQ(TrpBlobBinding::BoundName(" [Note]"), "");
    EXPECT_EQ(TrpBlobBinding::BoundName("[Note"), "");

    TrpBlobBinding binding;
    ASSERT_TRUE(binding.Bind("[Note]", Context(), table_));
    std::optional<TrpBlobContent> content = binding.Fetch();
    ASSERT_TRUE(content);
    EXPECT_FALSE(content->isNull);
    EXPECT_EQ(content->bytes, "first note\nline two");
    table_->Next();
    content = binding.Fetch();
    ASSERT_TRUE(content);
    EXPECT_TRUE(content->isNull) << "the second row has no note";

    ASSERT_TRUE(binding.Bind("[T.Name]", Context(), nullptr));
    EXPECT_FALSE(binding.Fetch()) << "not a BLOB field";
    EXPECT_FALSE(binding.Bind("Plain text", Context(), table_));
    EXPECT_FALSE(binding.Bind("[Unknown]", Context(), table_));

    // A dictionary variable standing for the field binds before the reference.
    const auto variables = [this](const std::string& name) -> std::optional<TrpFieldLink> {
        if (name == "Comment")
            return TrpFieldLink{table_, "Note"};
        return std::nullopt;
    };
    ASSERT_TRUE(binding.Bind("[Comment]", Context(), nullptr, variables));
    EXPECT_EQ(binding.FieldName(), "Note");
    delete table_;
    table_ = nullptr;
    EXPECT_FALSE(binding.Bound()) << "a destroyed dataset unbinds";
    EXPECT_FALSE(binding.Fetch());
}

} // namespace
} // namespace report::test
