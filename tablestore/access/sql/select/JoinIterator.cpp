// TJoinIterator: nested walk of the source tables with outer joins.
#include "JoinIterator.h"

#include "SourceDataFile.h"
#include "SqlLexer.h"

#include <algorithm>

namespace tabula {

namespace {

// The parts of a condition joined by AND at its top; the ON condition of an
// outer join is not entered (it belongs to its join as a whole).
void SplitAnd(const TSqlNodePtr& node, const std::vector<const TSqlNode*>& whole,
              std::vector<TSqlNodePtr>& out) {
    if (std::find(whole.begin(), whole.end(), node.get()) != whole.end())
        return;
    if (node->kind == TSqlNodeKind::Binary && node->op == sqlop::kAnd) {
        SplitAnd(node->left, whole, out);
        SplitAnd(node->right, whole, out);
    } else {
        out.push_back(node);
    }
}

// The highest source table index a tree names, -1 for none.
int HighestTable(const TSqlNode& node) {
    int highest = node.IsColumn() ? node.tableIndex : -1;
    for (const TSqlNode* child : {node.left.get(), node.right.get()})
        if (child)
            highest = std::max(highest, HighestTable(*child));
    for (const TSqlNodePtr& item : node.list)
        highest = std::max(highest, HighestTable(*item));
    return highest;
}

int TableOf(const TSqlStatement& s, const std::string& correlation) {
    for (std::size_t i = 0; i < s.tables.size(); ++i)
        if (SqlEqualsIgnoreCase(s.tables[i].correlation, correlation))
            return static_cast<int>(i);
    return -1;
}

} // namespace

TJoinIterator::TJoinIterator(const TSqlStatement& statement, std::vector<TSourceDataFile*> sources,
                             std::uint32_t localeId)
    : sources_(std::move(sources)), parts_(sources_.size()), outerOn_(sources_.size()),
      nullRow_(sources_.size(), false) {
    std::vector<const TSqlNode*> outerConditions;
    for (const TSqlJoin& join : statement.joins) {
        if (join.kind != kJoinLeftOuter && join.kind != kJoinRightOuter)
            continue;
        // A RIGHT join put its table first: the optional side is the table
        // that stood first before it.
        const int inner = join.kind == kJoinLeftOuter ? TableOf(statement, join.correlation) : 1;
        if (inner <= 0 || static_cast<std::size_t>(inner) >= sources_.size())
            continue;
        outerOn_[static_cast<std::size_t>(inner)] = join.condition;
        outerConditions.push_back(join.condition.get());
    }
    if (statement.where) {
        std::vector<TSqlNodePtr> parts;
        SplitAnd(statement.where, outerConditions, parts);
        for (const TSqlNodePtr& part : parts)
            parts_[static_cast<std::size_t>(std::max(0, HighestTable(*part)))].push_back(part);
    }
    context_.columnValue = [this](const TSqlNode& column) { return ColumnValue(column); };
    context_.localeId = localeId;
}

TSqlValue TJoinIterator::ColumnValue(const TSqlNode& column) const {
    const auto table = static_cast<std::size_t>(column.tableIndex);
    if (nullRow_.at(table))
        return TSqlValue::NullOf(column.type);
    return sources_[table]->ColumnValue(column.fieldNumber);
}

bool TJoinIterator::PartsAccept(std::size_t level) const {
    for (const TSqlNodePtr& part : parts_[level])
        if (!SqlIsTrue(SqlEvaluate(*part, context_)))
            return false;
    return true;
}

void TJoinIterator::Run(const std::function<void()>& rowAction, const TProgress& progress) {
    progress_ = progress;
    aborted_ = false;
    counter_ = 0;
    lastPosition_ = -1;
    std::fill(nullRow_.begin(), nullRow_.end(), false);
    if (sources_.empty())
        return;
    Walk(0, rowAction);
}

void TJoinIterator::Step(std::size_t level, const std::function<void()>& rowAction) {
    if (!PartsAccept(level))
        return;
    if (level + 1 == sources_.size())
        rowAction();
    else
        Walk(level + 1, rowAction);
}

void TJoinIterator::Walk(std::size_t level, const std::function<void()>& rowAction) {
    TSourceDataFile& source = *sources_[level];
    TDataFile& file = source.File();
    const TSqlNode* on = outerOn_[level].get();
    bool matched = false;
    file.GotoFirst();
    while (!aborted_ && file.NextRecord(source.Buffer()) == 0) {
        if (level == 0 && progress_) {
            const std::int64_t position = file.RecordPosition();
            if (position != lastPosition_) {
                lastPosition_ = position;
                ++counter_;
                const std::int64_t count = file.RecordCount();
                const std::int64_t percent = count > 0 ? counter_ * 100 / count : 100;
                progress_(counter_,
                          static_cast<std::uint16_t>(std::clamp<std::int64_t>(percent, 0, 100)),
                          aborted_);
            }
        }
        if (on && !SqlIsTrue(SqlEvaluate(*on, context_)))
            continue;
        matched = true;
        // The walk below moves the inner tables; this table's buffer stays.
        Step(level, rowAction);
    }
    if (on && !matched && !aborted_) {
        nullRow_[level] = true;
        Step(level, rowAction);
        nullRow_[level] = false;
    }
}

} // namespace tabula
