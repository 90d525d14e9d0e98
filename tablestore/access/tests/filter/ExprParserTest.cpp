// The filter text parser: tokens, grammar shape (precedence and grouping),
// every message, and random texts that must fail cleanly or parse.
#include "ExprParser.h"

#include "MemoryDataSet.h"

#include <gtest/gtest.h>
#include <random>

namespace tabula {
namespace {

using test::ErrorOf;

// A compact picture of a parse tree: operators in parentheses, names bare,
// strings in quotes, numbers as written.
std::string Show(const TExprNode& n) {
    static const char* ops[] = {"", "", "", "=", "<>", ">", "<", ">=", "<="};
    switch (n.kind) {
    case TExprKind::Or:
        return "(" + Show(*n.left) + " OR " + Show(*n.right) + ")";
    case TExprKind::And:
        return "(" + Show(*n.left) + " AND " + Show(*n.right) + ")";
    case TExprKind::Not:
        return "(NOT " + Show(*n.left) + ")";
    case TExprKind::Compare:
        return "(" + Show(*n.left) + ops[n.op] + Show(*n.right) + ")";
    case TExprKind::Name:
        return n.text;
    case TExprKind::String:
        return "'" + n.text + "'";
    case TExprKind::Number:
        return "#" + n.text;
    case TExprKind::Null:
        return "NULL";
    case TExprKind::True:
        return "TRUE";
    case TExprKind::False:
        return "FALSE";
    }
    return "?";
}

std::string Parsed(const std::string& text, int codePage = 1252) {
    std::string out;
    const std::string error = ErrorOf([&] { out = Show(*TExprParser(text, codePage).Parse()); });
    return error == "(no error)" ? out : "error: " + error;
}

TEST(ExprParser, AndBindsTighterThanOrAndBothGroupFromTheLeft) {
    EXPECT_EQ(Parsed("a OR b AND c"), "(a OR (b AND c))");
    EXPECT_EQ(Parsed("a AND b OR c"), "((a AND b) OR c)");
    EXPECT_EQ(Parsed("a OR b OR c"), "((a OR b) OR c)");
    EXPECT_EQ(Parsed("a and b and c"), "((a AND b) AND c)");
    EXPECT_EQ(Parsed("a AND (b OR c)"), "(a AND (b OR c))");
    EXPECT_EQ(Parsed("NOT a = 1 OR b"), "((NOT (a=#1)) OR b)");
    EXPECT_EQ(Parsed("not (a or b)"), "(NOT (a OR b))");
}

TEST(ExprParser, Tokens) {
    EXPECT_EQ(Parsed("State='N*'"), "(State='N*')");
    EXPECT_EQ(Parsed("\t\r\n Qty\x01>=\x1f-12.5E+3 "), "(Qty>=#-12.5E+3)");
    EXPECT_EQ(Parsed("a<>1 or a<=2 or a<3 or a>4"), "((((a<>#1) OR (a<=#2)) OR (a<#3)) OR (a>#4))");
    EXPECT_EQ(Parsed("[Last Name] = 'O''Brien'"), "(Last Name='O'Brien')");
    EXPECT_EQ(Parsed("[Or] = ''''"), "(Or=''')");
    EXPECT_EQ(Parsed("Flag = True or Flag = false or x = null"),
              "(((Flag=TRUE) OR (Flag=FALSE)) OR (x=NULL))");
    EXPECT_EQ(Parsed("_a1 = 1"), "(_a1=#1)");
    // At most 256 characters of a string are kept; the rest is skipped.
    const std::string longText(300, 'x');
    EXPECT_EQ(Parsed("a = '" + longText + "'"), "(a='" + std::string(256, 'x') + "')");
}

TEST(ExprParser, DoubleByteNamesOnlyUnderTheirCodePage) {
    // Shift-JIS: a lead byte takes its trail byte (even a quote or a
    // bracket); half-width katakana are name characters.
    const std::string name = "\x83\x5B\xB1"
                             "b\x81'";
    EXPECT_EQ(Parsed(name + "=1", 932), "(" + name + "=#1)");
    EXPECT_EQ(Parsed("\xB1\xDF=1", 932), "(\xB1\xDF=#1)");
    // Korean: lead bytes 0x81..0xFE, but no katakana range.
    EXPECT_EQ(Parsed("\xB0\xA1=1", 949), "(\xB0\xA1=#1)");
    EXPECT_EQ(Parsed("\xB1=1", 1252), "error: Invalid filter expression character: '\xB1'");
}

TEST(ExprParser, Messages) {
    EXPECT_EQ(Parsed("a = 'abc"), "error: Unterminated string constant");
    EXPECT_EQ(Parsed("a = 'it''"), "error: Unterminated string constant");
    EXPECT_EQ(Parsed("[a = 1"), "error: Unterminated field name");
    EXPECT_EQ(Parsed("a = 1 & b"), "error: Invalid filter expression character: '&'");
    EXPECT_EQ(Parsed("a ! 1"), "error: Invalid filter expression character: '!'");
    EXPECT_EQ(Parsed(""), "error: Expression expected but nothing found");
    EXPECT_EQ(Parsed("   "), "error: Expression expected but nothing found");
    EXPECT_EQ(Parsed("a ="), "error: Expression expected but nothing found");
    EXPECT_EQ(Parsed("a = )"), "error: Expression expected but ')' found");
    EXPECT_EQ(Parsed("a = 1 and or"), "error: Expression expected but 'or' found");
    EXPECT_EQ(Parsed("(a = 1"), "error: ')' expected but nothing found");
    EXPECT_EQ(Parsed("(a = 1 b"), "error: ')' expected but 'b' found");
    EXPECT_EQ(Parsed("(a = 'x' 'y')"), "error: ')' expected but ''y'' found");
    EXPECT_EQ(Parsed("a = 1 b"), "error: Filter expression incorrectly terminated");
    EXPECT_EQ(Parsed("a = 1)"), "error: Filter expression incorrectly terminated");
    EXPECT_EQ(Parsed("a = b = c"), "error: Filter expression incorrectly terminated");
}

TEST(ExprParser, AbsurdTextsFailCleanly) {
    // Too deep and too long: engine error kErrInvalidFilterExpression instead of deep recursion.
    EXPECT_NE(Parsed(std::string(100000, '(') + "a").find("Tabula Engine Error # 10051"),
              std::string::npos);
    std::string chain = "a";
    for (int i = 0; i < 20000; ++i)
        chain += " or a";
    EXPECT_NE(Parsed(chain).find("10051"), std::string::npos);
}

TEST(ExprParser, RandomTextsParseOrFailWithADatabaseError) {
    std::mt19937 random(8);
    const std::vector<std::string> pieces = {
        "a",   "[b c]", "'x'",  "''", "'",  "(",   ")", "=", "<>", "<",  ">=", "<=",   "AND", "or",
        "NOT", "null",  "true", "12", "-3", "1e5", " ", "[", "]",  "\t", "!",  "\xE0", "\x81"};
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const int n = static_cast<int>(random() % 12);
        for (int i = 0; i < n; ++i)
            text += pieces[random() % pieces.size()];
        const int codePage = round % 2 ? 932 : 1252;
        try {
            TExprParser(text, codePage).Parse();
        } catch (const EDatabaseError&) {
        }
    }
}

} // namespace
} // namespace tabula
