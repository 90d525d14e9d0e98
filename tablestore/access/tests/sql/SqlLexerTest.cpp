// The SQL tokenizer: token kinds and texts, the single comment skipped
// before a token, and unterminated tokens.
#include "SqlLexer.h"

#include "SqlTestSupport.h"

#include <gtest/gtest.h>

namespace tabula {
namespace {

using sqltest::SqlFailure;

std::vector<TSqlToken> Tokens(const std::string& text) {
    TSqlLexer lex;
    lex.Load(text);
    std::vector<TSqlToken> out;
    for (lex.Next(); lex.Kind() != kTokEnd; lex.Next())
        out.push_back(lex.Current());
    return out;
}

TEST(SqlLexer, KindsAndTexts) {
    const auto t = Tokens("Sel_1 [a b] 'x''y' \"q\" 42 1.5e+3 <>;?\xE9t\xE9");
    ASSERT_EQ(t.size(), 11u);
    EXPECT_EQ(t[0].kind, kTokSymbol);
    EXPECT_EQ(t[0].text, "Sel_1");
    EXPECT_EQ(t[1].kind, kTokBracketed);
    EXPECT_EQ(t[1].text, "a b");
    EXPECT_EQ(t[2].kind, kTokQuoted);
    EXPECT_EQ(t[2].text, "x''y"); // doubled quotes stay in the token text
    EXPECT_EQ(t[3].kind, kTokQuoted);
    EXPECT_EQ(t[3].quote, '"');
    EXPECT_EQ(t[4].kind, kTokInteger);
    EXPECT_EQ(t[5].kind, kTokNumber);
    EXPECT_EQ(t[5].text, "1.5e+3");
    EXPECT_EQ(t[6].kind, '<'); // two-character operators are two tokens
    EXPECT_EQ(t[7].kind, '>');
    EXPECT_EQ(t[8].kind, ';');
    EXPECT_EQ(t[9].kind, '?');
    // bytes 129..254 are letters: the last token is one symbol
    EXPECT_EQ(t[10].kind, kTokSymbol);
    EXPECT_EQ(t[10].text, "\xE9t\xE9");
}

TEST(SqlLexer, NumberEdges) {
    auto t = Tokens("12-3");
    ASSERT_EQ(t.size(), 3u); // a sign only belongs to a number right after E
    EXPECT_EQ(t[0].kind, kTokInteger);
    t = Tokens("12abc");
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[0].text, "12");
    EXPECT_EQ(t[1].text, "abc");
    t = Tokens(".5");
    EXPECT_EQ(t[0].kind, '.');
}

TEST(SqlLexer, TextIsCutAt255AndEndsAtZero) {
    const auto t = Tokens(std::string(300, 'a'));
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0].text.size(), 255u);
    EXPECT_EQ(Tokens(std::string("a\0b", 3)).size(), 1u);
}

TEST(SqlLexer, OneCommentBeforeAToken) {
    auto t = Tokens("  /* one */  x");
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0].text, "x");
    t = Tokens("/* one *//* two */ x");
    ASSERT_GE(t.size(), 2u);
    EXPECT_EQ(t[0].kind, '/'); // the second comment is not skipped
    t = Tokens("a /* between */ b /* at end */");
    ASSERT_EQ(t.size(), 2u);
}

TEST(SqlLexer, KeywordsIgnoreCaseAlsoInBrackets) {
    TSqlLexer lex;
    lex.Load("[from] 'from'");
    lex.Next();
    EXPECT_TRUE(lex.IsKeyword("FROM"));
    lex.Next();
    EXPECT_FALSE(lex.IsKeyword("FROM")); // quoted text is no keyword
}

TEST(SqlLexer, UnterminatedTokens) {
    struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"x /* open", "Missing ending comment slash and asterisk in SQL statement"},
        {"'abc", "Missing single quote after 'abc' in SQL statement"},
        {"'it''s", "Missing single quote after 'it''s' in SQL statement"},
        {"\"abc", "Missing double quote after 'abc' in SQL statement"},
        {"[abc", "Missing right bracket after 'abc' in SQL statement"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SqlFailure([&] { Tokens(c.text); }), c.message) << c.text;
}

TEST(SqlLexer, SourceTextOfAResultColumn) {
    TSqlLexer lex;
    lex.Load("SELECT  a + b  AS x");
    lex.Next();
    lex.Next();
    const std::size_t mark = lex.TokenStart();
    for (int i = 0; i < 3; ++i)
        lex.Next();
    EXPECT_EQ(lex.SourceFrom(mark), "a + b");
    const std::string longText = "SELECT " + std::string(256, 'a') + " x";
    lex.Load(longText);
    lex.Next();
    lex.Next();
    const std::size_t m = lex.TokenStart();
    lex.Next();
    EXPECT_EQ(SqlFailure([&] { lex.SourceFrom(m); }),
              "Source column expression exceeds maximum expression length of 255 characters");
}

} // namespace
} // namespace tabula
