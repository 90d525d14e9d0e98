// The SQL statement grammar; see SqlParser.h.
#include "SqlParser.h"

#include "SqlError.h"

#include <algorithm>

namespace tabula {

namespace {

bool IsOneOf(const TSqlLexer& lex, const std::vector<std::string_view>& words) {
    return std::any_of(words.begin(), words.end(),
                       [&](std::string_view w) { return lex.IsKeyword(w); });
}

TSqlNodePtr And(TSqlNodePtr left, TSqlNodePtr right) {
    auto node = MakeSqlNode(TSqlNodeKind::Binary, sqlop::kAnd, "AND");
    node->left = std::move(left);
    node->right = std::move(right);
    node->type = TSqlType{datafmt::kFtBoolean, 0, 2, 0};
    return node;
}

} // namespace

std::string SqlDefaultCorrelation(const std::string& tableText) {
    std::string name = tableText;
    const std::size_t slash = name.find_last_of("/\\");
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name;
}

std::string SqlTablePath(const std::string& directory, const std::string& tableText) {
    if (tableText.empty() || tableText.find_first_of("/\\") != std::string::npos)
        return tableText;
    std::string path = directory;
    if (!path.empty() && path.back() != '/')
        path += '/';
    return path + tableText;
}

void TSqlParser::Fail(const std::string& prefix) const {
    RaiseSqlError(prefix + lex_->Text() + "'");
}

void TSqlParser::ExpectKeyword(std::string_view keyword, const std::string& prefix) {
    if (!lex_->IsKeyword(keyword))
        Fail(prefix);
    lex_->Next();
}

void TSqlParser::ExpectChar(char symbol, const std::string& prefix) {
    if (!lex_->IsChar(symbol))
        Fail(prefix);
    lex_->Next();
}

bool TSqlParser::IsName() const {
    return lex_->Kind() == kTokSymbol || lex_->Kind() == kTokQuoted;
}

TSqlStatement TSqlParser::Parse(std::string_view text) {
    expr_ = TExpressionParser();
    lex_ = &expr_.Lexer();
    expr_.Load(text);
    TSqlStatement s;
    if (lex_->IsKeyword("SELECT")) {
        s.kind = TSqlStatementKind::Select;
        ParseSelect(s);
    } else if (lex_->IsKeyword("INSERT")) {
        s.kind = TSqlStatementKind::Insert;
        ParseInsert(s);
    } else if (lex_->IsKeyword("UPDATE")) {
        s.kind = TSqlStatementKind::Update;
        ParseUpdate(s);
    } else if (lex_->IsKeyword("DELETE")) {
        s.kind = TSqlStatementKind::Delete;
        ParseDelete(s);
    } else {
        Fail("SELECT, INSERT, UPDATE, or DELETE keyword expected, instead found '");
    }
    s.parameters = expr_.Parameters();
    return s;
}

void TSqlParser::ParseEnd(const char* statementWord) {
    if (lex_->IsChar(';'))
        lex_->Next();
    if (lex_->Kind() != kTokEnd)
        Fail(std::string("End of ") + statementWord + " statement expected, instead found '");
}

void TSqlParser::AddTable(TSqlStatement& s, TSqlTableRef table, bool first) {
    for (const TSqlTableRef& t : s.tables)
        if (SqlEqualsIgnoreCase(t.correlation, table.correlation))
            RaiseSqlError("Duplicate table correlation name '" + table.correlation + "'" +
                          " found in source tables");
    if (first)
        s.tables.insert(s.tables.begin(), std::move(table));
    else
        s.tables.push_back(std::move(table));
    for (std::size_t i = 0; i < s.tables.size(); ++i)
        s.tables[i].number = static_cast<int>(i) + 1;
}

TSqlTableRef TSqlParser::ParseTableRef(const std::string& nameMessage,
                                       const std::vector<std::string_view>& stopWords) {
    TSqlTableRef t;
    if (lex_->IsKeyword("MEMORY")) {
        t.inMemory = true;
        lex_->Next();
    }
    if (!IsName())
        Fail(nameMessage);
    t.tableText = lex_->Text();
    lex_->Next();
    if (lex_->IsKeyword("AS")) {
        lex_->Next();
        if (!IsName())
            Fail("Symbol or string expected after AS keyword, instead found '");
        t.correlation = lex_->Text();
        lex_->Next();
    } else if ((lex_->Kind() == kTokSymbol && !IsOneOf(*lex_, stopWords)) ||
               lex_->Kind() == kTokQuoted) {
        t.correlation = lex_->Text();
        lex_->Next();
    } else {
        t.correlation = SqlDefaultCorrelation(t.tableText);
    }
    return t;
}

void TSqlParser::ParseResultColumn(TSqlStatement& s) {
    TSqlResultColumn column;
    const std::size_t mark = lex_->TokenStart();
    column.expr = expr_.ParseExpression(kCtxSourceColumns);
    column.sourceText = lex_->SourceFrom(mark);
    bool named = false;
    if (lex_->IsKeyword("AS")) {
        lex_->Next();
        if (!IsName())
            Fail("Symbol or string expected after AS keyword, instead found '");
        named = true;
    } else if ((lex_->Kind() == kTokSymbol && !lex_->IsKeyword("INTO") &&
                !lex_->IsKeyword("FROM")) ||
               lex_->Kind() == kTokQuoted) {
        named = true;
    }
    if (named) {
        column.alias = lex_->Text();
        lex_->Next();
        if (lex_->IsChar('.')) {
            lex_->Next();
            if (!IsName())
                Fail("Symbol or string expected after table correlation name, instead found '");
            column.alias = lex_->Text();
            lex_->Next();
        }
    }
    column.aggregate = column.expr->IsAggregate() ? column.expr->op : 0;
    s.columns.push_back(std::move(column));
}

TSqlOrderItem TSqlParser::ParseOrderItem(const std::string& message) {
    TSqlOrderItem item;
    if (lex_->Kind() == kTokInteger) {
        long long n = 0;
        for (char ch : lex_->Text())
            n = std::min<long long>(n * 10 + (ch - '0'), 1LL << 40);
        item.columnNumber = static_cast<int>(std::min<long long>(n, INT32_MAX));
        lex_->Next();
        return item;
    }
    const int kind = lex_->Kind();
    if (kind != kTokSymbol && kind != kTokBracketed && kind != kTokQuoted)
        Fail(message);
    item.column = lex_->Text();
    lex_->Next();
    if (lex_->IsChar('.')) {
        lex_->Next();
        const int k = lex_->Kind();
        if (k != kTokSymbol && k != kTokBracketed && k != kTokQuoted)
            Fail(message);
        item.correlation = item.column;
        item.column = lex_->Text();
        lex_->Next();
    }
    return item;
}

void TSqlParser::ParseSelect(TSqlStatement& s) {
    lex_->Next();
    if (lex_->IsKeyword("ALL"))
        lex_->Next();
    if (lex_->IsKeyword("DISTINCT")) {
        s.distinct = true;
        lex_->Next();
    }
    for (;;) {
        ParseResultColumn(s);
        if (!lex_->IsChar(','))
            break;
        lex_->Next();
    }
    if (lex_->IsKeyword("INTO")) {
        lex_->Next();
        const char* message = "Result table name expected in INTO clause, instead found '";
        if (lex_->IsKeyword("MEMORY")) {
            s.intoMemory = true;
            lex_->Next();
            message = "Result table name expected in INTO MEMORY clause, instead found '";
        }
        const int k = lex_->Kind();
        if (k != kTokSymbol && k != kTokQuoted && k != kTokBracketed)
            Fail(message);
        s.hasInto = true;
        s.intoName = lex_->Text();
        s.writable = false;
        lex_->Next();
    }
    ExpectKeyword("FROM", "FROM keyword expected, instead found '");

    // FULL also ends a bare correlation name, so that a FULL join reaches
    // its own message rather than being read as an alias.
    static const std::vector<std::string_view> kFromStops = {
        "LEFT",  "RIGHT",  "INNER", "JOIN",      "WHERE", "ORDER",
        "GROUP", "HAVING", "WITH",  "ENCRYPTED", "FULL"};
    static const std::vector<std::string_view> kJoinStops = [] {
        std::vector<std::string_view> stops = kFromStops;
        stops.push_back("ON");
        return stops;
    }();
    AddTable(s,
             ParseTableRef("Table name expected after FROM keyword, instead found '", kFromStops),
             false);
    for (;;) {
        if (lex_->IsChar(',')) {
            lex_->Next();
            s.multiTable = true;
            AddTable(s,
                     ParseTableRef("Table name expected after FROM keyword, instead found '",
                                   kFromStops),
                     false);
            continue;
        }
        int kind = 0;
        if (lex_->IsKeyword("JOIN")) {
            kind = kJoinInner;
            lex_->Next();
        } else if (lex_->IsKeyword("INNER")) {
            lex_->Next();
            ExpectKeyword("JOIN", "JOIN keyword expected after INNER keyword, instead found '");
            kind = kJoinInner;
        } else if (lex_->IsKeyword("LEFT") || lex_->IsKeyword("RIGHT")) {
            const bool left = lex_->IsKeyword("LEFT");
            lex_->Next();
            if (lex_->IsKeyword("OUTER"))
                lex_->Next();
            ExpectKeyword("JOIN", left ? "JOIN keyword expected after LEFT or OUTER keyword, "
                                         "instead found '"
                                       : "JOIN keyword expected after RIGHT or OUTER keyword, "
                                         "instead found '");
            kind = left ? kJoinLeftOuter : kJoinRightOuter;
        } else {
            break;
        }
        s.multiTable = true;
        TSqlTableRef table =
            ParseTableRef("Table name expected after JOIN keyword, instead found '", kJoinStops);
        TSqlJoin join;
        join.kind = kind;
        join.correlation = table.correlation;
        AddTable(s, std::move(table), kind == kJoinRightOuter);
        ExpectKeyword("ON", "ON keyword expected in JOIN clause, instead found '");
        join.condition = expr_.ParseExpression(kCtxWhere);
        s.joins.push_back(std::move(join));
    }
    if (lex_->IsKeyword("FULL"))
        RaiseSqlError("Full outer joins are currently not supported in Tabula SQL SELECT "
                      "statements");
    if (lex_->IsKeyword("WHERE")) {
        lex_->Next();
        s.where = expr_.ParseExpression(kCtxWhere);
    }
    for (auto it = s.joins.rbegin(); it != s.joins.rend(); ++it)
        s.where = s.where ? And(it->condition, s.where) : it->condition;

    if (lex_->IsKeyword("GROUP")) {
        lex_->Next();
        ExpectKeyword("BY", "BY keyword expected after GROUP keyword, instead found '");
        for (;;) {
            s.groupBy.push_back(ParseOrderItem(
                "Column name or column number expected in GROUP BY clause, instead found '"));
            if (!lex_->IsChar(','))
                break;
            lex_->Next();
        }
    }
    if (lex_->IsKeyword("ORDER")) {
        lex_->Next();
        ExpectKeyword("BY", "BY keyword expected after ORDER keyword, instead found '");
        for (;;) {
            TSqlOrderItem item = ParseOrderItem(
                "Column name or column number expected in ORDER BY clause, instead found '");
            if (lex_->IsKeyword("ASC") || lex_->IsKeyword("ASCENDING")) {
                lex_->Next();
            } else if (lex_->IsKeyword("DESC") || lex_->IsKeyword("DESCENDING")) {
                item.descending = true;
                lex_->Next();
            }
            s.orderBy.push_back(std::move(item));
            if (!lex_->IsChar(','))
                break;
            lex_->Next();
        }
        if (lex_->IsKeyword("NOCASE")) {
            s.noCase = true;
            lex_->Next();
        }
    }
    if (lex_->IsKeyword("WITH")) {
        lex_->Next();
        ExpectKeyword("LOCKS", "LOCKS keyword expected after WITH keyword, instead found '");
        s.withLocks = true;
    }
    if (lex_->IsKeyword("ENCRYPTED")) {
        lex_->Next();
        ExpectKeyword("WITH", "WITH keyword expected after ENCRYPTED keyword, instead found '");
        s.encrypted = true;
        s.password = lex_->Text();
        if (lex_->Kind() != kTokEnd)
            lex_->Next();
    }
    ParseEnd("SELECT");
}

TSqlNodePtr TSqlParser::ParseTargetColumn(bool additive) {
    TSqlNodePtr column =
        additive ? expr_.ParseAdditive(kCtxTableColumns) : expr_.ParseExpression(kCtxTableColumns);
    if (!column->IsColumn())
        RaiseSqlError("Table columns cannot contain expressions");
    return column;
}

void TSqlParser::ParseInsert(TSqlStatement& s) {
    s.writable = true;
    lex_->Next();
    ExpectKeyword("INTO", "INTO keyword expected, instead found '");
    const char* nameMessage = "Table name expected after INTO clause, instead found '";
    if (lex_->IsKeyword("MEMORY"))
        nameMessage = "Table name expected after INTO keyword, instead found '";
    AddTable(s, ParseTableRef(nameMessage, {"VALUES"}), false);
    if (lex_->IsChar('(')) {
        lex_->Next();
        for (;;) {
            s.targetColumns.push_back(ParseTargetColumn(false));
            if (!lex_->IsChar(','))
                break;
            lex_->Next();
        }
        ExpectChar(')', "Right parentheses expected after list of table columns, instead found '");
    } else {
        s.allTargetColumns = true;
    }
    ExpectKeyword("VALUES", "VALUES keyword expected, instead found '");
    ExpectChar('(', "Left parentheses expected after VALUES keyword, instead found '");
    for (;;) {
        s.values.push_back(expr_.ParseExpression(kCtxValues));
        if (!lex_->IsChar(','))
            break;
        lex_->Next();
    }
    ExpectChar(')', "Right parentheses expected after list of values, instead found '");
    ParseEnd("INSERT");
}

void TSqlParser::ParseUpdate(TSqlStatement& s) {
    s.writable = true;
    lex_->Next();
    AddTable(s, ParseTableRef("Table name expected, instead found '", {"SET"}), false);
    ExpectKeyword("SET", "SET keyword expected, instead found '");
    for (;;) {
        s.targetColumns.push_back(ParseTargetColumn(true));
        ExpectChar('=', "Assignment (=) operator expected after column name, instead found '");
        s.values.push_back(expr_.ParseExpression(kCtxValues));
        if (!lex_->IsChar(','))
            break;
        lex_->Next();
    }
    if (lex_->IsKeyword("WHERE")) {
        lex_->Next();
        s.where = expr_.ParseExpression(kCtxWhere);
    }
    ParseEnd("UPDATE");
}

void TSqlParser::ParseDelete(TSqlStatement& s) {
    s.writable = true;
    lex_->Next();
    ExpectKeyword("FROM", "FROM keyword expected, instead found '");
    AddTable(s, ParseTableRef("Table name expected, instead found '", {"WHERE"}), false);
    if (lex_->IsKeyword("WHERE")) {
        lex_->Next();
        s.where = expr_.ParseExpression(kCtxWhere);
    }
    ParseEnd("DELETE");
}

} // namespace tabula
