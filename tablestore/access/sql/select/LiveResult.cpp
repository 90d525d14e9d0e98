// TLiveResult: the live form of a single-table SELECT.
#include "LiveResult.h"

#include "IndexFileFormat.h"
#include "RecordImage.h"
#include "SourceDataFile.h"
#include "SqlConvert.h"
#include "SqlEvaluate.h"
#include "SqlFilterBuilder.h"

namespace tabula {

namespace {

// Whether an index reads in the ORDER BY's order: its leading fields are
// the items' columns, each running in its item's direction. A descending
// index reverses the whole order, so a field runs descending when exactly
// one of its own flag and the index's flag is set.
bool IndexOrders(const TIndexDescriptor& d, const TSqlStatement& s) {
    if (d.fieldCount < s.orderBy.size() || d.caseInsensitive != s.noCase)
        return false;
    for (std::size_t k = 0; k < s.orderBy.size(); ++k) {
        const TSqlOrderItem& item = s.orderBy[k];
        const bool fieldDown = (d.fieldDescending[k] != 0) != d.descending;
        if (d.fieldNumbers[k] != item.fieldNumber || fieldDown != item.descending)
            return false;
    }
    return true;
}

} // namespace

std::optional<int> TLiveResult::LiveIndex(const TSqlStatement& s, TDataFile& table) {
    if (!s.writable || s.distinct || s.multiTable || s.tables.size() != 1 || s.grouped)
        return std::nullopt;
    if (s.orderBy.empty())
        return indexfmt::kPhysicalOrderIndex;
    for (const TSqlOrderItem& item : s.orderBy)
        if (item.tableIndex != 0 || item.fieldNumber <= 0)
            return std::nullopt;
    for (int i = indexfmt::kPrimaryIndex; i <= table.SecondaryIndexCount(); ++i) {
        const TIndexDescriptor d = table.GetIndexDescriptor(i);
        if (d.fieldCount > 0 && IndexOrders(d, s))
            return i;
    }
    return std::nullopt;
}

TLiveResult::TLiveResult(const TSqlStatement& statement, TSourceDataFile& source,
                         const std::vector<TResultDataField>& fields, int index,
                         std::uint32_t localeId)
    : statement_(statement), source_(source), index_(index), localeId_(localeId) {
    TDataFile& file = source_.File();
    for (const TResultDataField& f : fields) {
        TFieldDescriptor d = f.descriptor;
        if (f.plain) {
            const TFieldDescriptor stored = file.GetFieldDescriptor(f.fieldNumber);
            d = stored;
            d.name = f.name;
            view_.push_back(d);
            continue;
        }
        // A computed column: evaluated by the cursor over each image it
        // reads, with the column references taken from that image.
        TSqlNodePtr expr = f.expr;
        TSourceDataFile* src = &source_;
        const std::uint32_t locale = localeId_;
        TDataFile::TCalculation calculation = [expr, src, locale](const TFieldDescriptor& field,
                                                                  std::span<std::uint8_t> image) {
            TSqlEvalContext context;
            context.localeId = locale;
            context.columnValue = [src, image](const TSqlNode& column) {
                return src->ColumnValueIn(column.fieldNumber, image);
            };
            const TSqlValue value = SqlEvaluate(*expr, context);
            const auto bytes = value.IsNull() ? std::nullopt : SqlConvertToColumn(value, field);
            if (bytes)
                WriteField(field, image, *bytes);
            else
                WriteNullField(field, image);
        };
        d.fieldNumber = static_cast<std::int16_t>(source_.AddCalculatedField(d, calculation));
        calculated_.push_back(d.fieldNumber);
        d = file.GetFieldDescriptor(d.fieldNumber);
        d.name = f.name;
        view_.push_back(d);
    }
}

TLiveResult::~TLiveResult() {
    try {
        DropFilters();
        for (auto it = calculated_.rbegin(); it != calculated_.rend(); ++it)
            source_.RemoveCalculatedField(*it);
    } catch (...) {
        // The source table closes with the statement; nothing else holds them.
    }
}

void TLiveResult::DropFilters() {
    TDataFile& file = source_.File();
    for (int handle : filters_)
        file.DropFilter(handle);
    filters_.clear();
}

bool TLiveResult::ResidualAccepts(std::span<const std::uint8_t> image, void* context) {
    auto* self = static_cast<TLiveResult*>(context);
    TSqlEvalContext eval;
    eval.localeId = self->localeId_;
    eval.columnValue = [self, image](const TSqlNode& column) {
        return self->source_.ColumnValueIn(column.fieldNumber, image);
    };
    return SqlIsTrue(SqlEvaluate(*self->residual_, eval));
}

void TLiveResult::Execute() {
    TDataFile& file = source_.File();
    DropFilters();
    // Other users may have changed the shared table since the last run.
    file.Refresh();
    if (statement_.where) {
        TSqlFilterBuilder builder(file, localeId_, true);
        TSqlConditionSplit split = SqlSplitCondition(statement_.where, 0, builder, true);
        for (TSqlTableFilter& filter : split.handed) {
            const int handle = file.AddFilter(std::move(filter.node));
            filters_.push_back(handle);
            file.ActivateFilter(handle);
        }
        // With one table every part is the table's and so handed over; a
        // rest, should there be one, is tested by the cursor all the same.
        residual_ = split.residual;
        if (residual_) {
            const int handle = file.AddFilter(&TLiveResult::ResidualAccepts, this);
            filters_.push_back(handle);
            file.ActivateFilter(handle);
        }
    }
    if (index_ == indexfmt::kPhysicalOrderIndex)
        file.SelectIndexByNumber(indexfmt::kPhysicalOrderIndex);
    else
        file.SelectIndexByNumber(index_);
    file.GotoFirst();
}

TDataFile& TLiveResult::Cursor() {
    return source_.File();
}

} // namespace tabula
