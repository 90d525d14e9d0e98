// Variable lists: set/replace/get ignoring case, soft index access, rename
// and delete, the sorted mode, and clearing the data dictionary.
#include "TrpVariables.h"

#include "TrpDataDictionary.h"

#include <gtest/gtest.h>

using namespace report;

TEST(TrpVariablesTest, UnsortedListKeepsOrderAndReplacesByName) {
    TrpVariables list;
    list.Set("comId", std::string("'C1'"));
    list.Set("hashValue", std::string("'AB'"));
    list.Set("COMID", std::string("'C2'"));
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Name(0), "comId");
    EXPECT_EQ(list.Get("comid"), TrpValue(std::string("'C2'")));
    EXPECT_EQ(list.IndexOf("HASHVALUE"), 1);
    EXPECT_EQ(list.IndexOf("none"), -1);
    EXPECT_TRUE(IsNull(list.Get("none")));

    // Out-of-range indexes are answered softly.
    EXPECT_EQ(list.Value(2), TrpValue(std::int64_t{0}));
    EXPECT_EQ(list.Value(-1), TrpValue(std::int64_t{0}));
    EXPECT_EQ(list.Name(5), "");
    list.SetValue(7, std::int64_t{1});
    list.Rename(-1, "x");
    list.Delete(2);
    EXPECT_EQ(list.Count(), 2);

    list.SetValue(1, std::int64_t{42});
    EXPECT_EQ(list.Get("hashValue"), TrpValue(std::int64_t{42}));
    list.Rename(0, "company");
    EXPECT_EQ(list.IndexOf("company"), 0);
    list.Delete(0);
    EXPECT_EQ(list.Name(0), "hashValue");
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}

TEST(TrpVariablesTest, SortedListStaysOrderedWithoutDuplicates) {
    TrpVariables list(true);
    for (const char* name : {"clRed", "CRLF", "btBMP", "clAqua", "Null"})
        list.Set(name, std::string(name));
    list.Set("crlf", std::string("again"));
    ASSERT_EQ(list.Count(), 5);
    EXPECT_EQ(list.Name(0), "btBMP");
    EXPECT_EQ(list.Name(1), "clAqua");
    EXPECT_EQ(list.Name(2), "clRed");
    EXPECT_EQ(list.Name(3), "CRLF");
    EXPECT_EQ(list.Name(4), "Null");
    EXPECT_EQ(list.Get("CrLf"), TrpValue(std::string("again")));

    // A renamed entry moves to its place; a name already used is refused.
    list.Rename(0, "zz");
    EXPECT_EQ(list.Name(4), "zz");
    EXPECT_EQ(list.IndexOf("ZZ"), 4);
    list.Rename(4, "NULL");
    EXPECT_EQ(list.IndexOf("zz"), 4);

    // Switching an unsorted list to sorted orders it and keeps the first of
    // equal names.
    TrpVariables mixed;
    mixed.Set("b", std::int64_t{1});
    mixed.Set("a", std::int64_t{2});
    mixed.Rename(1, "B");
    mixed.SetSorted(true);
    ASSERT_EQ(mixed.Count(), 1);
    EXPECT_EQ(mixed.Get("b"), TrpValue(std::int64_t{1}));
}

TEST(TrpVariablesTest, DictionaryClearEmptiesTheThreeLists) {
    TrpDataDictionary dictionary;
    dictionary.Variables.Set(" Category", std::string());
    dictionary.Variables.Set("comId", std::string("'X'"));
    dictionary.Aliases.Set("dbDetail", std::string("Detail"));
    dictionary.ThirdList.Set("k", std::string("v"));
    EXPECT_TRUE(dictionary.IsVariable("COMID"));
    EXPECT_FALSE(dictionary.IsVariable(" Category"));
    EXPECT_FALSE(dictionary.IsVariable("other"));
    dictionary.Clear();
    EXPECT_EQ(dictionary.Variables.Count() + dictionary.Aliases.Count() +
                  dictionary.ThirdList.Count(),
              0);
}
