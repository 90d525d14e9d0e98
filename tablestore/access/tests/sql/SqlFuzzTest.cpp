// Fuzz test of the tokenizer, parser and resolver: random token soups and
// mutations of valid statements either parse (and resolve) or fail with
// engine error kErrSql or a number conversion error; nothing else escapes,
// nothing crashes or hangs. Deterministic seeds; MORVANE_SQL_FUZZ_ROUNDS
// overrides the number of statements per kind.
#include "EngineCodes.h"
#include "SqlError.h"
#include "SqlResolver.h"
#include "SqlTestSupport.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <random>

namespace tabula {
namespace {

using namespace datafmt;
using sqltest::TFakeTable;

int Rounds() {
    const char* env = std::getenv("MORVANE_SQL_FUZZ_ROUNDS");
    return env ? std::max(1, std::atoi(env)) : 20000;
}

const TFakeTable
    kTable({{"a", kFtInt32, 0, 4, 0}, {"b", kFtString, 0, 11, 0}, {"c", kFtDate, 0, 4, 0}});

// Parses and resolves; counts the outcome. Any other exception fails.
void ParseAndResolve(const std::string& text, int& parsed, int& failed) {
    try {
        TSqlStatement s = TSqlParser().Parse(text);
        std::vector<const ISqlSourceTable*> sources(s.tables.size(), &kTable);
        TSqlResolver(s, sources).Resolve();
        ++parsed;
    } catch (const ETabulaEngineError& e) {
        ASSERT_EQ(e.Code(), kErrSql) << text;
        ++failed;
    } catch (const ESqlConvertError&) {
        ++failed;
    }
}

const char* const kWords[] = {
    "SELECT",    "INSERT", "UPDATE",  "DELETE",    "FROM",   "WHERE", "INTO",        "VALUES",
    "SET",       "AND",    "OR",      "NOT",       "LIKE",   "IN",    "BETWEEN",     "IS",
    "NULL",      "TRUE",   "FALSE",   "SUM",       "COUNT",  "AVG",   "UPPER",       "LOWER",
    "SUBSTRING", "TRIM",   "BOTH",    "EXTRACT",   "YEAR",   "FOR",   "JOIN",        "LEFT",
    "RIGHT",     "INNER",  "OUTER",   "ON",        "ORDER",  "GROUP", "BY",          "DESC",
    "NOCASE",    "WITH",   "LOCKS",   "ENCRYPTED", "MEMORY", "AS",    "DISTINCT",    "DATE",
    "NOW",       "FULL",   "HAVING",  "a",         "b",      "c",     "T",           "t",
    "*",         "?",      "(",       ")",         ",",      ".",     ";",           "=",
    "<",         ">",      "+",       "-",         "/",      "|",     "||",          "'x'",
    "''",        "\"y\"",  "[a]",     "1",         "2.5",    "1e3",   "99999999999", "/* c */",
    "'open",     "[open",  "/* open", "\x01",      "\xff",   "\x80"};

TEST(SqlFuzz, RandomTokenSoups) {
    std::mt19937 rng(12345);
    int parsed = 0, failed = 0;
    const int rounds = Rounds();
    for (int i = 0; i < rounds; ++i) {
        std::string text;
        const int n = static_cast<int>(rng() % 24);
        for (int k = 0; k < n; ++k) {
            text += kWords[rng() % std::size(kWords)];
            if (rng() % 4)
                text += ' ';
        }
        ParseAndResolve(text, parsed, failed);
    }
    EXPECT_EQ(parsed + failed, rounds);
    EXPECT_GT(failed, 0);
}

TEST(SqlFuzz, MutatedValidStatements) {
    const std::string seeds[] = {
        "Delete From ReportTableDetail;",
        "DELETE FROM T WHERE a BETWEEN 1 AND 5 OR b LIKE 'x%' AND c IS NOT NULL",
        "SELECT DISTINCT a AS x, SUM(a), UPPER(b) FROM T t LEFT OUTER JOIN T u ON t.a = u.a "
        "WHERE t.a IN (1, 2, 3) GROUP BY 1 ORDER BY t.a DESC NOCASE WITH LOCKS",
        "INSERT INTO T (a, b, c) VALUES (1, 'it''s', ?)",
        "UPDATE T SET a = a - 1 - 2, b = TRIM(BOTH ' ' FROM b) WHERE EXTRACT(YEAR FROM c) = 2024",
        "SELECT SUBSTRING(b FROM 1 FOR 3) FROM T WHERE NOT (a < > 2) /* x */",
    };
    std::mt19937 rng(67890);
    int parsed = 0, failed = 0;
    const int rounds = Rounds();
    const std::string alphabet = " ()'\"[]*/;,.?=<>|+-0123456789aAeE_xyzSELECTWHERE\x01\xe9";
    for (int i = 0; i < rounds; ++i) {
        std::string text = seeds[rng() % std::size(seeds)];
        const int edits = 1 + static_cast<int>(rng() % 4);
        for (int k = 0; k < edits && !text.empty(); ++k) {
            const std::size_t at = rng() % text.size();
            switch (rng() % 4) {
            case 0:
                text.erase(at, 1 + rng() % 6);
                break;
            case 1:
                text.insert(at, 1, alphabet[rng() % alphabet.size()]);
                break;
            case 2:
                text[at] = alphabet[rng() % alphabet.size()];
                break;
            default: { // duplicate a slice
                const std::size_t len = std::min<std::size_t>(rng() % 20, text.size() - at);
                text.insert(rng() % text.size(), text.substr(at, len));
            }
            }
        }
        ParseAndResolve(text, parsed, failed);
    }
    EXPECT_EQ(parsed + failed, rounds);
    EXPECT_GT(parsed, 0);
    EXPECT_GT(failed, 0);
}

} // namespace
} // namespace tabula
