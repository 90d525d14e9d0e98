// The function-call scanner: which texts count as calls, how dictionary
// variables are followed, and what a band hands it.
#include "TrpFunctionSplitter.h"
#include "TrpLineView.h"
#include "TrpMemoView.h"
#include "TrpScriptFormat.h"
#include "TrpVariables.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace report {
namespace {

using Calls = std::vector<std::string>;

Calls SplitText(const std::string& text, const TrpVariables* variables = nullptr) {
    Calls calls;
    TAggregateFunctionsSplitter(variables).Split(text, calls);
    return calls;
}

TEST(FunctionSplitter, FindsCallsWithTheirArgumentsOuterFirst) {
    EXPECT_EQ(SplitText("SUM(Amount) / count(Band1)"), (Calls{"SUM(Amount)", "count(Band1)"}));
    EXPECT_EQ(SplitText("MAX(SUM(a, MasterData1), Band2) + Avg (b)"),
              (Calls{"MAX(SUM(a, MasterData1), Band2)", "SUM(a, MasterData1)", "Avg (b)"}));
    // Parentheses and brackets of the arguments do not end the call early.
    EXPECT_EQ(SplitText("SUM(IF([x] > (1), 2, 3))"), (Calls{"SUM(IF([x] > (1), 2, 3))"}));
    // A call held by another function's arguments is found too.
    EXPECT_EQ(SplitText("FORMATFLOAT('0.00', MIN(p))"), (Calls{"MIN(p)"}));
}

TEST(FunctionSplitter, MatchesOnlyWholeNamesOutsideQuotes) {
    EXPECT_TRUE(SplitText("SUMMARY(x) + XSUM(y) + Memo1.SUM(z) + SUM_2(w)").empty());
    EXPECT_TRUE(SplitText("'SUM(x)' + 'it''s SUM(y)'").empty());
    EXPECT_TRUE(SplitText("db.\"SUM(x)\" + \"COUNT(a)\"").empty());
    // A name that is no call, and an array element, are not calls either.
    EXPECT_TRUE(SplitText("SUM + COUNT[1]").empty());
    // A quote doubled inside a call's argument does not end the scan.
    EXPECT_EQ(SplitText("SUM(IF(a = 'x''y)', 1, 0)) + MAX(b)"),
              (Calls{"SUM(IF(a = 'x''y)', 1, 0))", "MAX(b)"}));
    // A number directly before a name does not join it.
    EXPECT_EQ(SplitText("2*SUM(a)"), (Calls{"SUM(a)"}));
}

TEST(FunctionSplitter, LeavesOutUnclosedCallsAndSurvivesBrokenText) {
    EXPECT_EQ(SplitText("SUM(a + MAX(b)"), (Calls{"MAX(b)"}));
    EXPECT_TRUE(SplitText("SUM(a]").empty());
    EXPECT_TRUE(SplitText("'SUM(a)").empty());
    EXPECT_TRUE(SplitText("x.\"SUM(a)").empty());
    EXPECT_TRUE(SplitText("").empty());
}

TEST(FunctionSplitter, HonoursItsOwnNames) {
    Calls calls;
    TrpFunctionSplitter({"copy"}, nullptr).Split("COPY(a, 1, 2) + SUM(b)", calls);
    EXPECT_EQ(calls, (Calls{"COPY(a, 1, 2)"}));
}

TEST(FunctionSplitter, FollowsDictionaryVariables) {
    TrpVariables variables;
    variables.Set("Total", std::string("SUM(Amount) + Tax"));
    variables.Set("Tax", std::string("MAX(Rate)"));
    variables.Set("Label", std::string("'SUM(no)'"));
    variables.Set("Number", std::int64_t{5});
    variables.Set("My Var", std::string("COUNT(Band1)"));
    EXPECT_EQ(SplitText("total * 2", &variables), (Calls{"SUM(Amount)", "MAX(Rate)"}));
    EXPECT_EQ(SplitText("AVG(Total)", &variables),
              (Calls{"AVG(Total)", "SUM(Amount)", "MAX(Rate)"}));
    EXPECT_EQ(SplitText("[My Var] + Label + Number", &variables), (Calls{"COUNT(Band1)"}));
    // A variable met twice is expanded once: its calls are the same keys.
    EXPECT_EQ(SplitText("Tax + Tax", &variables), (Calls{"MAX(Rate)"}));
    // Each Split starts afresh.
    EXPECT_EQ(SplitText("Tax", &variables), (Calls{"MAX(Rate)"}));
}

TEST(FunctionSplitter, EndsVariablesThatNameThemselves) {
    TrpVariables variables;
    variables.Set("A", std::string("SUM(x) + A"));
    variables.Set("B", std::string("C + MIN(y)"));
    variables.Set("C", std::string("B + [B]"));
    EXPECT_EQ(SplitText("A", &variables), (Calls{"SUM(x)"}));
    EXPECT_EQ(SplitText("C", &variables), (Calls{"MIN(y)"}));
    // A chain far deeper than the nesting limit neither recurses without
    // end nor fails.
    const int chain = kMaxVariableNesting * 5;
    for (int i = 0; i < chain; ++i)
        variables.Set("V" + std::to_string(i), "SUM(v) + V" + std::to_string(i + 1));
    // Each variable of the chain holds one call; expansion stops at the limit.
    EXPECT_EQ(SplitText("V0", &variables), Calls(kMaxVariableNesting, "SUM(v)"));
    EXPECT_EQ(SplitText(std::string(chain, '(') + "SUM(x)", &variables), (Calls{"SUM(x)"}));
}

TEST(FunctionSplitter, GathersABandsScriptsAndMemoExpressions) {
    TrpMemoView memo;
    memo.Memo = {"Total: [SUM(Amount) #N0.00] of [COUNT(Data1)]", "SUM(NotInBrackets)",
                 "[[MAX(a)]] [MIN(b)"};
    memo.ScriptText = {"if AVG(c) > 1 then Memo1.Visible := False"};
    TrpMemoView plain;
    plain.Flags |= kMemoTextOnly;
    plain.Memo = {"[SUM(shown as written)]"};
    plain.ScriptText = {"x := MIN(e)"};
    TrpLineView line;
    line.Memo = {"[SUM(a line has no expressions)]"};
    line.ScriptText = {"Line1.Visible := MAX(f) > 0"};

    const std::string jump = std::string(1, kInstrCondJump) + "'\x01" + "COUNT(Band2) ";
    Calls calls;
    TAggregateFunctionsSplitter splitter(nullptr);
    SplitBand(splitter, {"y := SUM(g)", jump}, {&memo, nullptr, &plain, &line}, calls);
    EXPECT_EQ(calls, (Calls{"SUM(g)", "COUNT(Band2)", "SUM(Amount)", "COUNT(Data1)", "MAX(a)",
                            "AVG(c)", "MIN(e)", "MAX(f)"}));
}

} // namespace
} // namespace report
