// Runs the expression data files (tests/expr/*.test). Each line is one of
//   # comment, or a blank line
//   EXPRESSION => VALUE-TEXT      the value's text, or "!" + the error
//   memo: LINE => RESULT          the memo line expanded in "Memo1"; the
//                                 result lines joined by "|"
//   @var NAME = TEXT              a dictionary variable with that text
//   @global NAME = EXPRESSION     a global variable with that value
//   @set FIELD = NUMBER           generation state: PageNo, TotalPages,
//                                 LineNo, CurY, PageBottom, ...; FormatCode
//                                 and Flags of "Memo1"
//   @reset                        a fresh state
#include "ScriptTestFixture.h"
#include "TrpObjectCodes.h"
#include "TrpValueConvert.h"

#include <cstdlib>

namespace report::testing {
namespace {

struct ExpressionDataTest : ScriptTestFixture {
    std::string Expand(const std::string& line) {
        memo->Memo = {line};
        try {
            evaluator.ExpandMemo(*memo);
        } catch (const std::exception& error) {
            return std::string("!") + error.what();
        }
        std::string joined;
        for (std::size_t i = 0; i < memo->ResultMemo.size(); ++i)
            joined += (i ? "|" : "") + memo->ResultMemo[i];
        return joined;
    }

    void SetState(const std::string& field, std::int64_t n) {
        TrpGenerationInfo& info = GenerationInfo();
        int v = static_cast<int>(n);
        if (field == "PageNo")
            info.PageNo = v;
        else if (field == "TotalPages")
            info.TotalPages = v;
        else if (field == "LineNo")
            info.LineNo = v;
        else if (field == "LineThroughNo")
            info.LineThroughNo = v;
        else if (field == "ColumnNo")
            info.ColumnNo = v;
        else if (field == "CurrentNo")
            info.CurrentNo = v;
        else if (field == "CurY")
            info.CurY = v;
        else if (field == "PageBottom")
            info.PageBottom = v;
        else if (field == "PageWidth")
            info.PageWidth = v;
        else if (field == "FormatCode")
            memo->FormatCode = v;
        else if (field == "Flags")
            memo->Flags = static_cast<std::uint16_t>(v);
        else if (field == "Width")
            memo->Width = v;
        else
            ADD_FAILURE() << "unknown state field " << field;
    }

    void Directive(const std::string& text) {
        std::size_t space = text.find(' ');
        std::string word = text.substr(0, space);
        std::string rest = space == std::string::npos ? "" : text.substr(space + 1);
        std::size_t eq = rest.find(" = ");
        std::string name = rest.substr(0, eq);
        std::string value = eq == std::string::npos ? "" : rest.substr(eq + 3);
        if (word == "@reset")
            Reset();
        else if (word == "@var")
            report.Dictionary.Variables.Set(name, value);
        else if (word == "@global")
            GlobalVariables().Set(name, evaluator.Calc(value));
        else if (word == "@set")
            SetState(name, std::strtoll(value.c_str(), nullptr, 0));
        else
            ADD_FAILURE() << "unknown directive " << word;
    }

    void RunFile(const std::filesystem::path& file) {
        Reset();
        for (const DataLine& line : ReadDataLines(file)) {
            SCOPED_TRACE(file.filename().string() + ":" + std::to_string(line.number));
            const std::string& text = line.text;
            if (text.empty() || text[0] == '#')
                continue;
            if (text[0] == '@') {
                Directive(text);
                continue;
            }
            std::size_t arrow = text.rfind(" =>");
            ASSERT_NE(arrow, std::string::npos) << text;
            std::string input = text.substr(0, arrow);
            std::string expected = text.substr(arrow + 3);
            if (!expected.empty() && expected[0] == ' ')
                expected.erase(0, 1);
            if (input.rfind("memo: ", 0) == 0)
                EXPECT_EQ(Expand(input.substr(6)), expected) << input;
            else
                EXPECT_EQ(Outcome(input), expected) << input;
        }
    }
};

TEST_F(ExpressionDataTest, EveryDataFile) {
    auto files = DataFiles("expr");
    ASSERT_FALSE(files.empty());
    for (const auto& file : files)
        RunFile(file);
}

} // namespace
} // namespace report::testing
