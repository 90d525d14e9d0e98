// Resolution of a parsed statement against its source tables; see
// SqlResolver.h.
#include "SqlResolver.h"

#include "SqlError.h"
#include "SqlLexer.h"

#include <algorithm>

namespace tabula {

using namespace sqlop;

namespace {

const char* AggregatePrefix(int op) {
    switch (op) {
    case kSum:
        return "Sum Of ";
    case kMin:
        return "Min Of ";
    case kMax:
        return "Max Of ";
    case kAvg:
        return "Average Of ";
    case kCount:
        return "Count Of ";
    default:
        return "";
    }
}

void CutName(std::string& name, std::size_t max) {
    if (name.size() > max)
        name.resize(max);
}

} // namespace

std::string TSqlResolver::ColumnName(const TSqlNode& column) const {
    // A resolved column is named as its table names the field, whatever
    // case the statement used.
    if (column.tableIndex >= 0 && static_cast<std::size_t>(column.tableIndex) < sources_.size()) {
        const ISqlSourceTable* table = sources_[static_cast<std::size_t>(column.tableIndex)];
        if (table && column.fieldNumber >= 1 && column.fieldNumber <= table->FieldCount())
            return table->Field(column.fieldNumber).name;
    }
    return column.name;
}

std::string TSqlResolver::BaseName(const TSqlResultColumn& column) const {
    std::string name;
    const TSqlNode& e = *column.expr;
    if (!column.alias.empty())
        name = column.alias;
    else if (e.IsColumn())
        name = ColumnName(e);
    else if (e.IsAggregate() && e.left && e.left->IsColumn())
        name = AggregatePrefix(e.op) + ColumnName(*e.left);
    else if (e.IsAggregate())
        name = AggregatePrefix(e.op) + std::string("Expr");
    else
        name = "Expression";
    CutName(name, kSqlMaxResultName);
    return name;
}

TSqlResolver::TSqlResolver(TSqlStatement& statement, std::vector<const ISqlSourceTable*> sources)
    : s_(statement), sources_(std::move(sources)) {
    sources_.resize(s_.tables.size(), nullptr);
}

int TSqlResolver::TableIndex(const std::string& correlation) const {
    for (std::size_t i = 0; i < s_.tables.size(); ++i)
        if (SqlEqualsIgnoreCase(s_.tables[i].correlation, correlation))
            return static_cast<int>(i);
    return -1;
}

bool TSqlResolver::ResolveColumn(TSqlNode& column) const {
    auto findIn = [&](int tableIndex) {
        const ISqlSourceTable* table = sources_[static_cast<std::size_t>(tableIndex)];
        if (!table)
            return false;
        for (int f = 1; f <= table->FieldCount(); ++f) {
            const TSqlSourceField& field = table->Field(f);
            if (SqlEqualsIgnoreCase(field.name, column.name)) {
                column.tableIndex = tableIndex;
                column.fieldNumber = f;
                column.type = TSqlType{field.type, field.subtype, field.size, field.decimals};
                return true;
            }
        }
        return false;
    };
    if (!column.correlation.empty()) {
        const int t = TableIndex(column.correlation);
        return t >= 0 && findIn(t);
    }
    for (std::size_t t = 0; t < sources_.size(); ++t)
        if (findIn(static_cast<int>(t)))
            return true;
    return false;
}

void TSqlResolver::FailColumn(const TSqlNode& column, const std::string& context) const {
    RaiseSqlError("Invalid column name '" + column.name + "'" + " or table correlation name " +
                  "'" + column.correlation + "'" + " specified in " + context);
}

void TSqlResolver::CheckWhereCorrelations(const TSqlNode& node) const {
    if (node.IsColumn() && !node.correlation.empty() && TableIndex(node.correlation) < 0)
        RaiseSqlError("Table correlation name '" + node.correlation + "'" +
                      " referenced in WHERE clause is not defined in the FROM clause");
    if (node.left)
        CheckWhereCorrelations(*node.left);
    if (node.right)
        CheckWhereCorrelations(*node.right);
    for (const auto& item : node.list)
        CheckWhereCorrelations(*item);
}

void TSqlResolver::ResolveTree(TSqlNode& node, const std::string& context) const {
    if (node.IsColumn()) {
        // "*" is only left inside COUNT(*) here; it names no field.
        if (!node.IsAllColumns() && !ResolveColumn(node))
            FailColumn(node, context);
        return;
    }
    if (node.left)
        ResolveTree(*node.left, context);
    if (node.right)
        ResolveTree(*node.right, context);
    for (const auto& item : node.list)
        ResolveTree(*item, context);
}

void TSqlResolver::ResolveResultColumns() {
    std::vector<TSqlResultColumn> expanded;
    for (TSqlResultColumn& column : s_.columns) {
        if (!column.expr->IsAllColumns()) {
            ResolveTree(*column.expr, "source columns");
            expanded.push_back(std::move(column));
            continue;
        }
        if (!column.alias.empty())
            RaiseSqlError("Invalid use of column correlation name '" + column.alias + "'" +
                          " for " + "'" + "*" + "'" + " specified in source columns");
        std::size_t first = 0;
        std::size_t last = s_.tables.size();
        if (!column.expr->correlation.empty()) {
            const int t = TableIndex(column.expr->correlation);
            if (t < 0)
                FailColumn(*column.expr, "source columns");
            first = static_cast<std::size_t>(t);
            last = first + 1;
        }
        for (std::size_t t = first; t < last; ++t) {
            const ISqlSourceTable* table = sources_[t];
            if (!table)
                continue;
            for (int f = 1; f <= table->FieldCount(); ++f) {
                TSqlResultColumn field;
                field.expr = MakeSqlColumn(s_.tables[t].correlation, table->Field(f).name);
                ResolveColumn(*field.expr);
                field.sourceText = table->Field(f).name;
                expanded.push_back(std::move(field));
            }
        }
    }
    s_.columns = std::move(expanded);
}

void TSqlResolver::NameResultColumns() {
    for (std::size_t i = 0; i < s_.columns.size(); ++i) {
        const std::string base = BaseName(s_.columns[i]);
        auto taken = [&](const std::string& name) {
            for (std::size_t j = 0; j < i; ++j)
                if (SqlEqualsIgnoreCase(s_.columns[j].name, name))
                    return true;
            return false;
        };
        std::string name = base;
        for (int counter = 1; taken(name); ++counter) {
            const std::string suffix = "_" + std::to_string(counter);
            name =
                base.substr(0, std::min(base.size(), kSqlMaxResultName - suffix.size())) + suffix;
        }
        s_.columns[i].name = name;
        if (SqlEqualsIgnoreCase(name, "Row___No"))
            RaiseSqlError("Invalid use of reserved field name '" + name + "'" +
                          "in source columns");
    }
}

void TSqlResolver::ResolveOrderItems(std::vector<TSqlOrderItem>& items, const std::string& clause) {
    for (TSqlOrderItem& item : items) {
        if (item.column.empty()) {
            if (item.columnNumber < 1 || item.columnNumber > static_cast<int>(s_.columns.size()))
                RaiseSqlError("Invalid column number '" + std::to_string(item.columnNumber) + "'" +
                              " specified in " + clause);
            item.resultIndex = item.columnNumber - 1;
            const TSqlNode& e = *s_.columns[static_cast<std::size_t>(item.resultIndex)].expr;
            if (e.IsColumn()) {
                item.tableIndex = e.tableIndex;
                item.fieldNumber = e.fieldNumber;
            }
            continue;
        }
        TSqlNode probe = *MakeSqlColumn(item.correlation, item.column);
        if (!ResolveColumn(probe))
            FailColumn(probe, clause);
        item.tableIndex = probe.tableIndex;
        item.fieldNumber = probe.fieldNumber;
        for (std::size_t i = 0; i < s_.columns.size(); ++i) {
            const TSqlNode& e = *s_.columns[i].expr;
            if (e.IsColumn() && e.tableIndex == probe.tableIndex &&
                e.fieldNumber == probe.fieldNumber) {
                item.resultIndex = static_cast<int>(i);
                break;
            }
        }
    }
}

void TSqlResolver::ResolveTargets() {
    if (s_.allTargetColumns) {
        s_.targetColumns.clear();
        if (const ISqlSourceTable* table = sources_.empty() ? nullptr : sources_[0]) {
            for (int f = 1; f <= table->FieldCount(); ++f) {
                auto column = MakeSqlColumn({}, table->Field(f).name);
                ResolveColumn(*column);
                s_.targetColumns.push_back(std::move(column));
            }
        }
    }
    for (const TSqlNodePtr& column : s_.targetColumns)
        if (!ResolveColumn(*column))
            FailColumn(*column, "table columns");
    if (s_.targetColumns.size() != s_.values.size())
        RaiseSqlError("The number of values must match the number of table columns");
}

void TSqlResolver::Resolve() {
    if (s_.where)
        CheckWhereCorrelations(*s_.where);
    if (s_.kind == TSqlStatementKind::Insert || s_.kind == TSqlStatementKind::Update) {
        ResolveTargets();
        return;
    }
    if (s_.kind != TSqlStatementKind::Select)
        return;

    ResolveResultColumns();
    NameResultColumns();

    const bool allAggregates =
        !s_.columns.empty() && std::all_of(s_.columns.begin(), s_.columns.end(),
                                           [](const TSqlResultColumn& c) { return c.aggregate; });
    if (!allAggregates && s_.groupBy.empty()) {
        for (const TSqlResultColumn& column : s_.columns)
            if (SqlContainsAggregate(*column.expr))
                RaiseSqlError("Invalid use of aggregate function for column '" + column.name + "'" +
                              ", the necessary GROUP BY clause is missing");
    }
    s_.grouped = allAggregates || !s_.groupBy.empty();

    ResolveOrderItems(s_.groupBy, "GROUP BY clause");
    ResolveOrderItems(s_.orderBy, "ORDER BY clause");

    if (s_.distinct && s_.columns.size() > kSqlMaxDistinctColumns)
        RaiseSqlError("Maximum number of columns (" + std::to_string(kSqlMaxDistinctColumns) +
                      ") in DISTINCT clause " + "exceeded");
}

} // namespace tabula
