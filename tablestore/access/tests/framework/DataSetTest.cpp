// The dataset framework over an in-memory record source: the application's
// road (append, assign as text, post, count, walk), failed posts, state
// checks, text conversion, bookmarks, searching, filtering, calculated
// fields and data-source notifications.
#include "AccessMessages.h"
#include "ApplicationHandler.h"
#include "DataLink.h"
#include "DataSource.h"
#include "EngineCodes.h"
#include "FieldDescriptor.h"
#include "FieldTypes.h"
#include "FormatSettings.h"
#include "MemoryDataSet.h"

#include <gtest/gtest.h>

namespace tabula {
namespace {

using test::ErrorOf;
using test::TMemoryDataSet;

TFieldDef Def(const std::string& name, TFieldType type, int size = 0) {
    TFieldDef d;
    d.Name = name;
    d.DataType = type;
    d.Size = size;
    return d;
}

// The report table's shape: an integer key and five strings.
class ReportRows : public ::testing::Test {
protected:
    void SetUp() override {
        ds.Defs = {Def("No", TFieldType::ftInteger),
                   Def("Product", TFieldType::ftString, 3),
                   Def("AccountNumber", TFieldType::ftString, 25),
                   Def("AccountName", TFieldType::ftString, 70),
                   Def("Ref1", TFieldType::ftString, 20),
                   Def("Action", TFieldType::ftString, 11)};
        ds.KeyField = 1;
        ds.Open();
    }
    void AppendRow(const std::string& no, const std::string& action) {
        ds.Append();
        ds.FieldByName("No").SetAsString(no);
        ds.FieldByName("Product").SetAsString("001");
        ds.FieldByName("AccountNumber").SetAsString("1234567890");
        ds.FieldByName("AccountName").SetAsString("Payee " + no);
        ds.FieldByName("Ref1").SetAsString("REF" + no);
        ds.FieldByName("Action").SetAsString(action);
        ds.Post();
    }
    TMemoryDataSet ds;
};

TEST_F(ReportRows, AppendPostCountAndWalkInKeyOrder) {
    EXPECT_EQ(ds.RecordCount(), 0);
    EXPECT_TRUE(ds.Eof());
    ds.First();
    EXPECT_TRUE(ds.Eof());
    EXPECT_TRUE(ds.IsEmpty());

    AppendRow("2", "Add");
    AppendRow("1", "Delete");
    AppendRow("3", "Force Add");
    EXPECT_EQ(ds.RecordCount(), 3);
    EXPECT_EQ(ds.State(), TDataSetState::dsBrowse);
    // The posted record is current.
    EXPECT_EQ(ds.FieldByName("No").AsInteger(), 3);

    std::vector<std::string> seen;
    for (ds.First(); !ds.Eof(); ds.Next())
        seen.push_back(ds.FieldByName("No").AsString() + ":" + ds.FieldByName("Action").AsString());
    EXPECT_EQ(seen, (std::vector<std::string>{"1:Delete", "2:Add", "3:Force Add"}));
    // At the end the last record stays current; prior goes back one.
    EXPECT_EQ(ds.FieldByName("No").AsInteger(), 3);
    ds.Prior();
    EXPECT_EQ(ds.FieldByName("No").AsInteger(), 2);
    ds.Prior();
    ds.Prior();
    EXPECT_TRUE(ds.Bof());
    EXPECT_EQ(ds.FieldByName("No").AsInteger(), 1);
    ds.Last();
    EXPECT_EQ(ds.FieldByName("No").AsInteger(), 3);
    EXPECT_TRUE(ds.Eof());
}

TEST_F(ReportRows, FailedPostKeepsInsertStateAndValues) {
    AppendRow("1", "Add");
    ds.Append();
    ds.FieldByName("No").SetAsString("1");
    ds.FieldByName("Action").SetAsString("Special Add");
    try {
        ds.Post();
        FAIL() << "duplicate key posted";
    } catch (const ETabulaEngineError& e) {
        EXPECT_EQ(e.Code(), kErrDuplicateKey);
        EXPECT_EQ(std::string(e.what()), "Tabula Engine Error # 9729 Duplicate key found in index "
                                         "Primary of data file Memory.DAT");
        EXPECT_EQ(e.Errors().size(), 1u);
    }
    EXPECT_EQ(ds.State(), TDataSetState::dsInsert);
    EXPECT_EQ(ds.FieldByName("Action").AsString(), "Special Add");
    // Correcting the key lets the same record post.
    ds.FieldByName("No").SetAsInteger(2);
    ds.Post();
    EXPECT_EQ(ds.RecordCount(), 2);

    ds.Append();
    ds.FieldByName("No").SetAsString("2");
    EXPECT_THROW(ds.Post(), ETabulaEngineError);
    ds.Cancel();
    EXPECT_EQ(ds.State(), TDataSetState::dsBrowse);
    EXPECT_EQ(ds.RecordCount(), 2);
    EXPECT_EQ(ds.FieldByName("No").AsInteger(), 2);
}

TEST_F(ReportRows, StateAndNameChecks) {
    AppendRow("1", "Add");
    EXPECT_EQ(ErrorOf([&] { ds.FieldByName("Action").SetAsString("x"); }),
              "Dataset not in edit or insert mode");
    EXPECT_EQ(ErrorOf([&] { ds.FieldByName("Nope"); }), "Field 'Nope' not found");
    EXPECT_EQ(ds.FindField("ACTION"), &ds.FieldByName("action"));
    ds.FieldByName("Ref1").ReadOnly = true;
    ds.Edit();
    EXPECT_EQ(ErrorOf([&] { ds.FieldByName("Ref1").SetAsString("x"); }),
              "Field 'Ref1' cannot be modified");
    ds.Cancel();
    EXPECT_EQ(ErrorOf([&] { ds.SetActive(true), ds.CheckInactive(); }),
              "Cannot perform this operation on an open dataset");
    ds.Close();
    EXPECT_EQ(ErrorOf([&] { ds.RecordCount(); }),
              "Cannot perform this operation on a closed dataset");
    // Default fields go with the close and come back with the next open.
    EXPECT_EQ(ds.FieldCount(), 0);
    ds.Open();
    EXPECT_EQ(ds.FieldCount(), 6);
}

TEST_F(ReportRows, EditCancelRestoresAndDeleteMovesOn) {
    AppendRow("1", "Add");
    AppendRow("2", "Add");
    ds.First();
    ds.Edit();
    ds.FieldByName("Action").SetAsString("Delete");
    EXPECT_TRUE(ds.Modified());
    ds.Cancel();
    EXPECT_EQ(ds.FieldByName("Action").AsString(), "Add");
    ds.Edit();
    ds.FieldByName("Action").SetAsString("Delete");
    ds.Next(); // leaving the record posts the pending edit
    ds.First();
    EXPECT_EQ(ds.FieldByName("Action").AsString(), "Delete");
    ds.Delete();
    EXPECT_EQ(ds.RecordCount(), 1);
    EXPECT_EQ(ds.FieldByName("No").AsInteger(), 2);
    ds.Delete();
    EXPECT_TRUE(ds.IsEmpty());
    EXPECT_EQ(ErrorOf([&] { ds.Delete(); }), "Cannot perform this operation on an empty dataset");
}

TEST_F(ReportRows, BookmarksCompareAndReturn) {
    AppendRow("1", "Add");
    AppendRow("2", "Add");
    ds.First();
    const TBookmark first = ds.GetBookmark();
    ds.Next();
    const TBookmark second = ds.GetBookmark();
    EXPECT_EQ(ds.CompareBookmarks(first, {}), -1);
    EXPECT_EQ(ds.CompareBookmarks({}, first), 1);
    EXPECT_EQ(ds.CompareBookmarks({}, {}), 0);
    EXPECT_EQ(ds.CompareBookmarks(first, first), 0);
    ds.GotoBookmark(first);
    EXPECT_EQ(ds.FieldByName("No").AsInteger(), 1);
    EXPECT_TRUE(ds.BookmarkValid(second));
    // Checking validity moved the cursor; the next move still starts here.
    ds.Next();
    EXPECT_EQ(ds.FieldByName("No").AsInteger(), 2);
    ds.Delete();
    EXPECT_FALSE(ds.BookmarkValid(second));
}

TEST_F(ReportRows, LocateLookupAndFindLeaveNoFilterBehind) {
    AppendRow("1", "Add");
    AppendRow("2", "Force Add");
    AppendRow("3", "Delete");
    ds.First();
    EXPECT_TRUE(ds.Locate("Action", {TVariant(std::string("force add"))}, loCaseInsensitive));
    EXPECT_EQ(ds.FieldByName("No").AsInteger(), 2);
    EXPECT_FALSE(ds.Locate("Action", {TVariant(std::string("force add"))}, 0));
    EXPECT_EQ(ds.FieldByName("No").AsInteger(), 2); // a failed locate does not move
    EXPECT_TRUE(ds.Locate("Action;No", {TVariant(std::string("Del")), TVariant(std::string("3"))},
                          0) == false);
    EXPECT_TRUE(ds.Locate("No;Action", {TVariant(std::int64_t{3}), TVariant(std::string("Del"))},
                          loPartialKey));
    EXPECT_EQ(ds.FieldByName("No").AsInteger(), 3);

    ds.First();
    const auto values = ds.Lookup("No", {TVariant(std::string("2"))}, "Action;Ref1");
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(std::get<std::string>(values[0]), "Force Add");
    EXPECT_EQ(std::get<std::string>(values[1]), "REF2");
    EXPECT_EQ(ds.FieldByName("No").AsInteger(), 1); // lookup does not move
    ds.Next();
    EXPECT_EQ(ds.FieldByName("No").AsInteger(), 2);
    EXPECT_TRUE(ds.Lookup("No", {TVariant(std::int64_t{9})}, "Action").empty());

    // Find walks with the record filter while Filtered stays off.
    ds.SetOnFilterRecord([](TDataSet& d, bool& accept) {
        accept = d.FieldByName("Action").AsString().find("Add") != std::string::npos;
    });
    EXPECT_TRUE(ds.FindLast());
    EXPECT_EQ(ds.FieldByName("No").AsInteger(), 2);
    EXPECT_TRUE(ds.FindPrior());
    EXPECT_EQ(ds.FieldByName("No").AsInteger(), 1);
    EXPECT_FALSE(ds.FindPrior());
    int walked = 0;
    for (ds.First(); !ds.Eof(); ds.Next())
        ++walked;
    EXPECT_EQ(walked, 3);
}

TEST_F(ReportRows, FilterRecordHidesRowsAndSurvivesAThrowingHandler) {
    AppendRow("1", "Add");
    AppendRow("2", "Delete");
    AppendRow("3", "Add");
    ds.SetOnFilterRecord([](TDataSet& d, bool& accept) {
        // Writing a data field is allowed in filter state and never reaches the table.
        accept = d.FieldByName("Action").AsString() == "Add";
    });
    ds.SetFiltered(true);
    std::vector<std::int64_t> seen;
    for (ds.First(); !ds.Eof(); ds.Next())
        seen.push_back(ds.FieldByName("No").AsInteger());
    EXPECT_EQ(seen, (std::vector<std::int64_t>{1, 3}));

    std::vector<std::string> reported;
    auto previous = SetApplicationExceptionHandler(
        [&](const std::exception& e) { reported.push_back(e.what()); });
    ds.SetOnFilterRecord([](TDataSet& d, bool& accept) {
        if (d.FieldByName("No").AsInteger() == 2) {
            accept = false;
            throw EDatabaseError("refused");
        }
        if (d.FieldByName("No").AsInteger() == 3)
            throw EDatabaseError("broken");
    });
    seen.clear();
    for (ds.First(); !ds.Eof(); ds.Next())
        seen.push_back(ds.FieldByName("No").AsInteger());
    SetApplicationExceptionHandler(previous);
    EXPECT_EQ(seen, (std::vector<std::int64_t>{1, 3}));
    EXPECT_GE(reported.size(), 2u);
    EXPECT_EQ(ds.State(), TDataSetState::dsBrowse);
}

TEST(DataSetFields, TextConversionByType) {
    TFormatSettings saved = TFormatSettings::Global();
    TFormatSettings settings = saved;
    settings.shortDateFormat = "dd/mm/yyyy";
    TFormatSettings::SetGlobal(settings);

    TMemoryDataSet ds;
    ds.Defs = {Def("S", TFieldType::ftString, 5), Def("I", TFieldType::ftSmallint),
               Def("W", TFieldType::ftWord),      Def("F", TFieldType::ftFloat),
               Def("B", TFieldType::ftBoolean),   Def("D", TFieldType::ftDate),
               Def("T", TFieldType::ftDateTime),  Def("C", TFieldType::ftBCD, 2),
               Def("M", TFieldType::ftMemo),      Def("Tm", TFieldType::ftTime)};
    ds.Open();
    ds.Append();
    ds.FieldByName("S").SetAsString("abcdefgh");
    EXPECT_EQ(ds.FieldByName("S").AsString(), "abcde");
    ds.FieldByName("I").SetAsString("-12");
    EXPECT_EQ(ds.FieldByName("I").AsInteger(), -12);
    EXPECT_EQ(ErrorOf([&] { ds.FieldByName("I").SetAsString("1x"); }),
              "'1x' is not a valid integer value");
    EXPECT_EQ(ds.FieldByName("I").AsInteger(), -12); // unchanged
    EXPECT_EQ(ErrorOf([&] { ds.FieldByName("W").SetAsInteger(70000); }),
              "70000 is not a valid value for field 'W'. The allowed range is 0 to 65535");
    ds.FieldByName("F").SetAsString("2.5");
    EXPECT_EQ(ds.FieldByName("F").AsFloat(), 2.5);
    EXPECT_EQ(ds.FieldByName("F").AsString(), "2.5");
    ds.FieldByName("B").SetAsString("true");
    EXPECT_EQ(ds.FieldByName("B").AsString(), "True");
    ds.FieldByName("D").SetAsString("31/12/2024");
    EXPECT_EQ(ds.FieldByName("D").AsString(), "31/12/2024");
    EXPECT_EQ(ErrorOf([&] { ds.FieldByName("D").SetAsString("31/02/2024"); }),
              "'31/02/2024' is not a valid date");
    ds.FieldByName("T").SetAsString("01/02/2003 04:05:06");
    EXPECT_EQ(ds.FieldByName("T").AsString(), "01/02/2003 04:05:06");
    EXPECT_EQ(ds.FieldByName("D").AsDateTime().value, 45657.0); // days since 1899-12-30
    ds.FieldByName("Tm").SetAsString("13:14:15");
    EXPECT_EQ(ds.FieldByName("Tm").AsString(), "13:14:15");
    ds.FieldByName("C").SetAsString("-12.345");
    EXPECT_EQ(ds.FieldByName("C").AsString(), "-12.345");
    ds.FieldByName("M").SetAsString("a long memo");
    EXPECT_EQ(ds.FieldByName("M").AsString(), "a long memo");
    ds.FieldByName("I").SetAsString("");
    EXPECT_TRUE(ds.FieldByName("I").IsNull());
    EXPECT_EQ(ds.FieldByName("I").AsString(), "");
    ds.Post();
    EXPECT_EQ(ds.FieldByName("D").AsString(), "31/12/2024");
    EXPECT_TRUE(ds.FieldByName("I").IsNull());
    TFormatSettings::SetGlobal(saved);
}

TEST(DataSetFields, CalculatedFieldsAndEvents) {
    TMemoryDataSet ds;
    ds.Defs = {Def("No", TFieldType::ftInteger)};
    auto doubled = std::make_unique<TIntegerField>();
    doubled->SetFieldName("Twice");
    doubled->FieldKind = TFieldKind::fkCalculated;
    ds.AddField(std::move(doubled));
    auto no = std::make_unique<TIntegerField>();
    no->SetFieldName("No");
    ds.AddField(std::move(no));
    std::vector<std::string> events;
    ds.OnCalcFields = [](TDataSet& d) {
        d.FieldByName("Twice").SetAsInteger(d.FieldByName("No").AsInteger() * 2);
    };
    ds.OnNewRecord = [&](TDataSet& d) {
        events.push_back("new");
        d.FieldByName("No").SetAsInteger(7);
    };
    ds.BeforePost = [&](TDataSet&) { events.push_back("before post"); };
    ds.AfterPost = [&](TDataSet&) { events.push_back("after post"); };
    ds.Open();
    ds.Append();
    ds.Post();
    EXPECT_EQ(ds.FieldByName("Twice").AsInteger(), 14);
    EXPECT_EQ(events, (std::vector<std::string>{"new", "before post", "after post"}));
    EXPECT_EQ(ErrorOf([&] {
                  ds.Edit();
                  ds.FieldByName("Twice").SetAsInteger(1);
                  ds.Post();
              }),
              "(no error)"); // a calculated field may be written in edit state
    EXPECT_EQ(ds.FieldByName("Twice").AsInteger(), 14); // and is recomputed on fetch
}

class RecordingLink : public TDataLink {
public:
    std::vector<std::string> log;

protected:
    void ActiveChanged() override { log.push_back(Active() ? "active" : "inactive"); }
    void RecordChanged(TField* f) override { log.push_back("field " + (f ? f->FieldName() : "")); }
    void DataSetScrolled() override { log.push_back("scrolled"); }
    void EditingChanged() override { log.push_back(Editing() ? "editing" : "not editing"); }
};

TEST(DataSetNotifications, LinksFollowStateFieldsAndScrolls) {
    TMemoryDataSet ds;
    ds.Defs = {Def("No", TFieldType::ftInteger)};
    TDataSource source;
    source.SetDataSet(&ds);
    RecordingLink link;
    link.SetDataSource(&source);
    ds.Open();
    ds.Append();
    ds.FieldByName("No").SetAsInteger(1);
    ds.Post();
    ds.Append();
    ds.FieldByName("No").SetAsInteger(2);
    ds.Post();
    ds.First();
    link.log.clear();
    ds.DisableControls();
    ds.Next();
    EXPECT_TRUE(link.log.empty());
    ds.EnableControls();
    ds.Prior();
    EXPECT_EQ(link.log, (std::vector<std::string>{"scrolled"}));
    ds.Edit();
    ds.FieldByName("No").SetAsInteger(5);
    ds.Close();
    EXPECT_NE(std::find(link.log.begin(), link.log.end(), "inactive"), link.log.end());
    EXPECT_NE(std::find(link.log.begin(), link.log.end(), "field No"), link.log.end());
    EXPECT_NE(std::find(link.log.begin(), link.log.end(), "editing"), link.log.end());

    EXPECT_TRUE(source.IsLinkedTo(&ds));
    TMemoryDataSet other;
    EXPECT_FALSE(source.IsLinkedTo(&other));
}

} // namespace
} // namespace tabula

namespace tabula {
namespace {

TEST(TabulaFieldDefs, FromDescriptorsWithUniqueNamesAndHiddenTypes) {
    auto descriptor = [](const std::string& name, std::uint8_t type, std::uint8_t subtype = 0,
                         std::uint8_t size = 0, std::uint8_t decimals = 0) {
        return TFieldDescriptor::Make(0, name, type, size, decimals, subtype);
    };
    const std::vector<TFieldDescriptor> descriptors = {
        descriptor("NAME", 1, 0, 20), descriptor("name", 1, 0, 5),      descriptor("X", 14),
        descriptor("Id", 6, 29),      descriptor("Amount", 8, 0, 0, 2), descriptor("Memo", 3, 22),
        descriptor("NAME_1", 5)};
    TFieldDefs defs;
    TTabulaDataSet::BuildFieldDefs(descriptors, defs);
    ASSERT_EQ(defs.Count(), 6);
    EXPECT_EQ(defs[0].Name, "NAME");
    EXPECT_EQ(defs[1].Name, "name_1");
    EXPECT_EQ(defs[1].Size, 5);
    EXPECT_EQ(defs.IndexOf("X"), -1); // type 14 has no definition
    EXPECT_EQ(defs[2].DataType, TFieldType::ftAutoInc);
    EXPECT_EQ(defs[2].FieldNo, 4);
    EXPECT_EQ(defs[3].DataType, TFieldType::ftBCD);
    EXPECT_EQ(defs[3].Size, 2);
    EXPECT_EQ(defs[3].Precision, 20);
    EXPECT_EQ(defs[4].DataType, TFieldType::ftMemo);
    EXPECT_EQ(defs[5].Name, "NAME_1_1"); // NAME_1 was taken by the second field
}

} // namespace
} // namespace tabula
