// Property lists: look-up without regard to case, redeclaration, the name
// length limit and enumeration items.
#include "TrpPropertyList.h"

#include <gtest/gtest.h>

using namespace report;

TEST(TrpPropertyListTest, LooksUpIgnoringCaseAndReplacesRedeclaredNames) {
    TrpPropertyList list;
    list.Add("Name", kPropString | kPropText);
    list.Add("FrameWidth", kPropReal);
    list.AddEnum("BandAlign", {"None", "Left"}, {0, 1});
    ASSERT_NE(list.Find("framewidth"), nullptr);
    EXPECT_EQ(list.Find("FRAMEWIDTH")->kind, kPropReal);
    EXPECT_EQ(list.Find("bandalign")->enumValues, (std::vector<std::int32_t>{0, 1}));
    EXPECT_EQ(list.Find("Left"), nullptr);

    // A later declaration of the same name, in any case, replaces the entry.
    list.Add("FRAMEWIDTH", kPropInteger);
    EXPECT_EQ(list.Entries().size(), 3u);
    EXPECT_EQ(list.Find("FrameWidth")->kind, kPropInteger);
    EXPECT_EQ(list.Find("bandAlign")->enumNames.size(), 2u);

    list.Remove("name");
    EXPECT_EQ(list.Find("Name"), nullptr);
    EXPECT_EQ(list.Entries().size(), 2u);
}

TEST(TrpPropertyListTest, NamesAreCutToTheLimit) {
    TrpPropertyList list;
    std::string longName(40, 'x');
    list.Add(longName, kPropString);
    ASSERT_EQ(list.Entries().size(), 1u);
    EXPECT_EQ(list.Entries()[0].name.size(), kMaxPropertyName);
    EXPECT_NE(list.Find(std::string(kMaxPropertyName, 'X')), nullptr);
    // A name over the limit names no entry, even one that starts alike.
    EXPECT_EQ(list.Find(longName), nullptr);
}
