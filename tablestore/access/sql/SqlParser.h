// TSqlParser: reads one SELECT, INSERT, UPDATE or DELETE statement into a
// TSqlStatement.
//
//   SELECT [ALL] [DISTINCT] column {"," column} [INTO [MEMORY] name]
//          FROM table {"," table | join} [WHERE condition]
//          [GROUP BY item {"," item}] [ORDER BY item [dir] {"," item [dir]} [NOCASE]]
//          [WITH LOCKS] [ENCRYPTED WITH password] [";"]
//   INSERT INTO [MEMORY] table [alias] ["(" column {"," column} ")"]
//          VALUES "(" value {"," value} ")" [";"]
//   UPDATE [MEMORY] table [[AS] alias] SET column "=" value {"," ...} [WHERE condition] [";"]
//   DELETE FROM [MEMORY] table [[AS] alias] [WHERE condition] [";"]
//
// Keywords are matched ignoring case, also inside brackets. The statement
// must be followed by nothing but an optional ";". Parsing stops at the
// first error, raised as kErrSql (SqlError.h). The parser holds no state
// between calls of Parse.
#pragma once

#include "SqlExpressionParser.h"
#include "SqlStatement.h"

#include <string_view>
#include <vector>

namespace tabula {

class TSqlParser {
public:
    TSqlStatement Parse(std::string_view text);

private:
    void ParseSelect(TSqlStatement& s);
    void ParseInsert(TSqlStatement& s);
    void ParseUpdate(TSqlStatement& s);
    void ParseDelete(TSqlStatement& s);

    void ParseResultColumn(TSqlStatement& s);
    // Reads [MEMORY] name [correlation]; stopWords end a bare correlation.
    TSqlTableRef ParseTableRef(const std::string& nameMessage,
                               const std::vector<std::string_view>& stopWords);
    void AddTable(TSqlStatement& s, TSqlTableRef table, bool first);
    TSqlOrderItem ParseOrderItem(const std::string& message);
    TSqlNodePtr ParseTargetColumn(bool additive);
    void ParseEnd(const char* statementWord);

    [[noreturn]] void Fail(const std::string& prefix) const;
    void ExpectKeyword(std::string_view keyword, const std::string& prefix);
    void ExpectChar(char symbol, const std::string& prefix);
    bool IsName() const; // symbol or quoted text

    TExpressionParser expr_;
    TSqlLexer* lex_ = nullptr;
};

} // namespace tabula
