// Message table: look-up by id, the band names by type code, and ids the
// table does not carry.
#include "TrpMessages.h"

#include <gtest/gtest.h>

using namespace report;

TEST(TrpMessagesTest, LooksUpTextsByIdAndBandNamesByCode) {
    EXPECT_EQ(MessageText(kMsgUnsupportedFormat), "Unsupported RPF format");
    EXPECT_EQ(MessageText(kMsgErrorCaption), "Error");
    EXPECT_EQ(MessageText(kMsgVirtualPrinter), "Virtual printer");
    EXPECT_EQ(MessageText(kMsgUndefinedSymbol), "Undefined symbol");
    EXPECT_EQ(MessageText(kMsgFirstDateFormat + 2), "d mmm yyyy");
    EXPECT_EQ(BandTypeName(0), "Report title");
    EXPECT_EQ(BandTypeName(13), "Overlay");
    EXPECT_EQ(BandTypeName(21), "Child");
    EXPECT_EQ(BandTypeName(22), "None");
    EXPECT_EQ(BandTypeName(23), "");
    EXPECT_EQ(BandTypeName(-1), "");
    EXPECT_EQ(MessageText(kMsgFirstBandName - 1), "");
    EXPECT_EQ(MessageText(kFirstMessageId), "");
    EXPECT_EQ(MessageText(0), "");
}
