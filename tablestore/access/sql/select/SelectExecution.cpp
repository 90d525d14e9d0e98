// ExecuteCannedSelect: rows, groups, DISTINCT and ORDER BY of a canned
// SELECT.
#include "SelectExecution.h"

#include "DataFileFormat.h"
#include "ExactKeyTable.h"
#include "GroupAccumulator.h"
#include "RawColumn.h"
#include "RawResultRow.h"
#include "ReadSlices.h"
#include "RowOrder.h"
#include "SourceDataFile.h"
#include "SqlFilterBuilder.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <set>
#include <string>

namespace tabula {

namespace {

struct TAnswerRow {
    std::vector<TSqlValue> values;
    std::vector<TSqlValue> orderKeys;
    std::optional<TGroupAccumulator> aggregates;
};

// Exact identity of a list of values (the exact-key layout of
// ExactKeyTable.h), written into `key` (cleared first) so that a caller
// can reuse its buffer.
// A float zero is written as +0 (all bytes zero), since -0 and +0 are one
// value for DISTINCT and GROUP BY.
void ExactKeyInto(const std::vector<TSqlValue>& values, std::string& key) {
    key.clear();
    for (const TSqlValue& v : values) {
        key.push_back(static_cast<char>(v.Type()));
        key.push_back(v.IsNull() ? kExactKeyNull : kExactKeyPresent);
        if (!v.IsNull()) {
            if (v.Type() == datafmt::kFtFloat && v.AsFloat() == 0.0)
                key.append(sizeof(double), '\0');
            else
                key.append(v.Bytes().begin(), v.Bytes().end());
        }
        key.push_back(kExactKeyEnd);
    }
}

std::string ExactKey(const std::vector<TSqlValue>& values) {
    std::string key;
    ExactKeyInto(values, key);
    return key;
}

std::vector<std::size_t> ArgumentSources(const std::vector<TResultDataField>& fields);
std::vector<std::optional<TRawColumn>> RawArguments(const std::vector<TResultDataField>& fields,
                                                    const std::vector<TSourceDataFile*>& sources);
std::vector<TRawColumn> RawGroupColumns(const TSqlStatement& s,
                                        const std::vector<TResultDataField>& fields,
                                        const std::vector<TSourceDataFile*>& sources);
std::vector<TRawColumn> RawDistinctColumns(const TSqlStatement& s,
                                           const std::vector<TResultDataField>& fields,
                                           const std::vector<TSourceDataFile*>& sources);

class TRowCollector {
public:
    // direct: the answer table that takes each ungrouped row as it comes,
    // when nothing has to be sorted before the rows are written (the
    // table's index orders them, or there is no ORDER BY); null to keep
    // the rows here.
    TRowCollector(const TSqlStatement& s, const std::vector<TSourceDataFile*>& sources,
                  const std::vector<TResultDataField>& fields, std::uint32_t localeId,
                  const TJoinIterator& join, TAnswerTable* direct)
        : s_(s), sources_(sources), fields_(fields), localeId_(localeId), join_(join),
          direct_(direct), argumentSource_(ArgumentSources(fields)), arguments_(fields.size()),
          rawArguments_(RawArguments(fields, sources)), integers_(fields.size()),
          present_(fields.size()), rawGroup_(RawGroupColumns(s, fields, sources)),
          rawDistinct_(RawDistinctColumns(s, fields, sources)),
          rawRow_(direct && !s.grouped && !s.distinct ? TRawResultRow::For(fields, sources, *direct)
                                                      : std::nullopt) {}

    void Add();
    // The aggregate-only row, when no combined row came.
    void EnsureSingleGroup();
    std::vector<TAnswerRow>& Rows() { return rows_; }
    void Finish();

private:
    TSqlValue ItemValue(const TSqlOrderItem& item, const std::vector<TSqlValue>& values) const;
    // A column (the common case of a result, group or aggregate argument)
    // is read from the join directly, as the evaluator would read it; a
    // BLOB column as its content (BlobValue).
    TSqlValue Evaluate(const TSqlNode& n) const {
        if (n.IsColumn() && !n.IsAllColumns())
            return n.type.code == datafmt::kFtBlob ? BlobValue(n) : join_.ColumnValue(n);
        return SqlEvaluate(n, join_.Context());
    }
    TSqlValue BlobValue(const TSqlNode& n) const;
    void Accumulate(TAnswerRow& row);

    const TSqlStatement& s_;
    const std::vector<TSourceDataFile*>& sources_;
    const std::vector<TResultDataField>& fields_;
    std::uint32_t localeId_;
    const TJoinIterator& join_;
    TAnswerTable* direct_;
    void AddGrouped();

    std::vector<TAnswerRow> rows_;
    // Groups (to their row in rows_) and DISTINCT rows by exact key. Only
    // membership matters (the rows keep their production order in rows_),
    // so hashed tables do.
    TExactKeyTable groups_;
    TExactKeyTable distinct_;
    // Per-row scratch, reused so that a row of an existing group or a
    // repeated DISTINCT row allocates no key or value list of its own.
    std::vector<TSqlValue> groupValues_;
    std::vector<TSqlValue> values_;
    std::string key_;
    // For each aggregate whose argument is a column an earlier aggregate
    // also reads (SUM(x), MIN(x), MAX(x)), that earlier field; else itself.
    // A column reads the same value however often it is evaluated, so each
    // row reads it once.
    std::vector<std::size_t> argumentSource_;
    std::vector<TSqlValue> arguments_;
    // Integer columns among the arguments, read as numbers (integers_,
    // present_) instead of values; and the GROUP BY columns when every one
    // of them can be keyed from its stored bytes (else empty).
    std::vector<std::optional<TRawColumn>> rawArguments_;
    std::vector<std::int64_t> integers_;
    std::vector<char> present_;
    std::vector<TRawColumn> rawGroup_;
    // The result columns of a DISTINCT without GROUP BY when every one is
    // a column keyed from its stored bytes (else empty): a repeated row is
    // then found before any value is made.
    std::vector<TRawColumn> rawDistinct_;
    // The writer of rows that go to the direct answer table slot by slot,
    // when every result column allows it (else empty).
    std::optional<TRawResultRow> rawRow_;
};

TSqlValue TRowCollector::ItemValue(const TSqlOrderItem& item,
                                   const std::vector<TSqlValue>& values) const {
    if (item.resultIndex >= 0)
        return values.at(static_cast<std::size_t>(item.resultIndex));
    TSqlNode column;
    column.kind = TSqlNodeKind::Column;
    column.tableIndex = item.tableIndex;
    column.fieldNumber = item.fieldNumber;
    const TSqlSourceField& f =
        sources_.at(static_cast<std::size_t>(item.tableIndex))->Field(item.fieldNumber);
    column.type = TSqlType{f.type, f.subtype, f.size, f.decimals};
    return Evaluate(column);
}

// A BLOB column of a canned result carries the BLOB's content: the stored
// reference names a chain of the source table's BLOB file, which means
// nothing to the answer table's own.
TSqlValue TRowCollector::BlobValue(const TSqlNode& n) const {
    const TSqlValue reference = join_.ColumnValue(n);
    if (reference.IsNull())
        return reference;
    TSourceDataFile& source = *sources_.at(static_cast<std::size_t>(n.tableIndex));
    return TSqlValue::FromBytes(datafmt::kFtBlob, reference.Subtype(), 0,
                                source.BlobContent(n.fieldNumber), false);
}

std::vector<std::size_t> ArgumentSources(const std::vector<TResultDataField>& fields) {
    std::vector<std::size_t> sources(fields.size());
    for (std::size_t i = 0; i < fields.size(); ++i) {
        sources[i] = i;
        const TSqlNode* a = fields[i].aggregate ? fields[i].argument.get() : nullptr;
        if (a == nullptr || !a->IsColumn())
            continue;
        for (std::size_t j = 0; j < i; ++j) {
            const TSqlNode* b = fields[j].aggregate ? fields[j].argument.get() : nullptr;
            if (b != nullptr && b->IsColumn() && b->tableIndex == a->tableIndex &&
                b->fieldNumber == a->fieldNumber) {
                sources[i] = j;
                break;
            }
        }
    }
    return sources;
}

std::vector<std::optional<TRawColumn>> RawArguments(const std::vector<TResultDataField>& fields,
                                                    const std::vector<TSourceDataFile*>& sources) {
    std::vector<std::optional<TRawColumn>> raw(fields.size());
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (fields[i].aggregate && fields[i].argument)
            if (auto column = TRawColumn::For(*fields[i].argument, sources);
                column && column->IsInteger())
                raw[i] = column;
    return raw;
}

std::vector<TRawColumn> RawGroupColumns(const TSqlStatement& s,
                                        const std::vector<TResultDataField>& fields,
                                        const std::vector<TSourceDataFile*>& sources) {
    std::vector<TRawColumn> raw;
    for (const TSqlOrderItem& item : s.groupBy) {
        std::optional<TRawColumn> column =
            item.resultIndex >= 0
                ? TRawColumn::For(*fields.at(static_cast<std::size_t>(item.resultIndex)).expr,
                                  sources)
                : TRawColumn::For(item.tableIndex, item.fieldNumber, sources);
        if (!column)
            return {};
        raw.push_back(*column);
    }
    return raw;
}

std::vector<TRawColumn> RawDistinctColumns(const TSqlStatement& s,
                                           const std::vector<TResultDataField>& fields,
                                           const std::vector<TSourceDataFile*>& sources) {
    std::vector<TRawColumn> raw;
    if (!s.distinct || s.grouped)
        return raw;
    for (const TResultDataField& f : fields) {
        std::optional<TRawColumn> column =
            f.expr ? TRawColumn::For(*f.expr, sources) : std::nullopt;
        if (!column)
            return {};
        raw.push_back(*column);
    }
    return raw;
}

void TRowCollector::Accumulate(TAnswerRow& row) {
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        if (!fields_[i].aggregate || !fields_[i].argument || argumentSource_[i] != i)
            continue;
        if (rawArguments_[i])
            present_[i] = rawArguments_[i]->ReadInteger(integers_[i]);
        else
            arguments_[i] = Evaluate(*fields_[i].argument);
    }
    // COUNT(*) has no argument: its slot stays the NULL the accumulator
    // ignores.
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        if (!fields_[i].aggregate)
            continue;
        const std::size_t a = argumentSource_[i];
        if (rawArguments_[a])
            row.aggregates->AccumulateInteger(i, integers_[a], present_[a] != 0,
                                              rawArguments_[a]->Type());
        else
            row.aggregates->Accumulate(i, arguments_[a]);
    }
}

// A grouped row: the GROUP BY values are found first; a row of a group
// already held only feeds its aggregates. Its computed columns are still
// evaluated (an evaluation may fail on any row); its plain columns, which
// cannot fail and whose values the group's first row keeps, are not.
void TRowCollector::AddGrouped() {
    if (!rawGroup_.empty()) {
        key_.clear();
        for (const TRawColumn& column : rawGroup_)
            column.AppendKey(key_);
    } else {
        groupValues_.clear();
        for (const TSqlOrderItem& item : s_.groupBy) {
            if (item.resultIndex >= 0)
                groupValues_.push_back(
                    Evaluate(*fields_.at(static_cast<std::size_t>(item.resultIndex)).expr));
            else
                groupValues_.push_back(ItemValue(item, {}));
        }
        ExactKeyInto(groupValues_, key_);
    }
    bool inserted = false;
    const std::size_t found = groups_.FindOrInsert(key_, rows_.size(), inserted);
    if (!inserted) {
        for (const TResultDataField& f : fields_)
            if (!f.aggregate && !f.plain)
                Evaluate(*f.expr);
        Accumulate(rows_[found]);
        return;
    }
    TAnswerRow row;
    row.values.reserve(fields_.size());
    for (const TResultDataField& f : fields_)
        row.values.push_back(f.aggregate ? TSqlValue() : Evaluate(*f.expr));
    for (const TSqlOrderItem& item : s_.orderBy)
        row.orderKeys.push_back(ItemValue(item, row.values));
    row.aggregates.emplace(fields_, localeId_);
    rows_.push_back(std::move(row));
    Accumulate(rows_.back());
}

void TRowCollector::Add() {
    if (s_.grouped) {
        AddGrouped();
        return;
    }
    if (rawRow_) {
        rawRow_->Append(join_, *direct_);
        return;
    }
    if (!rawDistinct_.empty()) {
        key_.clear();
        for (const TRawColumn& column : rawDistinct_)
            column.AppendKey(key_);
        bool inserted = false;
        distinct_.FindOrInsert(key_, distinct_.Size(), inserted);
        if (!inserted)
            return;
    }
    // The values are evaluated into the scratch list, which a repeated
    // DISTINCT row leaves to the next row.
    values_.clear();
    for (const TResultDataField& f : fields_)
        values_.push_back(Evaluate(*f.expr));
    if (s_.distinct && rawDistinct_.empty()) {
        ExactKeyInto(values_, key_);
        bool inserted = false;
        distinct_.FindOrInsert(key_, distinct_.Size(), inserted);
        if (!inserted)
            return;
    }
    if (direct_ != nullptr) {
        direct_->Append(values_);
        return;
    }
    TAnswerRow row;
    row.values = std::move(values_);
    values_.clear();
    values_.reserve(fields_.size());
    for (const TSqlOrderItem& item : s_.orderBy)
        row.orderKeys.push_back(ItemValue(item, row.values));
    rows_.push_back(std::move(row));
}

void TRowCollector::EnsureSingleGroup() {
    if (!s_.grouped || !s_.groupBy.empty() || !rows_.empty())
        return;
    TAnswerRow row;
    row.values.assign(fields_.size(), TSqlValue());
    row.aggregates.emplace(fields_, localeId_);
    rows_.push_back(std::move(row));
}

void TRowCollector::Finish() {
    for (TAnswerRow& row : rows_) {
        if (!row.aggregates)
            continue;
        for (std::size_t i = 0; i < fields_.size(); ++i)
            if (fields_[i].aggregate)
                row.values[i] = row.aggregates->Result(i);
        // Order keys that name result columns see the finished aggregates.
        for (std::size_t k = 0; k < s_.orderBy.size(); ++k)
            if (s_.orderBy[k].resultIndex >= 0)
                row.orderKeys[k] = row.values[static_cast<std::size_t>(s_.orderBy[k].resultIndex)];
    }
    if (s_.grouped && s_.distinct) {
        std::vector<TAnswerRow> kept;
        std::set<std::string> seen;
        for (TAnswerRow& row : rows_)
            if (seen.insert(ExactKey(row.values)).second)
                kept.push_back(std::move(row));
        rows_ = std::move(kept);
    }
}

// The field each ORDER BY item has in the answer table: its result
// column's, or for an item that is no result column the source field's.
std::vector<TFieldDescriptor> OrderFields(const TSqlStatement& s,
                                          const std::vector<TSourceDataFile*>& sources,
                                          const std::vector<TResultDataField>& fields) {
    std::vector<TFieldDescriptor> order;
    for (const TSqlOrderItem& item : s.orderBy) {
        if (item.resultIndex >= 0)
            order.push_back(fields.at(static_cast<std::size_t>(item.resultIndex)).descriptor);
        else
            order.push_back(sources.at(static_cast<std::size_t>(item.tableIndex))
                                ->File()
                                .GetFieldDescriptor(item.fieldNumber));
    }
    return order;
}

// Rows the OrderBy index cannot order are put in the order it would give
// them (RowOrder.h), so that an ORDER BY orders alike whether or not its
// items are result columns.
void SortRows(std::vector<TAnswerRow>& rows, const TSqlStatement& s,
              const std::vector<TSourceDataFile*>& sources,
              const std::vector<TResultDataField>& fields, TDataFile& answer) {
    if (s.orderBy.empty())
        return;
    std::vector<bool> descending;
    for (const TSqlOrderItem& item : s.orderBy)
        descending.push_back(item.descending);
    const TDataHeader& header = answer.Header();
    TRowOrder order(OrderFields(s, sources, fields), descending, s.noCase,
                    header.HasLocale() ? header.LocaleId() : 0);
    for (const TAnswerRow& row : rows)
        order.Add(row.orderKeys);
    std::vector<TAnswerRow> sorted;
    sorted.reserve(rows.size());
    for (std::size_t i : order.Order())
        sorted.push_back(std::move(rows[i]));
    rows = std::move(sorted);
}

// The single-table COUNT answered by the table's record count: COUNT(*),
// or COUNT of a column that cannot be NULL, alone in the result.
bool CountFastPathApplies(const TSqlStatement& s, const std::vector<TSourceDataFile*>& sources,
                          const std::vector<TResultDataField>& fields) {
    if (sources.size() != 1 || fields.size() != 1 || fields[0].aggregate != sqlop::kCount ||
        !s.groupBy.empty() || s.distinct)
        return false;
    const TResultDataField& f = fields[0];
    if (!f.argument)
        return true;
    return f.argument->IsColumn() && f.argument->tableIndex == 0 &&
           sources[0]->File().GetFieldDescriptor(f.argument->fieldNumber).IsRequired();
}

// Drops the filters a fast path placed on a table however it ends.
class TFilterScope {
public:
    explicit TFilterScope(TDataFile& file) : file_(file) {}
    ~TFilterScope() {
        for (int handle : handles_) {
            try {
                file_.DropFilter(handle);
            } catch (...) {
                // The table closes with the statement, and its filters with it.
            }
        }
    }
    TFilterScope(const TFilterScope&) = delete;
    TFilterScope& operator=(const TFilterScope&) = delete;
    void Add(std::unique_ptr<TFilterNode> node) {
        handles_.push_back(file_.AddFilter(std::move(node)));
        file_.ActivateFilter(handles_.back());
    }

private:
    TDataFile& file_;
    std::vector<int> handles_;
};

// The number of records that pass the WHERE condition. A condition that
// is one index leaf is counted from the ends of its run of index entries
// (a few descents, whatever the table's size); any other condition goes to
// the table as filters and the records they pass are counted.
std::int64_t CountPassing(const TSqlStatement& s, TDataFile& file) {
    TFilterScope filters(file);
    if (s.where) {
        // Everything is handed over, so how well an index answers a part
        // (what the WHERE rule of the builder weighs) decides nothing here.
        TSqlFilterBuilder builder(file, file.Header().LocaleId(), false);
        TSqlConditionSplit split = SqlSplitCondition(s.where, 0, builder, true);
        if (split.handed.size() == 1 && !split.residual) {
            const std::int64_t counted = file.CountFilterMatches(*split.handed.front().node);
            if (counted >= 0)
                return counted;
        }
        for (TSqlTableFilter& filter : split.handed)
            filters.Add(std::move(filter.node));
        // Every part of a single-table condition is the table's: handed.
        if (split.residual)
            filters.Add(builder.Build(*split.residual).node);
    }
    return file.RecordCount();
}

// The count is the answer, reported with one progress call.
void RunCountFastPath(const TSqlStatement& s, TSourceDataFile& source, TAnswerTable& answer,
                      const TJoinIterator::TProgress& progress) {
    const std::int64_t count = CountPassing(s, source.File());
    if (progress) {
        bool abort = false;
        progress(count, 100, abort);
    }
    answer.Append({TSqlValue::Int32(static_cast<std::int32_t>(count))});
}

} // namespace

void ExecuteCannedSelect(const TSqlStatement& statement,
                         const std::vector<TSourceDataFile*>& sources,
                         const std::vector<TResultDataField>& fields, std::uint32_t localeId,
                         TAnswerTable& answer, const TJoinIterator::TProgress& progress) {
    TReadSlices locks(sources, statement.withLocks);
    // Other users may have changed the shared source tables since the last
    // run: each execution reads them as they are now.
    for (TSourceDataFile* s : sources)
        s->File().Refresh();
    if (CountFastPathApplies(statement, sources, fields)) {
        RunCountFastPath(statement, *sources.front(), answer, progress);
        answer.Finish();
        return;
    }
    // Rows of a result of aggregates only are never kept one by one: the
    // tables may test every condition of their own as they read.
    const bool aggregatesOnly = statement.grouped && std::all_of(fields.begin(), fields.end(),
                                                                 [](const TResultDataField& f) {
                                                                     return f.aggregate != 0;
                                                                 });
    TJoinIterator join(statement, sources, localeId, aggregatesOnly);
    join.SetReadSlices(&locks);
    // Ungrouped rows that need no sort here go to the answer table as they
    // come: it keeps them as compact record images.
    const bool direct = !statement.grouped && (answer.IndexOrders() || statement.orderBy.empty());
    TRowCollector collector(statement, sources, fields, localeId, join, direct ? &answer : nullptr);
    // A direct answer takes about one row per record of the outermost table
    // (one table walked, a join on a key): room for them is made at once.
    if (direct && !sources.empty())
        answer.ReserveRows(sources.front()->File().PhysicalRecordCount());
    join.Run([&] { collector.Add(); }, progress);
    // The sources are read: the answer rows are written without their
    // locks (WITH LOCKS keeps them to the end).
    locks.Pause();
    collector.EnsureSingleGroup();
    collector.Finish();
    // The OrderBy index orders the rows itself, keeping equal keys in the
    // order they are written; without it they are written sorted.
    if (!answer.IndexOrders())
        SortRows(collector.Rows(), statement, sources, fields, answer.File());
    for (TAnswerRow& row : collector.Rows()) {
        answer.Append(row.values);
        // Each row's values are given up once gathered, so the rows and
        // their images are not both held whole.
        std::vector<TSqlValue>().swap(row.values);
        std::vector<TSqlValue>().swap(row.orderKeys);
    }
    // The rows are in the table now: their memory is free for its indexes.
    std::vector<TAnswerRow>().swap(collector.Rows());
    answer.Finish();
}

} // namespace tabula
