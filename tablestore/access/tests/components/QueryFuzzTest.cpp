// Fuzz test of statements through the statement object on a real table:
// random token soups, token-level mutations of valid INSERT, UPDATE and
// DELETE statements and byte-level mutations go through Prepare and, when
// that succeeds, Execute. Preparing fails only with kErrSql or a number
// conversion error (or the open error of a table name the mutation made
// up); executing fails only with kErrSql or a duplicate key of an INSERT,
// and an executed SELECT's result (canned, or live when asked for) reads
// to its end. Nothing crashes or hangs. Deterministic seed;
// MORVANE_QUERY_FUZZ_ROUNDS overrides the number of statements per kind.
#include "DataQuery.h"
#include "EngineCodes.h"
#include "EngineError.h"
#include "FileSession.h"
#include "QueryTestSupport.h"
#include "SqlError.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <random>
#include <set>

namespace tabula {
namespace {

using namespace querytest;

int Rounds() {
    const char* env = std::getenv("MORVANE_QUERY_FUZZ_ROUNDS");
    return env ? std::max(1, std::atoi(env)) : 1500;
}

const std::vector<std::string> kTokens = {
    "SELECT",  "INSERT", "UPDATE", "DELETE",      "FROM",  "INTO",      "VALUES",  "SET",
    "WHERE",   "AND",    "OR",     "NOT",         "LIKE",  "IN",        "BETWEEN", "IS",
    "NULL",    "TRUE",   "FALSE",  "UPPER",       "LOWER", "SUBSTRING", "TRIM",    "BOTH",
    "EXTRACT", "YEAR",   "FOR",    "COUNT",       "SUM",   "AS",        "MEMORY",  "T",
    "Id",      "Name",   "Amount", "Day",         "T.Id",  "[Name]",    "(",       ")",
    ",",       "=",      "<",      ">",           "+",     "-",         "*",       "/",
    "||",      "|",      ";",      "?",           "'abc'", "'a%'",      "''",      "\"x\"",
    "1",       "0",      "42",     "99999999999", "1.5",   "1e3",       "1e",      "'03/15/2024'",
    "/*c*/",   "/*",     "'",      "\"",          "[",     ".",
};

const std::vector<std::string> kValid = {
    "INSERT INTO T VALUES (7, 'seven', 70, '01/02/2024')",
    "INSERT INTO T (Id, Name) VALUES (8, 'eight')",
    "UPDATE T SET Amount = Amount + 1 WHERE Id BETWEEN 1 AND 3",
    "UPDATE T SET Name = UPPER(Name) || 'x', Day = '12/31/2023' WHERE Name LIKE 'a%'",
    "DELETE FROM T WHERE Id IN (1, 2) OR NOT (Amount > 10 AND Name IS NOT NULL)",
    "DELETE FROM T WHERE SUBSTRING(Name FROM 1 FOR 2) = 'ab' AND EXTRACT(YEAR FROM Day) = 2024",
    "DELETE FROM T WHERE TRIM(BOTH ' ' FROM Name) = 'a' OR Amount * 2 - 1 / 3 < 5",
    "SELECT Id, COUNT(*) FROM T WHERE Id > 0 GROUP BY Id ORDER BY 1 DESC",
    "SELECT DISTINCT Name, Amount * 2 FROM T WHERE Name LIKE 'a%' OR Amount IN (5, 10)",
    "SELECT T.Name, U.Tag FROM T, U WHERE T.Id = U.Id AND U.Tag <> 'x' ORDER BY 1 DESC NOCASE",
    "SELECT T.Id, U.Tag FROM T LEFT OUTER JOIN U ON T.Id = U.Id AND U.Id > 1 WHERE T.Id < 4",
    "SELECT U.Tag, SUM(T.Amount), AVG(T.Amount), MIN(T.Day), MAX(T.Name) FROM T INNER JOIN U "
    "ON U.Id >= T.Id GROUP BY U.Tag",
    "SELECT COUNT(*) FROM T WHERE Amount BETWEEN 5 AND 15 WITH LOCKS",
    "SELECT Name, Amount INTO MEMORY M FROM T WHERE Id = 2 OR NOT (Name = 'a1*')",
    "SELECT * FROM T WHERE Id > 1 ORDER BY Id",
};

class QueryFuzz : public ::testing::Test {
protected:
    void SetUp() override {
        StartEngine();
        CreateTable(dir.Table("T"), "Id int32, Name string 10, Amount int32, Day date", {"Id"});
        CreateTable(dir.Table("U"), "Id int32, Tag string 4", {}, {{"ById", {"Id"}}});
        for (int i = 1; i <= 3; ++i)
            EXPECT_EQ(RunSql(dir.Path(), "INSERT INTO U VALUES (" + std::to_string(i) + ", 't" +
                                             std::to_string(i) + "')"),
                      "ok");
    }
    void Reset() {
        // Keeps the table small so rounds stay quick.
        TDataQuery q;
        q.SetDirectory(dir.Path());
        q.Prepare("DELETE FROM T");
        q.Execute();
        for (int i = 1; i <= 4; ++i) {
            TDataQuery insert;
            insert.SetDirectory(dir.Path());
            insert.Prepare("INSERT INTO T VALUES (" + std::to_string(i) + ", 'a" +
                           std::to_string(i) + "', " + std::to_string(i * 5) + ", NULL)");
            insert.Execute();
        }
    }

    // Runs one statement; returns a description of anything unexpected.
    std::string Try(const std::string& text) {
        TDataQuery q;
        q.SetDirectory(dir.Path());
        q.SetRequestLive(++tries_ % 2 == 0);
        q.SetLockRetryCount(1);
        q.SetLockWaitTime(1);
        try {
            q.Prepare(text);
        } catch (const ESqlConvertError&) {
            return {};
        } catch (const ETabulaEngineError& e) {
            if (e.Code() == kErrSql || opened_.count(e.Code()))
                return {};
            return "prepare: " + std::string(e.what());
        } catch (const std::exception& e) {
            return std::string("prepare: ") + typeid(e).name() + ": " + e.what();
        }
        try {
            q.Execute();
        } catch (const ETabulaEngineError& e) {
            if (e.Code() == kErrSql || e.Code() == kErrDuplicateKey)
                return {};
            return "execute: " + std::string(e.what());
        } catch (const std::exception& e) {
            return std::string("execute: ") + typeid(e).name() + ": " + e.what();
        }
        if (q.Statement().kind == TSqlStatementKind::Select) {
            if (!q.ResultCursor())
                return "execute: a SELECT without a result cursor";
            try {
                CursorRows(*q.ResultCursor());
            } catch (const std::exception& e) {
                return std::string("reading the result: ") + e.what();
            }
        }
        ++executed_;
        return {};
    }

    void Check(const std::string& text) {
        const std::string problem = Try(text);
        if (!problem.empty())
            ADD_FAILURE() << problem << "\nstatement: " << text;
    }

    TScratchDir dir;
    int executed_ = 0;
    int tries_ = 0;
    // Codes of failed opens of a table name that a mutation made up.
    std::set<int> opened_ = {kErrInvalidPath,    kErrAccessDenied,  kErrReadError,
                             kErrUnknownOsError, kErrHeaderCorrupt, kErrWrongVersion};
};

std::vector<std::string> Tokens(const std::string& text) {
    return SplitTrim(text, ' ');
}

std::string Join(const std::vector<std::string>& tokens) {
    std::string s;
    for (const auto& t : tokens)
        s += (s.empty() ? "" : " ") + t;
    return s;
}

TEST_F(QueryFuzz, RandomTokenSoupsAndMutatedStatements) {
    std::mt19937 rng(20241209);
    auto pick = [&](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng);
    };
    const int rounds = Rounds();
    for (int round = 0; round < rounds; ++round) {
        if (round % 100 == 0)
            Reset();
        // A soup that starts like a statement.
        std::vector<std::string> soup = {kTokens[pick(4)]};
        const std::size_t length = 1 + pick(12);
        for (std::size_t i = 0; i < length; ++i)
            soup.push_back(kTokens[pick(kTokens.size())]);
        Check(Join(soup));

        // A valid statement with one to three token edits.
        std::vector<std::string> tokens = Tokens(kValid[pick(kValid.size())]);
        const std::size_t edits = 1 + pick(3);
        for (std::size_t e = 0; e < edits && !tokens.empty(); ++e) {
            const std::size_t at = pick(tokens.size());
            switch (pick(3)) {
            case 0:
                tokens.erase(tokens.begin() + static_cast<std::ptrdiff_t>(at));
                break;
            case 1:
                tokens.insert(tokens.begin() + static_cast<std::ptrdiff_t>(at),
                              kTokens[pick(kTokens.size())]);
                break;
            default:
                tokens[at] = kTokens[pick(kTokens.size())];
            }
        }
        Check(Join(tokens));

        // Byte-level damage: any byte value, cut short, or doubled.
        std::string bytes = kValid[pick(kValid.size())];
        const std::size_t at = pick(bytes.size());
        switch (pick(3)) {
        case 0:
            bytes[at] = static_cast<char>(pick(256));
            break;
        case 1:
            bytes.resize(at);
            break;
        default:
            bytes.insert(at, bytes.substr(at, pick(8)));
        }
        Check(bytes);
    }
    // The mutations leave enough statements intact to reach execution.
    EXPECT_GT(executed_, rounds / 10);
}

} // namespace
} // namespace tabula
