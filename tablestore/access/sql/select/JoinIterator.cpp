// TJoinIterator: nested walk of the source tables with outer joins.
#include "JoinIterator.h"

#include "DataFile.h"
#include "DataFileFormat.h"
#include "IndexCursor.h"
#include "IndexFileFormat.h"
#include "JoinAnalysis.h"
#include "ReadSlices.h"
#include "RecordImage.h"
#include "SourceDataFile.h"
#include "SqlConvert.h"
#include "SqlFilterBuilder.h"
#include "SqlLexer.h"
#include "SqlValue.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

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

// The lowest source table index a tree names, -1 for none.
int LowestTable(const TSqlNode& node) {
    int lowest = node.IsColumn() && node.tableIndex >= 0 ? node.tableIndex : -1;
    auto take = [&lowest](int t) {
        if (t >= 0 && (lowest < 0 || t < lowest))
            lowest = t;
    };
    for (const TSqlNode* child : {node.left.get(), node.right.get()})
        if (child)
            take(LowestTable(*child));
    for (const TSqlNodePtr& item : node.list)
        take(LowestTable(*item));
    return lowest;
}

int Mirrored(int op) {
    switch (op) {
    case sqlop::kLt:
        return sqlop::kGt;
    case sqlop::kGt:
        return sqlop::kLt;
    case sqlop::kLe:
        return sqlop::kGe;
    case sqlop::kGe:
        return sqlop::kLe;
    default:
        return op;
    }
}

int TableOf(const TSqlStatement& s, const std::string& correlation) {
    for (std::size_t i = 0; i < s.tables.size(); ++i)
        if (SqlEqualsIgnoreCase(s.tables[i].correlation, correlation))
            return static_cast<int>(i);
    return -1;
}

} // namespace

TJoinIterator::TJoinIterator(const TSqlStatement& statement, std::vector<TSourceDataFile*> sources,
                             std::uint32_t localeId, bool handAll)
    : sources_(std::move(sources)), parts_(sources_.size()), outerOn_(sources_.size()),
      nullRow_(sources_.size(), false), links_(sources_.size()),
      exactRange_(sources_.size(), false), memoRun_(sources_.size(), nullptr),
      linkBuilders_(sources_.size()), tableFilters_(sources_.size()), localeId_(localeId),
      handAll_(handAll) {
    SqlCheckJoinConditions(statement);
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
    try {
        for (std::size_t level = 0; level < sources_.size(); ++level) {
            HandTableFilters(level, outerOn_[level] != nullptr);
            if (level == 0)
                continue;
            std::vector<TSqlNodePtr> candidates;
            if (outerOn_[level])
                SplitAnd(outerOn_[level], {}, candidates);
            else
                candidates = parts_[level];
            FindJoinLink(level, candidates);
        }
    } catch (...) {
        DropTableFilters();
        throw;
    }
}

TJoinIterator::~TJoinIterator() {
    DropTableFilters();
}

void TJoinIterator::DropTableFilters() {
    for (std::size_t level = 0; level < links_.size(); ++level) {
        if (!links_[level] || links_[level]->rangeIndex < 0)
            continue;
        try {
            sources_[level]->File().SelectIndexByNumber(indexfmt::kPhysicalOrderIndex);
        } catch (...) {
            // The table closes with the statement.
        }
    }
    for (std::size_t level = 0; level < tableFilters_.size(); ++level) {
        for (int handle : tableFilters_[level]) {
            try {
                sources_[level]->File().DropFilter(handle);
            } catch (...) {
                // The table closes with the statement, and its filters with it.
            }
        }
    }
    tableFilters_.clear();
}

int TJoinIterator::HandedFilterCount(std::size_t level) const {
    return level < tableFilters_.size() ? static_cast<int>(tableFilters_[level].size()) : 0;
}

void TJoinIterator::HandTableFilters(std::size_t level, bool optional) {
    if (tableFilters_.size() < sources_.size())
        tableFilters_.resize(sources_.size());
    if (optional)
        return;
    TDataFile& file = sources_[level]->File();
    TSqlFilterBuilder builder(file, file.Header().LocaleId(), true);
    std::vector<TSqlNodePtr> kept;
    for (const TSqlNodePtr& part : parts_[level]) {
        // Only parts that name this table and no other; a part without
        // columns stays with the walk.
        if (LowestTable(*part) != static_cast<int>(level)) {
            kept.push_back(part);
            continue;
        }
        TSqlTableFilter filter = builder.Build(*SqlPrepareTableCondition(part));
        if (filter.level == kRecordByRecord && !handAll_) {
            kept.push_back(part);
            continue;
        }
        const int handle = file.AddFilter(std::move(filter.node));
        tableFilters_[level].push_back(handle);
        file.ActivateFilter(handle);
    }
    parts_[level] = std::move(kept);
}

void TJoinIterator::FindJoinLink(std::size_t level, const std::vector<TSqlNodePtr>& candidates) {
    if (links_.size() < sources_.size()) {
        links_.resize(sources_.size());
        linkBuilders_.resize(sources_.size());
    }
    for (const TSqlNodePtr& part : candidates) {
        const TSqlNode& n = *part;
        if (n.kind != TSqlNodeKind::Binary || !sqlop::IsComparison(n.op) || n.op == sqlop::kNe ||
            !n.left || !n.right || !n.left->IsColumn() || !n.right->IsColumn())
            continue;
        const auto here = static_cast<int>(level);
        if (n.left->tableIndex == here && n.right->tableIndex >= 0 && n.right->tableIndex < here) {
            links_[level].emplace();
            links_[level]->inner = n.left;
            links_[level]->outer = n.right;
            links_[level]->op = n.op;
        } else if (n.right->tableIndex == here && n.left->tableIndex >= 0 &&
                   n.left->tableIndex < here) {
            links_[level].emplace();
            links_[level]->inner = n.right;
            links_[level]->outer = n.left;
            links_[level]->op = Mirrored(n.op);
        }
        if (links_[level]) {
            links_[level]->part = part.get();
            TDataFile& file = sources_[level]->File();
            linkBuilders_[level] =
                std::make_unique<TSqlFilterBuilder>(file, file.Header().LocaleId(), false);
            TJoinLink& link = *links_[level];
            if (link.op != sqlop::kEq)
                return;
            for (int i = indexfmt::kPrimaryIndex; i <= file.SecondaryIndexCount(); ++i) {
                const TIndexDescriptor d = file.GetIndexDescriptor(i);
                if (d.fieldCount > 0 && d.fieldNumbers[0] == link.inner->fieldNumber) {
                    link.rangeIndex = i;
                    // Started once: each outer row rewrites the inner column's
                    // slot alone, and the key range reads no other field.
                    link.keyImage.assign(static_cast<std::size_t>(file.RecordBufferSize()), 0);
                    file.InitRecord(link.keyImage);
                    link.innerField = file.GetFieldDescriptor(link.inner->fieldNumber);
                    const TFieldDescriptor outer =
                        sources_[static_cast<std::size_t>(link.outer->tableIndex)]
                            ->File()
                            .GetFieldDescriptor(link.outer->fieldNumber);
                    if (outer.type == link.innerField.type) {
                        link.outerField = outer;
                        link.memo = std::make_unique<TJoinRangeMemo>(
                            static_cast<std::size_t>(file.RecordBufferSize()),
                            std::size_t{link.innerField.storedSize} + 1);
                    }
                    file.SelectIndexByNumber(i);
                    return;
                }
            }
            return;
        }
    }
}

namespace {

// Whether a field type's stored values and its key values correspond one to
// one, so that a key range of one value holds exactly the records whose
// field equals it (BCD is left out: its places would have to be rounded).
bool KeyTypeExact(std::uint8_t type) {
    // A boolean's key holds it as 0 or 1, as its slot does once written.
    return SqlValueIsStoredBytes(type) || type == datafmt::kFtBoolean;
}

// A double that equals a value of another key: zero (its two signs have
// two keys but compare equal) and NaN (which compares equal to every
// number). Such a value gets no key range; the filter compares instead.
bool AmbiguousDouble(double value) {
    return value == 0 || std::isnan(value);
}

// Whether an outer value compared with a float column must meet every
// record: a zero or NaN, whose key (for a range or an index-answered
// filter alike) stands for only one of the values that compare equal.
bool AmbiguousForFloatColumn(const TSqlValue& value, std::uint8_t columnType) {
    if (columnType != datafmt::kFtFloat && columnType != datafmt::kFtTimestamp)
        return false;
    if (value.Type() == datafmt::kFtTimestamp)
        return AmbiguousDouble(value.AsTimestamp());
    return SqlIsNumeric(value.Type()) && AmbiguousDouble(value.AsFloat());
}

} // namespace

// Whether a value stands for exactly one key value of a field: the same
// type, one that converts without change (no BCD places to round, no text
// longer than the field).
bool ExactKeyValue(const TSqlValue& value, const TFieldDescriptor& field) {
    if (value.Type() != field.type || !KeyTypeExact(field.type))
        return false;
    if (field.type == datafmt::kFtString)
        return value.AsString().size() < field.storedSize;
    if (field.type == datafmt::kFtFloat || field.type == datafmt::kFtTimestamp)
        return !AmbiguousDouble(value.AsFloat());
    return true;
}

void TJoinIterator::SetLinkRange(std::size_t level) {
    TJoinLink& link = *links_[level];
    TDataFile& file = sources_[level]->File();
    file.BuildKey(link.rangeIndex, link.keyImage, link.key);
    if (link.rangeHeld && link.key == link.heldKey)
        return;
    const int given = file.KeyPrefixLength(link.rangeIndex, 1);
    link.rangeHeld = false;
    file.SetRange(link.key, given, link.key, given);
    link.heldKey = link.key;
    link.rangeHeld = true;
}

void TJoinIterator::CancelLinkRange(std::size_t level) {
    links_[level]->rangeHeld = false;
    sources_[level]->File().CancelRange();
}

TJoinIterator::TRawKey TJoinIterator::RawLinkRange(std::size_t level, bool* exact) {
    TJoinLink& link = *links_[level];
    const auto table = static_cast<std::size_t>(link.outer->tableIndex);
    if (nullRow_[table])
        return TRawKey::kNull;
    TSourceDataFile& outer = *sources_[table];
    const TFieldRead read = outer.File().ReadField(link.outer->fieldNumber, outer.Buffer());
    if (read.isNull)
        return TRawKey::kNull;
    const TFieldDescriptor& field = link.innerField;
    if (!KeyTypeExact(field.type))
        return TRawKey::kNoKey;
    std::span<const std::uint8_t> bytes = read.value;
    *exact = true;
    if (field.type == datafmt::kFtString) {
        // The text up to its first zero, as the column's value reads it.
        const std::size_t n = strnlen(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        if (n >= field.storedSize)
            return TRawKey::kNoKey;
        bytes = bytes.first(n);
        // Writing drops trailing blanks and stores an empty text as null:
        // the key then stands for another value than the outer one.
        *exact = n > 0 && bytes[n - 1] != ' ';
    } else if (field.type == datafmt::kFtFloat || field.type == datafmt::kFtTimestamp) {
        if (bytes.size() < sizeof(double))
            return TRawKey::kNoKey;
        if (AmbiguousDouble(datafmt::GetDouble(bytes.data())))
            return TRawKey::kWholeTable;
    } else if (field.type == datafmt::kFtBoolean) {
        // Any non-zero value is true; the key holds it as 1.
        *exact = bytes.size() >= 2 && datafmt::GetU16(bytes.data()) <= 1;
    }
    WriteField(link.innerField, link.keyImage, bytes);
    if (TJoinRangeMemo* memo = UsableMemo(level)) {
        memoRun_[level] = memo->Find(KeySlot(link));
        if (memoRun_[level])
            return TRawKey::kRange;
    }
    SetLinkRange(level);
    return TRawKey::kRange;
}

bool TJoinIterator::LinkRange(std::size_t level, const TSqlValue& value) {
    TJoinLink& link = *links_[level];
    const TFieldDescriptor& field = link.innerField;
    std::optional<std::vector<std::uint8_t>> bytes;
    if (ExactKeyValue(value, field))
        bytes = SqlConvertToColumn(value, field);
    if (!bytes) {
        CancelLinkRange(level);
        return false;
    }
    WriteField(link.innerField, link.keyImage, *bytes);
    SetLinkRange(level);
    return true;
}

std::span<const std::uint8_t> TJoinIterator::KeySlot(const TJoinLink& link) const {
    const std::size_t from = link.innerField.offset;
    const std::size_t count = std::size_t{link.innerField.storedSize} + 1;
    if (from + count > link.keyImage.size())
        return {};
    return std::span<const std::uint8_t>(link.keyImage).subspan(from, count);
}

TJoinRangeMemo* TJoinIterator::UsableMemo(std::size_t level) {
    TJoinLink& link = *links_[level];
    // Without read slices another user's change could come in between two
    // operations, unseen by the cursor until it reads the files again.
    if (!slices_ || !link.memo || KeySlot(link).empty())
        return nullptr;
    link.memo->Validate(sources_[level]->File().IndexFile().Cursor().ChangeGeneration());
    return link.memo.get();
}

int TJoinIterator::PrepareLink(std::size_t level) {
    if (level >= links_.size() || !links_[level])
        return -1;
    exactRange_[level] = false;
    memoRun_[level] = nullptr;
    const TJoinLink& link = *links_[level];
    if (link.rangeIndex >= 0 && link.outerField) {
        bool exact = false;
        switch (RawLinkRange(level, &exact)) {
        case TRawKey::kNull:
        case TRawKey::kWholeTable:
            CancelLinkRange(level);
            return -1;
        case TRawKey::kRange:
            exactRange_[level] = exact;
            return -1;
        case TRawKey::kNoKey:
            CancelLinkRange(level);
            return LinkFilter(level);
        }
    }
    if (link.rangeIndex >= 0) {
        const TSqlValue value = ColumnValue(*link.outer);
        if (value.IsNull()) {
            CancelLinkRange(level);
            return -1;
        }
        if (LinkRange(level, value))
            return -1;
    }
    return LinkFilter(level);
}

int TJoinIterator::LinkFilter(std::size_t level) {
    const TJoinLink& link = *links_[level];
    const TSqlValue value = ColumnValue(*link.outer);
    if (value.IsNull() || AmbiguousForFloatColumn(value, link.inner->type.code))
        return -1;
    TSqlNodePtr condition = MakeSqlNode(TSqlNodeKind::Binary, link.op, "link");
    condition->type = TSqlType{datafmt::kFtBoolean, 0, SqlFixedSize(datafmt::kFtBoolean), 0};
    condition->left = link.inner;
    condition->right = MakeSqlConstant("link value", value);
    condition->right->type = value.TypeSlot();
    TDataFile& file = sources_[level]->File();
    const int handle = file.AddFilter(std::move(linkBuilders_[level]->Build(*condition).node));
    file.ActivateFilter(handle);
    return handle;
}

TSqlValue TJoinIterator::ColumnValue(const TSqlNode& column) const {
    const auto table = static_cast<std::size_t>(column.tableIndex);
    if (nullRow_.at(table))
        return TSqlValue::NullOf(column.type);
    return sources_[table]->ColumnValue(column.fieldNumber);
}

bool TJoinIterator::LinkHolds(std::size_t level) const {
    if (!exactRange_[level] || nullRow_[level])
        return false;
    const TJoinLink& link = *links_[level];
    const TFieldDescriptor& field = link.innerField;
    // The indicator byte and the value slot of the inner column.
    const std::size_t from = field.offset;
    const std::size_t count = std::size_t{field.storedSize} + 1;
    const std::span<const std::uint8_t> record = sources_[level]->Buffer();
    if (from + count > record.size() || from + count > link.keyImage.size())
        return false;
    return std::equal(record.begin() + from, record.begin() + from + count,
                      link.keyImage.begin() + from);
}

bool TJoinIterator::PartsAccept(std::size_t level) const {
    const TSqlNode* known =
        level < links_.size() && links_[level] && LinkHolds(level) ? links_[level]->part : nullptr;
    for (const TSqlNodePtr& part : parts_[level])
        if (part.get() != known && !SqlIsTrue(SqlEvaluate(*part, context_)))
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

// Drops a join link's filter however the walk of its table ends.
class TLinkFilterScope {
public:
    TLinkFilterScope(TDataFile& file, int handle) : file_(file), handle_(handle) {}
    ~TLinkFilterScope() {
        if (handle_ < 0)
            return;
        try {
            file_.DropFilter(handle_);
        } catch (...) {
            // The failure that ended the walk is the one to see.
        }
    }
    TLinkFilterScope(const TLinkFilterScope&) = delete;
    TLinkFilterScope& operator=(const TLinkFilterScope&) = delete;

private:
    TDataFile& file_;
    int handle_;
};

void TJoinIterator::OuterRecord(TDataFile& file) {
    if (slices_)
        slices_->Step();
    if (!progress_)
        return;
    const std::int64_t position = file.RecordPosition();
    if (position == lastPosition_)
        return;
    lastPosition_ = position;
    ++counter_;
    const std::int64_t count = file.RecordCount();
    const std::int64_t percent = count > 0 ? counter_ * 100 / count : 100;
    // The callback may change the tables: it runs without the slice's locks.
    if (slices_)
        slices_->Pause();
    progress_(counter_, static_cast<std::uint16_t>(std::clamp<std::int64_t>(percent, 0, 100)),
              aborted_);
    if (slices_)
        slices_->Resume();
}

bool TJoinIterator::Visit(std::size_t level, const std::function<void()>& rowAction) {
    const TSqlNode* on = outerOn_[level].get();
    if (on && !(links_[level] && links_[level]->part == on && LinkHolds(level)) &&
        !SqlIsTrue(SqlEvaluate(*on, context_)))
        return false;
    // The walk below moves the inner tables; this table's buffer stays.
    Step(level, rowAction);
    return true;
}

bool TJoinIterator::ReplayRun(std::size_t level, const TJoinRangeMemo& memo,
                              const TJoinRangeMemo::TRun& run,
                              const std::function<void()>& rowAction) {
    const std::span<std::uint8_t> buffer = sources_[level]->Buffer();
    bool matched = false;
    for (std::size_t i = 0; i < run.count && !aborted_; ++i) {
        const std::span<const std::uint8_t> image = memo.Image(run, i);
        std::copy_n(image.begin(), std::min(image.size(), buffer.size()), buffer.begin());
        matched = Visit(level, rowAction) || matched;
    }
    return matched;
}

bool TJoinIterator::WalkTable(std::size_t level, const std::function<void()>& rowAction) {
    TSourceDataFile& source = *sources_[level];
    TDataFile& file = source.File();
    const bool ranged = level > 0 && links_[level] && links_[level]->rangeHeld;
    // A walk on a link's key range knows how many records the range holds
    // (nothing changes the table before the next outer record) and stops at
    // the last one instead of stepping off the range's end.
    std::int64_t left = ranged ? file.RecordCount() : -1;
    TJoinRangeMemo* memo = ranged ? UsableMemo(level) : nullptr;
    if (memo)
        memo->BeginRun(KeySlot(*links_[level]));
    bool matched = false;
    try {
        file.GotoFirst();
        while (!aborted_ && left != 0 && file.NextRecord(source.Buffer()) == 0) {
            if (left > 0)
                --left;
            if (memo)
                memo->Add(source.Buffer());
            if (level == 0)
                OuterRecord(file);
            matched = Visit(level, rowAction) || matched;
        }
    } catch (...) {
        if (memo)
            memo->EndRun(false, 0);
        throw;
    }
    if (memo)
        memo->EndRun(!aborted_, file.IndexFile().Cursor().ChangeGeneration());
    return matched;
}

void TJoinIterator::Walk(std::size_t level, const std::function<void()>& rowAction) {
    TDataFile& file = sources_[level]->File();
    const TLinkFilterScope link(file, PrepareLink(level));
    // A copy: the memo keeps its runs in a vector, which moves them when it
    // grows, and the replay must not depend on where they lie.
    const std::optional<TJoinRangeMemo::TRun> run =
        memoRun_[level] ? std::optional(*memoRun_[level]) : std::nullopt;
    const bool matched =
        run ? ReplayRun(level, *links_[level]->memo, *run, rowAction) : WalkTable(level, rowAction);
    if (outerOn_[level] && !matched && !aborted_) {
        nullRow_[level] = true;
        Step(level, rowAction);
        nullRow_[level] = false;
    }
}

} // namespace tabula
