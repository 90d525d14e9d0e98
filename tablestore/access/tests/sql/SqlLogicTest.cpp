// SQL tests kept as data files (the *.test files beside this one), one test per file, run
// on a fresh scratch database directory.
//
// A file is a list of records separated by blank lines; lines starting
// with "#" are comments. Records:
//
//   create NAME FIELDS [primary F[,F]] [index IDX F[,F]]...
//       one line; FIELDS is "(Name type [size], ...)" (QueryTestSupport.h)
//   param NAME TYPE VALUE
//       lines leading a statement record; each sets a parameter of that
//       statement (TYPE string, int32, float, bool, or null)
//   statement ok
//   statement error MESSAGE
//       followed by the statement's lines; run through a query component's
//       Execute; MESSAGE is the exception's whole message
//   rows NAME
//       followed by the expected rows of the table in primary order (none
//       for an empty table)
//   query
//       followed by the SELECT's lines, "----" and the expected result rows
//       (fields joined by "|"); compared in order when the statement has
//       ORDER BY, else both sides sorted
//   query error MESSAGE
//       followed by the SELECT's lines; MESSAGE is the failure's message
//   rewrite
//       followed by statement lines, "----", the text the statement sees
//       (its lines) and a line "params: A,B" with the parameters found
#include "DataQuery.h"
#include "FieldValue.h"
#include "FileSession.h"
#include "QueryTestSupport.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace tabula {
namespace {

using namespace querytest;

struct TRecord {
    int line = 0;
    std::vector<std::string> lines; // the header first
};

std::vector<TRecord> ReadRecords(const std::string& path) {
    std::ifstream in(path);
    std::vector<TRecord> records;
    TRecord current;
    std::string line;
    int number = 0;
    auto flush = [&] {
        if (!current.lines.empty())
            records.push_back(current);
        current = TRecord();
    };
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line[0] == '#')
            continue;
        if (line.find_first_not_of(' ') == std::string::npos) {
            flush();
            continue;
        }
        if (current.lines.empty())
            current.line = number;
        current.lines.push_back(line);
    }
    flush();
    return records;
}

bool StartsWith(const std::string& s, const std::string& prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

// "(a, b) primary X index I Y,Z" -> field list and clauses.
void RunCreate(const TScratchDir& dir, const std::string& header) {
    std::stringstream in(header.substr(std::string("create ").size()));
    std::string name;
    in >> name;
    std::string rest;
    std::getline(in, rest);
    const auto open = rest.find('(');
    const auto close = rest.rfind(')');
    const std::string fields = rest.substr(open + 1, close - open - 1);
    std::stringstream clauses(rest.substr(close + 1));
    std::vector<std::string> primary;
    std::vector<std::pair<std::string, std::vector<std::string>>> indexes;
    std::string word;
    while (clauses >> word) {
        if (word == "primary") {
            clauses >> word;
            primary = SplitTrim(word, ',');
        } else if (word == "index") {
            std::string indexName, list;
            clauses >> indexName >> list;
            indexes.emplace_back(indexName, SplitTrim(list, ','));
        }
    }
    CreateTable(dir.Table(name), fields, primary, indexes);
}

void SetParam(TTabulaQuery& query, const std::string& header) {
    std::stringstream in(header.substr(std::string("param ").size()));
    std::string name, type, value;
    in >> name >> type;
    std::getline(in, value);
    if (!value.empty() && value[0] == ' ')
        value.erase(0, 1);
    TTabulaParam& p = query.ParamByName(name);
    if (type == "string")
        p.SetAsString(value);
    else if (type == "int32")
        p.SetAsInteger(std::stoi(value));
    else if (type == "float")
        p.SetAsFloat(std::stod(value));
    else if (type == "bool")
        p.SetAsBoolean(value == "true");
    else if (type == "null")
        p.Clear();
    else
        FAIL() << "unknown parameter type " << type;
}

std::string Joined(const std::vector<std::string>& lines, std::size_t from, std::size_t to) {
    std::string s;
    for (std::size_t i = from; i < to; ++i)
        s += (i > from ? "\n" : "") + lines[i];
    return s;
}

// Prepares and executes a SELECT on the directory; its result rows, or the
// message it failed with as the only row.
std::vector<std::string> RunQuery(const TScratchDir& dir, const std::string& text,
                                  std::string& failure) {
    StartEngine();
    TDataQuery query;
    query.SetDirectory(dir.Path());
    query.SetLockRetryCount(2);
    query.SetLockWaitTime(5);
    try {
        CheckCode(query.Prepare(text));
        CheckCode(query.Execute());
        TDataFile* cursor = query.ResultCursor();
        if (!cursor) {
            failure = "no result cursor";
            return {};
        }
        return CursorRows(*cursor);
    } catch (const std::exception& e) {
        failure = e.what();
    }
    return {};
}

void RunQueryRecord(const TScratchDir& dir, const std::string& header,
                    const std::vector<std::string>& body) {
    const auto sep = std::find(body.begin(), body.end(), "----");
    const std::string text = Joined(body, 0, static_cast<std::size_t>(sep - body.begin()));
    std::string failure;
    std::vector<std::string> rows = RunQuery(dir, text, failure);
    if (StartsWith(header, "query error ")) {
        EXPECT_EQ(failure, header.substr(std::string("query error ").size())) << text;
        return;
    }
    ASSERT_EQ(failure, "") << text;
    ASSERT_NE(sep, body.end()) << "query record without ----";
    std::vector<std::string> expected(sep + 1, body.end());
    std::string upper = text;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (upper.find("ORDER BY") == std::string::npos) {
        std::sort(rows.begin(), rows.end());
        std::sort(expected.begin(), expected.end());
    }
    EXPECT_EQ(rows, expected) << text;
}

void RunFile(const std::string& path) {
    TScratchDir dir;
    std::vector<std::string> pendingParams;
    for (TRecord r : ReadRecords(path)) {
        // Parameter lines lead the statement record they belong to.
        while (!r.lines.empty() && StartsWith(r.lines.front(), "param ")) {
            pendingParams.push_back(r.lines.front());
            r.lines.erase(r.lines.begin());
        }
        if (r.lines.empty())
            continue;
        const std::string header = r.lines.front();
        const std::vector<std::string> body(r.lines.begin() + 1, r.lines.end());
        SCOPED_TRACE(path + ":" + std::to_string(r.line) + ": " + header);
        if (StartsWith(header, "create ")) {
            RunCreate(dir, header);
            // A create record may be followed by nothing else.
            ASSERT_TRUE(body.empty());
        } else if (StartsWith(header, "statement ")) {
            auto query = MakeQuery(dir.Path());
            query->SetSQL(body);
            std::string outcome = "ok";
            try {
                for (const std::string& p : pendingParams)
                    SetParam(*query, p);
                query->Execute();
            } catch (const std::exception& e) {
                outcome = e.what();
            }
            pendingParams.clear();
            if (header == "statement ok")
                EXPECT_EQ(outcome, "ok") << Joined(body, 0, body.size());
            else if (StartsWith(header, "statement error "))
                EXPECT_EQ(outcome, header.substr(std::string("statement error ").size()))
                    << Joined(body, 0, body.size());
            else
                ADD_FAILURE() << "unknown statement record";
            // Execute leaves nothing prepared and no table open.
            EXPECT_FALSE(query->Prepared());
        } else if (StartsWith(header, "rows ")) {
            EXPECT_EQ(Rows(dir.Table(header.substr(5))), body);
        } else if (header == "query" || StartsWith(header, "query error ")) {
            RunQueryRecord(dir, header, body);
        } else if (header == "rewrite") {
            const auto sep = std::find(body.begin(), body.end(), "----");
            ASSERT_NE(sep, body.end());
            const auto at = static_cast<std::size_t>(sep - body.begin());
            TTabulaQuery query;
            query.SetSQL(std::vector<std::string>(body.begin(), sep));
            ASSERT_GE(body.size(), at + 3);
            EXPECT_EQ(query.Text(), Joined(body, at + 1, body.size() - 1));
            std::string names;
            for (int i = 0; i < query.Params().Count(); ++i)
                names += (i ? "," : "") + query.Params()[i].Name();
            EXPECT_EQ("params: " + names, body.back());
        } else {
            ADD_FAILURE() << "unknown record";
        }
    }
}

class SqlLogic : public ::testing::TestWithParam<std::string> {
protected:
    void TearDown() override { DefaultSession().SetActive(false); }
};

TEST_P(SqlLogic, File) {
    RunFile(GetParam());
}

std::vector<std::string> TestFiles() {
    const std::filesystem::path dir = TABULA_SQL_TEST_DIR;
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        if (entry.path().extension() == ".test")
            files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

INSTANTIATE_TEST_SUITE_P(Files, SqlLogic, ::testing::ValuesIn(TestFiles()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             return std::filesystem::path(info.param).stem().string();
                         });

} // namespace
} // namespace tabula
