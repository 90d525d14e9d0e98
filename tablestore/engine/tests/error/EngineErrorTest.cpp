// The engine's messages, the error context they are built from, and the
// raise path.
#include "EngineError.h"

#include "EngineCodes.h"
#include "FileSession.h"

#include <gtest/gtest.h>
#include <string>

namespace tabula {
namespace {

class EngineErrorTest : public ::testing::Test {
protected:
    void SetUp() override { StartEngine(); }
    void TearDown() override { StopEngine(); }

    // Raises through the engine path and returns the exception.
    static ETabulaEngineError Raised(int code, const std::string& file = {},
                                     const std::string& field = {}, const std::string& sql = {},
                                     const std::string& index = {}) {
        try {
            RaiseEngineError(code, file, field, sql, index);
        } catch (const ETabulaEngineError& e) {
            return e;
        }
        ADD_FAILURE() << "RaiseEngineError returned";
        return ETabulaEngineError(code);
    }
};

TEST_F(EngineErrorTest, MessagesJoinTheContextTextsExactly) {
    struct Case {
        int code;
        const char* text;
    };
    const Case cases[] = {
        {8705, "Beginning of file encountered in data file T.DAT"},
        {8708, "Key not found in index ByName of data file T.DAT"},
        {8711, "End of blob data in data file T.DAT reached prematurely"},
        {8961, "Header information corrupt in data file T.DAT"},
        {9217, "Error reading from data file T.DAT"},
        {9479, "The data file T.DAT is full and cannot contain any more data"},
        {9729, "Duplicate key found in index ByName of data file T.DAT"},
        {9730, "The value for the field Amount in data file T.DAT is below the minimum allowable "
               "value"},
        {9993, "A primary index is already defined for data file T.DAT and cannot be added again"},
        {10006, "Invalid default, min or max validity check, or expression specified for Amount "
                "in data file T.DAT"},
        {10015, "Password provided for data file T.DATis invalid"},
        {10022, "Invalid secondary index name ByName specified for data file T.DAT"},
        {10023, "Invalid field number Amount specified in index ByName for data file T.DAT"},
        {10241, "The data file T.DAT is already locked by another user"},
        {10258, "Record in data file T.DAT is in use by another user"},
        {10498, "Insufficient rights to data file T.DAT, a password is required"},
        {10758, "Tabula engine not initialized"},
        {11016, "There is insufficient operating system memory available for the current "
                "operation"},
        {11949, "SQL - Unexpected end of statement"},
        {12292, "Invalid field type specified for index ByName in data file T.DAT"},
        {15878, "The language driver for data file T.DAT is not available or installed"},
        {4242, "Unknown error occurred with data file T.DAT"},
    };
    TErrorContext context{"Amount", "T.DAT", "Unexpected end of statement", "ByName"};
    for (const Case& c : cases)
        EXPECT_EQ(EngineErrorMessage(c.code, context), c.text) << c.code;
}

TEST_F(EngineErrorTest, ExceptionMessageCarriesCodeAndOneEntry) {
    ETabulaEngineError e = Raised(10241, "/data/Report.DAT");
    EXPECT_EQ(e.Code(), 10241);
    EXPECT_STREQ(e.what(), "Tabula Engine Error # 10241 The data file /data/Report.DAT is already "
                           "locked by another user");
    ASSERT_EQ(e.Errors().size(), 1u);
    EXPECT_EQ(e.Errors()[0].ErrorCode, 10241);
    EXPECT_EQ(e.Errors()[0].ErrorText, e.Text());
}

TEST_F(EngineErrorTest, LongTextsAreCut) {
    // The text is cut to 127 characters, the message keeps its prefix.
    std::string file(100, 'f');
    ETabulaEngineError e = Raised(9487, file);
    std::string full =
        "Maximum or minimum limits on number of indexes or fields in an index exceeded in data "
        "file " +
        file;
    EXPECT_EQ(e.Text(), full.substr(0, 127));
    EXPECT_EQ(std::string(e.what()), "Tabula Engine Error # 9487 " + full.substr(0, 127));

    // Context texts are stored cut to 255 characters.
    Raised(11949, {}, {}, std::string(300, 's'));
    EXPECT_EQ(Session().ErrorContext().SqlText.size(), 255u);
}

TEST_F(EngineErrorTest, RaiseReplacesTheSessionContext) {
    Raised(9732, "A.DAT", "Name", "", "Primary");
    EXPECT_EQ(Session().LastErrorCode(), 9732);
    EXPECT_EQ(Session().ErrorContext().FieldName, "Name");
    EXPECT_EQ(Session().ErrorContext().IndexName, "Primary");

    // A second raise clears the texts it does not give.
    Raised(9217, "B.DAT");
    EXPECT_EQ(Session().LastErrorCode(), 9217);
    EXPECT_EQ(Session().ErrorContext().FileName, "B.DAT");
    EXPECT_TRUE(Session().ErrorContext().FieldName.empty());
    EXPECT_TRUE(Session().ErrorContext().IndexName.empty());

    // 10758 leaves the context alone.
    Raised(10758, "C.DAT");
    EXPECT_EQ(Session().LastErrorCode(), 9217);
    EXPECT_EQ(Session().ErrorContext().FileName, "B.DAT");

    // RaiseCode reuses the context of the last raise.
    try {
        RaiseCode(8706);
        FAIL();
    } catch (const ETabulaEngineError& e) {
        EXPECT_EQ(e.Text(), "End of file encountered in data file B.DAT");
    }
    EXPECT_NO_THROW(CheckCode(0));
    EXPECT_THROW(CheckCode(8710), ETabulaEngineError);
}

TEST_F(EngineErrorTest, WithoutEngineTheTextsStillReachTheMessage) {
    StopEngine();
    EXPECT_THROW(Session(), ETabulaEngineError);
    ETabulaEngineError e = Raised(11010, "/nowhere/X.DAT");
    EXPECT_EQ(e.Text(), "Invalid path or file name for data file /nowhere/X.DAT");
    try {
        Session();
    } catch (const ETabulaEngineError& e) {
        EXPECT_EQ(e.Code(), kErrNotInitialized);
        EXPECT_STREQ(e.what(), "Tabula Engine Error # 10758 Tabula engine not initialized");
    }
    StartEngine();
}

} // namespace
} // namespace tabula
