// Differential property test against SQLite: random tables filled on both
// sides alike, random SELECTs from the part of the dialect where both mean
// the same, and the result multisets must agree.
//
// The shared subset:
//   tables   T (A int32, B int32, S string) and U (A int32, C int32, S
//            string), no NULL stored; integers 0..9, texts from a few
//            lower-case words
//   columns  plain columns, A + B, A * 2, COUNT(*), SUM, MIN and MAX of an
//            integer column (sums stay far below 2^53)
//   WHERE    integer comparisons (= <> < > <= >=) with a constant or another
//            integer column, text equality with a constant, AND, OR, NOT,
//            BETWEEN and IN on integers
//   FROM     one table, a comma join on T.A = U.A, INNER JOIN ... ON, LEFT
//            OUTER JOIN ... ON (the WHERE then names T only)
//   also     DISTINCT, GROUP BY one column
// Left out, because the two dialects differ there: NULL in ordered
// comparisons (a NULL counts as its zero value here), the grouping of - and
// / (right-grouping here), ordered text comparison and LIKE (locale
// collation and case rules), AVG (always a float here, its text differs
// for whole numbers), integer division and overflow, ORDER BY (results are
// compared as multisets). Deterministic seed; MORVANE_SQLITE_DIFF_ROUNDS
// overrides the number of statements.
#if TABULA_HAVE_SQLITE

#include "DataQuery.h"
#include "FileSession.h"
#include "QueryTestSupport.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <random>
#include <sqlite3.h>

namespace tabula {
namespace {

using namespace querytest;

int Rounds() {
    const char* env = std::getenv("MORVANE_SQLITE_DIFF_ROUNDS");
    return env ? std::max(1, std::atoi(env)) : 400;
}

const char* const kWords[] = {"ab", "cd", "ef", "gh"};

class SqliteDifferential : public ::testing::Test {
protected:
    void SetUp() override {
        StartEngine();
        ASSERT_EQ(sqlite3_open(":memory:", &db_), SQLITE_OK);
        CreateTable(dir.Table("T"), "A int32, B int32, S string 8");
        CreateTable(dir.Table("U"), "A int32, C int32, S string 8", {}, {{"ByA", {"A"}}});
        Peer("CREATE TABLE T (A INTEGER, B INTEGER, S TEXT)");
        Peer("CREATE TABLE U (A INTEGER, C INTEGER, S TEXT)");
        for (int i = 0; i < 30; ++i)
            Insert("T", Int() + ", " + Int() + ", '" + Word() + "'");
        for (int i = 0; i < 12; ++i)
            Insert("U", Int() + ", " + Int() + ", '" + Word() + "'");
    }
    void TearDown() override {
        sqlite3_close(db_);
        DefaultSession().SetActive(false);
    }

    std::string Int() { return std::to_string(random_() % 10); }
    std::string Word() { return kWords[random_() % 4]; }
    template <typename T> const T& Pick(const std::vector<T>& items) {
        return items[random_() % items.size()];
    }

    void Peer(const std::string& sql) {
        char* error = nullptr;
        ASSERT_EQ(sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK) << error;
    }
    void Insert(const std::string& table, const std::string& values) {
        const std::string sql = "INSERT INTO " + table + " VALUES (" + values + ")";
        ASSERT_EQ(RunSql(dir.Path(), sql), "ok");
        Peer(sql);
    }

    // A condition on the integer columns of one correlation name.
    std::string Condition(const std::string& t, const std::string& other, int depth) {
        const std::vector<std::string> ops = {"=", "<>", "<", ">", "<=", ">="};
        switch (depth > 0 ? random_() % 7 : random_() % 4) {
        case 0:
            return t + ".A " + Pick(ops) + " " + Int();
        case 1:
            return Int() + " " + Pick(ops) + " " + t + "." + other;
        case 2:
            return t + ".S = '" + Word() + "'";
        case 3:
            return random_() % 2 ? t + ".A BETWEEN " + Int() + " AND " + Int()
                                 : t + "." + other + " IN (" + Int() + ", " + Int() + ")";
        case 4:
            return "(" + Condition(t, other, depth - 1) + " AND " + Condition(t, other, depth - 1) +
                   ")";
        case 5:
            return "(" + Condition(t, other, depth - 1) + " OR " + Condition(t, other, depth - 1) +
                   ")";
        default:
            return "NOT (" + Condition(t, other, depth - 1) + ")";
        }
    }

    std::string Statement() {
        const std::string where = random_() % 4 ? " WHERE " + Condition("T", "B", 2) : "";
        switch (random_() % 7) {
        case 0:
            return "SELECT T.A, T.S, T.A + T.B FROM T" + where;
        case 1:
            return "SELECT DISTINCT T.S, T.A * 2 FROM T" + where;
        case 2:
            return "SELECT T.S, COUNT(*), SUM(T.B), MIN(T.A), MAX(T.B) FROM T" + where +
                   " GROUP BY T.S";
        case 3:
            return "SELECT COUNT(*), SUM(T.A), MIN(T.B), MAX(T.A) FROM T" + where;
        case 4:
            return "SELECT T.B, U.C FROM T, U WHERE T.A = U.A AND " + Condition("U", "C", 1);
        case 5:
            return "SELECT T.B, U.C, U.S FROM T INNER JOIN U ON T.A = U.A" + where;
        default:
            return "SELECT T.A, U.C FROM T LEFT OUTER JOIN U ON T.A = U.A AND U.C > " + Int() +
                   where;
        }
    }

    std::vector<std::string> Ours(const std::string& sql) {
        return SortedResultRows(dir.Path(), sql);
    }

    std::vector<std::string> Theirs(const std::string& sql) {
        sqlite3_stmt* s = nullptr;
        std::vector<std::string> rows;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &s, nullptr) != SQLITE_OK)
            return {std::string("sqlite error: ") + sqlite3_errmsg(db_)};
        while (sqlite3_step(s) == SQLITE_ROW) {
            std::string row;
            for (int c = 0; c < sqlite3_column_count(s); ++c) {
                if (c > 0)
                    row += "|";
                switch (sqlite3_column_type(s, c)) {
                case SQLITE_NULL:
                    row += "NULL";
                    break;
                case SQLITE_INTEGER:
                    row += std::to_string(sqlite3_column_int64(s, c));
                    break;
                case SQLITE_FLOAT: {
                    char buffer[64];
                    std::snprintf(buffer, sizeof buffer, "%g", sqlite3_column_double(s, c));
                    row += buffer;
                    break;
                }
                default:
                    row += reinterpret_cast<const char*>(sqlite3_column_text(s, c));
                }
            }
            rows.push_back(row);
        }
        sqlite3_finalize(s);
        std::sort(rows.begin(), rows.end());
        return rows;
    }

    TScratchDir dir;
    sqlite3* db_ = nullptr;
    std::mt19937 random_{20261209};
};

TEST_F(SqliteDifferential, RandomSelectsAgreeAsMultisets) {
    const int rounds = Rounds();
    for (int i = 0; i < rounds; ++i) {
        const std::string sql = Statement();
        const std::vector<std::string> theirs = Theirs(sql);
        ASSERT_TRUE(theirs.empty() || theirs[0].rfind("sqlite error: ", 0) != 0) << theirs[0];
        EXPECT_EQ(Ours(sql), theirs) << sql;
        if (HasFailure())
            break;
    }
}

} // namespace
} // namespace tabula

#endif
