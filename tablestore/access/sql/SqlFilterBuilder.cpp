// Conditions over one table turned into engine filter trees; see
// SqlFilterBuilder.h for the leaf forms, the classification and the
// invariant that index answers and record-by-record answers agree.
#include "SqlFilterBuilder.h"

#include "FieldCondition.h"
#include "RecordImage.h"
#include "SqlCompare.h"
#include "SqlError.h"
#include "SqlEvaluate.h"
#include "SqlTypeCheck.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tabula {

using namespace datafmt;
using namespace sqlop;

namespace {

// Whether every column of the tree names the same table (table: the one
// seen so far, -1 before the first).
bool NamesOneTable(const TSqlNode& node, int& table) {
    if (node.IsColumn() && node.tableIndex >= 0) {
        if (table >= 0 && node.tableIndex != table)
            return false;
        table = node.tableIndex;
    }
    for (const TSqlNode* child : {node.left.get(), node.right.get()})
        if (child && !NamesOneTable(*child, table))
            return false;
    for (const TSqlNodePtr& item : node.list)
        if (!NamesOneTable(*item, table))
            return false;
    return true;
}

using TFields = std::shared_ptr<const std::vector<TFieldDescriptor>>;

// The value of one field of a record image as an SQL value: a null field
// keeps its zero bytes with the null flag set.
TSqlValue FieldValue(const TFieldDescriptor& field, std::span<const std::uint8_t> image) {
    const TFieldRead read = ReadField(field, image);
    std::vector<std::uint8_t> bytes(read.value.begin(), read.value.end());
    if (field.type == kFtString && (bytes.empty() || bytes.back() != 0))
        bytes.push_back(0); // a full-length text still ends in its terminator
    return TSqlValue::FromBytes(field.type, field.subtype, field.declaredDecimals, std::move(bytes),
                                read.isNull);
}

// A condition tested on every record image it is asked about, with the
// column values read from the image. Holds its own copies of the field
// descriptors, so a second cursor can have the same node.
class TRecordImageFilter : public TFilterNode {
public:
    TRecordImageFilter(TFields fields, std::uint32_t localeId)
        : fields_(std::move(fields)), localeId_(localeId) {}

    TFilterLevel Classify() const override { return kRecordByRecord; }
    TFilterLevel Evaluate(TFilterContext& context, TRecordBitmap& bits) override {
        context.EvaluateRecordByRecord(
            [this](std::span<const std::uint8_t> image) { return Test(image); }, bits);
        return kRecordByRecord;
    }

protected:
    // An evaluation context whose columns read `image`; valid while the
    // image is.
    TSqlEvalContext ImageContext(std::span<const std::uint8_t> image) const {
        TSqlEvalContext context;
        context.localeId = localeId_;
        context.columnValue = [this, image](const TSqlNode& column) {
            const int n = column.fieldNumber;
            if (n < 1 || n > static_cast<int>(fields_->size()))
                return TSqlValue::NullOf(column.type);
            return FieldValue((*fields_)[static_cast<std::size_t>(n - 1)], image);
        };
        return context;
    }

    TFields fields_;
    std::uint32_t localeId_;
};

// A subtree evaluated with SqlEvaluate.
class TSqlRecordFilter : public TRecordImageFilter {
public:
    TSqlRecordFilter(TSqlNodePtr tree, TFields fields, std::uint32_t localeId)
        : TRecordImageFilter(std::move(fields), localeId), tree_(std::move(tree)) {}

    bool Test(std::span<const std::uint8_t> image) override {
        return SqlIsTrue(SqlEvaluate(*tree_, ImageContext(image)));
    }
    std::unique_ptr<TFilterNode> CloneFor(TIndexFile& /*file*/) const override {
        return std::make_unique<TSqlRecordFilter>(tree_, fields_, localeId_);
    }

private:
    TSqlNodePtr tree_;
};

// A part of a dataset filter: FilterAcceptsNode over the shared tree, so
// comparisons with compare options keep them.
class TFilterTreeRecordFilter : public TRecordImageFilter {
public:
    TFilterTreeRecordFilter(std::shared_ptr<const TFilterTree> tree, const TSqlNode* node,
                            TFields fields, std::uint32_t localeId)
        : TRecordImageFilter(std::move(fields), localeId), tree_(std::move(tree)), node_(node) {}

    bool Test(std::span<const std::uint8_t> image) override {
        return FilterAcceptsNode(*tree_, *node_, ImageContext(image));
    }
    std::unique_ptr<TFilterNode> CloneFor(TIndexFile& /*file*/) const override {
        return std::make_unique<TFilterTreeRecordFilter>(tree_, node_, fields_, localeId_);
    }

private:
    std::shared_ptr<const TFilterTree> tree_;
    const TSqlNode* node_; // a node of *tree_, which keeps it alive
};

bool IsAscii(const std::string& text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// A column of the table, or UPPER of one.
struct TColumnRef {
    const TSqlNode* column = nullptr;
    bool upper = false;
};

TColumnRef ColumnOf(const TSqlNode& n) {
    if (n.IsColumn() && !n.IsAllColumns())
        return {&n, false};
    if (n.kind == TSqlNodeKind::Function && n.op == kUpper && n.left && n.left->IsColumn() &&
        !n.left->IsAllColumns())
        return {n.left.get(), true};
    return {};
}

// The value of a constant or of a sign over a constant.
std::optional<TSqlValue> ConstantOf(const TSqlNode& n) {
    if (n.IsConstant())
        return n.value;
    if (n.kind == TSqlNodeKind::Unary && (n.op == kNegate || n.op == kPlusSign) && n.left &&
        n.left->IsConstant())
        return SqlEvaluate(n, TSqlEvalContext{});
    return std::nullopt;
}

int Mirrored(int op) {
    switch (op) {
    case kGt:
        return kLt;
    case kLt:
        return kGt;
    case kGe:
        return kLe;
    case kLe:
        return kGe;
    default:
        return op;
    }
}

bool Holds(int op, int comparison) {
    switch (op) {
    case kEq:
        return comparison == 0;
    case kNe:
        return comparison != 0;
    case kGt:
        return comparison > 0;
    case kLt:
        return comparison < 0;
    case kGe:
        return comparison >= 0;
    default:
        return comparison <= 0;
    }
}

TSqlType SqlTypeOfField(const TFieldDescriptor& f) {
    return TSqlType{f.type, f.subtype, f.storedSize, f.declaredDecimals};
}

// The constant in the field's type, when that loses nothing; see the
// header for why an inexact conversion is refused rather than rounded.
std::optional<TSqlValue> ConvertExactly(const TSqlValue& v, const TFieldDescriptor& f) {
    const std::uint8_t from = v.Type();
    std::optional<TSqlValue> out;
    switch (f.type) {
    case kFtString:
        if (from == kFtString)
            out = v;
        break;
    case kFtInt16:
    case kFtInt32:
    case kFtUInt16: {
        if (!SqlIsNumeric(from))
            break;
        const std::int64_t i = v.AsInteger(); // floats and BCD truncated toward zero
        if (f.type == kFtInt16 && i >= std::numeric_limits<std::int16_t>::min() &&
            i <= std::numeric_limits<std::int16_t>::max())
            out = TSqlValue::Int16(static_cast<std::int16_t>(i));
        else if (f.type == kFtUInt16 && i >= 0 && i <= std::numeric_limits<std::uint16_t>::max())
            out = TSqlValue::UInt16(static_cast<std::uint16_t>(i));
        else if (f.type == kFtInt32 && i >= std::numeric_limits<std::int32_t>::min() &&
                 i <= std::numeric_limits<std::int32_t>::max())
            out = TSqlValue::Int32(static_cast<std::int32_t>(i));
        break;
    }
    case kFtFloat:
        // Zero and NaN stay record by record: -0 and +0 are equal values
        // with different keys, and NaN has no place in the key order.
        if (SqlIsNumeric(from) && v.AsFloat() != 0.0 && !std::isnan(v.AsFloat()))
            out = TSqlValue::Float(v.AsFloat(), f.subtype == kMoneySubtype);
        break;
    case kFtBcd:
        if (SqlIsNumeric(from)) {
            out = TSqlValue::Bcd(v.AsCurrency(), f.declaredDecimals);
            if (out->IsNull())
                out.reset(); // does not fit the encoding
        }
        break;
    case kFtDate:
        if (from == kFtDate || from == kFtTimestamp)
            out = TSqlValue::Date(v.AsDayNumber());
        break;
    case kFtTimestamp:
        if (from == kFtDate || from == kFtTimestamp)
            out = TSqlValue::Timestamp(v.AsTimestamp());
        break;
    case kFtTime:
    case kFtBoolean:
        if (from == f.type)
            out = v;
        break;
    default:
        break;
    }
    if (out && SqlCompareValues(*out, v, 0) != 0)
        out.reset();
    return out;
}

// The constant's bytes as the field stores them, at the field's stored
// size; nullopt when they do not fit.
std::optional<std::vector<std::uint8_t>> StoredBytes(const TSqlValue& v,
                                                     const TFieldDescriptor& f) {
    const std::size_t size = f.storedSize;
    if (f.type == kFtString) {
        const std::string text = v.AsString();
        if (text.size() + 1 > size)
            return std::nullopt;
        std::vector<std::uint8_t> bytes(size, 0);
        std::copy(text.begin(), text.end(), bytes.begin());
        return bytes;
    }
    if (f.type == kFtBoolean) {
        std::vector<std::uint8_t> bytes(2, 0);
        PutU16(bytes.data(), v.AsBoolean() ? 1 : 0); // records store booleans as 0 or 1
        return bytes;
    }
    if (v.Type() != f.type || v.Bytes().size() != size)
        return std::nullopt;
    return std::vector<std::uint8_t>(v.Bytes().begin(), v.Bytes().end());
}

TFieldConditionOp ConditionOp(int op) {
    return static_cast<TFieldConditionOp>(op); // the SQL codes 3..8 are the condition's
}

TSqlNodePtr AndOf(TSqlNodePtr left, TSqlNodePtr right) {
    TSqlNodePtr n = MakeSqlNode(TSqlNodeKind::Binary, kAnd, "AND");
    n->left = std::move(left);
    n->right = std::move(right);
    n->type = TSqlType{kFtBoolean, 0, 2, 0};
    return n;
}

bool IsStringConstant(const TSqlNode& n) {
    return n.IsConstant() && n.value.Type() == kFtString && !n.value.IsNull();
}

// SUBSTRING(x FROM 1 FOR n) of the prefix form: x and n.
bool PrefixForm(const TSqlNode& n, const TSqlNode*& operand, std::int64_t& length) {
    if (n.kind != TSqlNodeKind::Function || n.op != kSubstring || !n.left || n.list.size() != 2 ||
        !n.list[0]->IsConstant() || !n.list[1]->IsConstant() || n.list[0]->value.AsInteger() != 1)
        return false;
    operand = n.left.get();
    length = n.list[1]->value.AsInteger();
    return true;
}

bool RefersOnlyTo(const TSqlNode& n, int tableIndex) {
    if (n.IsColumn() && !n.IsAllColumns() && n.tableIndex != tableIndex)
        return false;
    for (const TSqlNode* child : {n.left.get(), n.right.get()})
        if (child && !RefersOnlyTo(*child, tableIndex))
            return false;
    for (const TSqlNodePtr& item : n.list)
        if (item && !RefersOnlyTo(*item, tableIndex))
            return false;
    return true;
}

} // namespace

struct TSqlFilterBuilder::TBuilt {
    std::unique_ptr<TFilterNode> node;
    TFilterLevel level = kRecordByRecord;
    std::int64_t count = 0; // index entries an index leaf matches
    int field = 0;          // the field of an index leaf
};

std::int64_t TSqlFilterBuilder::EntryCount(int field) {
    auto it = entryCounts_.find(field);
    if (it != entryCounts_.end())
        return it->second;
    // Every live record has one entry in the index that answers the field:
    // null or not. Counted from the index itself, so the cursor's own
    // filters and range do not change the figure.
    TFieldCondition condition;
    condition.fieldNumber = field;
    condition.op = TFieldConditionOp::IsNull;
    std::int64_t total = std::max<std::int64_t>(0, table_.CountConditionMatches(condition));
    condition.op = TFieldConditionOp::IsNotNull;
    total += std::max<std::int64_t>(0, table_.CountConditionMatches(condition));
    entryCounts_.emplace(field, total);
    return total;
}

TSqlFilterBuilder::TSqlFilterBuilder(TDataFile& table, std::uint32_t localeId, bool whereClause)
    : table_(table), localeId_(localeId), whereClause_(whereClause) {
    for (int n = 1; n <= table.FieldCount(); ++n)
        fields_.push_back(table.GetFieldDescriptor(n));
}

TSqlTableFilter TSqlFilterBuilder::Build(const TSqlNode& condition) {
    // A table's filter reads the table's own record only: a column of a
    // second table would be read at its field number from the wrong record.
    // Conditions are split per table before they get here; one that still
    // names two tables is an internal fault, refused rather than answered
    // wrongly.
    int table = -1;
    if (!NamesOneTable(condition, table))
        RaiseSqlError(kTableFilterError);
    entryCounts_.clear(); // the table may have changed since the last build
    TBuilt built = Node(condition, true);
    return TSqlTableFilter{std::move(built.node), built.level};
}

TSqlTableFilter TSqlFilterBuilder::Build(std::shared_ptr<const TFilterTree> tree) {
    if (!tree || !tree->root)
        return {};
    filterTree_ = std::move(tree);
    struct TReset {
        std::shared_ptr<const TFilterTree>& tree;
        ~TReset() { tree.reset(); }
    } reset{filterTree_};
    const TSqlNode& root = *filterTree_->root;
    return Build(root);
}

TSqlFilterBuilder::TBuilt TSqlFilterBuilder::Node(const TSqlNode& n, bool root) {
    if (n.kind == TSqlNodeKind::Binary && (n.op == kAnd || n.op == kOr)) {
        TBuilt a = Node(*n.left, false);
        TBuilt b = Node(*n.right, false);
        TBuilt out;
        if (n.op == kAnd) {
            if (b.level < a.level)
                std::swap(a, b); // the better side first
            out.level =
                a.level == b.level && a.level != kAnsweredPartly ? a.level : kAnsweredPartly;
            out.node = std::make_unique<TAndFilter>(std::move(a.node), std::move(b.node));
        } else {
            out.level = a.level == kAnsweredFromIndexes && b.level == kAnsweredFromIndexes
                            ? kAnsweredFromIndexes
                            : kRecordByRecord;
            out.node = std::make_unique<TOrFilter>(std::move(a.node), std::move(b.node));
        }
        return out;
    }
    if (n.kind == TSqlNodeKind::Unary && n.op == kNot) {
        TBuilt a = Node(*n.left, false);
        a.node = std::make_unique<TNotFilter>(std::move(a.node));
        return a;
    }
    return Leaf(n, root);
}

TSqlFilterBuilder::TBuilt TSqlFilterBuilder::Leaf(const TSqlNode& n, bool root) {
    TBuilt out;
    if (!TryIndexLeaf(n, out))
        return RecordByRecord(n);
    out.level = kAnsweredFromIndexes;
    if (whereClause_ && !root) {
        const auto limit =
            static_cast<std::int64_t>(std::floor(static_cast<double>(EntryCount(out.field)) * 0.9));
        if (out.count > limit)
            out.level = kRecordByRecord;
    }
    return out;
}

TSqlFilterBuilder::TBuilt TSqlFilterBuilder::RecordByRecord(const TSqlNode& n) {
    TBuilt out;
    if (filterTree_) {
        out.node = std::make_unique<TFilterTreeRecordFilter>(
            filterTree_, &n, std::make_shared<const std::vector<TFieldDescriptor>>(fields_),
            localeId_);
        return out;
    }
    out.node = std::make_unique<TSqlRecordFilter>(
        std::make_shared<TSqlNode>(n),
        std::make_shared<const std::vector<TFieldDescriptor>>(fields_), localeId_);
    out.level = kRecordByRecord;
    return out;
}

bool TSqlFilterBuilder::TryIndexLeaf(const TSqlNode& n, TBuilt& out) {
    if (filterTree_) {
        if (const TFilterCompareOptions* options = filterTree_->OptionsOf(n))
            return OptionsComparison(n, *options, out);
    }
    if (n.kind == TSqlNodeKind::Binary && IsComparison(n.op)) {
        // SUBSTRING(column FROM 1 FOR n) = 'prefix': a prefix comparison
        const TSqlNode* operand = nullptr;
        std::int64_t length = 0;
        if ((n.op == kEq || n.op == kNe) && PrefixForm(*n.left, operand, length) &&
            IsStringConstant(*n.right)) {
            const TColumnRef ref = ColumnOf(*operand);
            const std::string prefix = n.right->value.AsString();
            return ref.column && static_cast<std::int64_t>(prefix.size()) == length &&
                   Prefix(*ref.column, ref.upper, n.op == kEq, prefix, out);
        }
        TColumnRef ref = ColumnOf(*n.left);
        std::optional<TSqlValue> constant = ConstantOf(*n.right);
        int op = n.op;
        if (!ref.column || !constant) {
            ref = ColumnOf(*n.right);
            constant = ConstantOf(*n.left);
            op = Mirrored(op);
        }
        if (!ref.column || !constant)
            return false;
        return Comparison(*ref.column, ref.upper, op, *constant, out);
    }
    if (n.kind != TSqlNodeKind::Pattern)
        return false;
    const TColumnRef ref = ColumnOf(*n.left);
    if (!ref.column)
        return false;
    const TSqlNode& column = *ref.column;
    if (n.op == kLike || n.op == kNotLike) {
        if (!n.right || !IsStringConstant(*n.right))
            return false;
        const std::string pattern = n.right->value.AsString();
        if (pattern.size() < 2 || pattern.back() != '%')
            return false;
        const std::string prefix = pattern.substr(0, pattern.size() - 1);
        if (prefix.find_first_of("%_") != std::string::npos)
            return false;
        return Prefix(*ref.column, ref.upper, n.op == kLike, prefix, out);
    }
    std::vector<TBuilt> parts;
    if (n.op == kIn || n.op == kNotIn) {
        for (const TSqlNodePtr& item : n.list) {
            const std::optional<TSqlValue> v = ConstantOf(*item);
            TBuilt part;
            if (!v || !Comparison(column, ref.upper, kEq, *v, part))
                return false;
            parts.push_back(std::move(part));
        }
    } else { // [NOT] BETWEEN low AND high
        if (n.list.size() != 2)
            return false;
        for (int i = 0; i < 2; ++i) {
            const std::optional<TSqlValue> v = ConstantOf(*n.list[static_cast<std::size_t>(i)]);
            TBuilt part;
            if (!v || !Comparison(column, ref.upper, i == 0 ? kGe : kLe, *v, part))
                return false;
            parts.push_back(std::move(part));
        }
    }
    if (parts.empty())
        return false;
    const bool between = n.op == kBetween || n.op == kNotBetween;
    out.node = std::move(parts[0].node);
    out.count = parts[0].count;
    out.field = parts[0].field;
    for (std::size_t i = 1; i < parts.size(); ++i) {
        if (between) {
            out.node = std::make_unique<TAndFilter>(std::move(out.node), std::move(parts[i].node));
            out.count = std::min(out.count, parts[i].count); // an upper bound of the range
        } else {
            out.node = std::make_unique<TOrFilter>(std::move(out.node), std::move(parts[i].node));
            out.count += parts[i].count;
        }
    }
    if (n.op == kNotIn || n.op == kNotBetween) {
        out.node = std::make_unique<TNotFilter>(std::move(out.node));
        out.count = std::max<std::int64_t>(0, EntryCount(out.field) - out.count);
    }
    return true;
}

bool TSqlFilterBuilder::Comparison(const TSqlNode& column, bool upper, int op,
                                   const TSqlValue& constant, TBuilt& out) {
    const int number = column.fieldNumber;
    if (number < 1 || number > static_cast<int>(fields_.size()))
        return false;
    const TFieldDescriptor& field = fields_[static_cast<std::size_t>(number - 1)];
    TFieldCondition condition;
    condition.fieldNumber = number;
    if (constant.IsNull()) {
        // = and <> treat NULL as a value; an ordering comparison with NULL
        // compares zero values and is left to record-by-record evaluation
        if (op != kEq && op != kNe)
            return false;
        condition.op = op == kEq ? TFieldConditionOp::IsNull : TFieldConditionOp::IsNotNull;
        return Condition(condition, out);
    }
    const std::optional<TSqlValue> value = ConvertExactly(constant, field);
    if (!value)
        return false;
    if (upper && (field.type != kFtString ||
                  value->AsString() != SqlMapCase(value->AsString(), true, localeId_)))
        return false;
    const auto bytes = StoredBytes(*value, field);
    if (!bytes)
        return false;
    condition.op = ConditionOp(op);
    condition.value = *bytes;
    condition.upper = upper;
    if (!Condition(condition, out))
        return false;
    if (op != kEq && op != kNe &&
        Holds(op, SqlCompareValues(TSqlValue::NullOf(SqlTypeOfField(field)), *value, localeId_))) {
        // A null field compares as its zero value, which passes here.
        TFieldCondition isNull;
        isNull.fieldNumber = number;
        isNull.op = TFieldConditionOp::IsNull;
        TBuilt nulls;
        if (!Condition(isNull, nulls))
            return false;
        out.node = std::make_unique<TOrFilter>(std::move(out.node), std::move(nulls.node));
        out.count += nulls.count;
    }
    return true;
}

bool TSqlFilterBuilder::Prefix(const TSqlNode& column, bool upper, bool equal,
                               const std::string& prefix, TBuilt& out) {
    const int number = column.fieldNumber;
    if (number < 1 || number > static_cast<int>(fields_.size()) || prefix.empty())
        return false;
    const TFieldDescriptor& field = fields_[static_cast<std::size_t>(number - 1)];
    if (field.type != kFtString || prefix.size() + 1 > field.storedSize)
        return false;
    if (upper && prefix != SqlMapCase(prefix, true, localeId_))
        return false;
    TFieldCondition condition;
    condition.fieldNumber = number;
    condition.op = equal ? TFieldConditionOp::Eq : TFieldConditionOp::Ne;
    condition.value.assign(field.storedSize, 0);
    std::copy(prefix.begin(), prefix.end(), condition.value.begin());
    condition.upper = upper;
    condition.partialLength = static_cast<int>(prefix.size());
    return Condition(condition, out);
}

// field = 'text' or field <> 'text' under compare options. The record test
// truncates both texts to the partial length and folds ASCII case; the
// index answer compares the first partial-length characters of the key
// under the index's case folding. They agree when the folded text is
// plain ASCII, so other texts are left to record-by-record evaluation. A
// text shorter than the partial length compares whole.
bool TSqlFilterBuilder::OptionsComparison(const TSqlNode& n, const TFilterCompareOptions& options,
                                          TBuilt& out) {
    if (n.kind != TSqlNodeKind::Binary || (n.op != kEq && n.op != kNe) || !n.left || !n.right)
        return false;
    const TSqlNode* column = n.left.get();
    const TSqlNode* constant = n.right.get();
    if (!column->IsColumn())
        std::swap(column, constant);
    if (!column->IsColumn() || column->IsAllColumns() || !constant->IsConstant())
        return false;
    const int number = column->fieldNumber;
    if (number < 1 || number > static_cast<int>(fields_.size()))
        return false;
    const TFieldDescriptor& field = fields_[static_cast<std::size_t>(number - 1)];
    if (constant->value.IsNull())
        return Comparison(*column, false, n.op, constant->value, out);
    if (field.type != kFtString || constant->value.Type() != kFtString)
        return false;
    std::string text = constant->value.AsString();
    if (options.caseInsensitive && !IsAscii(text))
        return false;
    int partial = 0;
    if (options.partialLength > 0 &&
        text.size() >= static_cast<std::size_t>(options.partialLength)) {
        partial = options.partialLength;
        text.resize(static_cast<std::size_t>(partial));
    }
    if (text.empty() || text.size() + 1 > field.storedSize)
        return false;
    TFieldCondition condition;
    condition.fieldNumber = number;
    condition.op = n.op == kEq ? TFieldConditionOp::Eq : TFieldConditionOp::Ne;
    condition.value.assign(field.storedSize, 0);
    std::copy(text.begin(), text.end(), condition.value.begin());
    condition.caseInsensitive = options.caseInsensitive;
    condition.partialLength = partial;
    return Condition(condition, out);
}

bool TSqlFilterBuilder::Condition(const TFieldCondition& condition, TBuilt& out) {
    std::unique_ptr<TFilterNode> node = table_.MakeConditionFilter(condition);
    if (!node)
        return false;
    out.node = std::move(node);
    out.field = condition.fieldNumber;
    out.count = whereClause_ ? table_.CountConditionMatches(condition) : 0;
    return true;
}

TSqlNodePtr SqlPrepareTableCondition(const TSqlNodePtr& condition) {
    if (!condition)
        return condition;
    const TSqlNode& n = *condition;
    if (n.kind == TSqlNodeKind::Binary && (n.op == kAnd || n.op == kOr)) {
        TSqlNodePtr left = SqlPrepareTableCondition(n.left);
        TSqlNodePtr right = SqlPrepareTableCondition(n.right);
        if (left == n.left && right == n.right)
            return condition;
        auto copy = std::make_shared<TSqlNode>(n);
        copy->left = std::move(left);
        copy->right = std::move(right);
        return copy;
    }
    if (n.kind == TSqlNodeKind::Unary && n.op == kNot) {
        TSqlNodePtr operand = SqlPrepareTableCondition(n.left);
        if (operand == n.left)
            return condition;
        auto copy = std::make_shared<TSqlNode>(n);
        copy->left = std::move(operand);
        return copy;
    }
    if (n.kind != TSqlNodeKind::Binary || (n.op != kEq && n.op != kNe))
        return condition;
    // = or <> with a text 'abc*': compare the leading characters
    const bool constantRight = IsStringConstant(*n.right);
    const TSqlNodePtr& text = constantRight ? n.right : n.left;
    const TSqlNodePtr& other = constantRight ? n.left : n.right;
    if (!IsStringConstant(*text) || other->type.code != kFtString || IsStringConstant(*other))
        return condition;
    const std::string value = text->value.AsString();
    if (value.size() < 2 || value.back() != '*' ||
        value.size() - 1 > static_cast<std::size_t>(kSqlMaxSubstring))
        return condition;
    const std::string prefix = value.substr(0, value.size() - 1);
    auto length = static_cast<std::int32_t>(prefix.size());
    TSqlNodePtr substring = MakeSqlNode(TSqlNodeKind::Function, kSubstring, "SUBSTRING");
    substring->left = other;
    substring->type = other->type;
    for (std::int32_t v : {1, length}) {
        TSqlNodePtr c = MakeSqlConstant(std::to_string(v), TSqlValue::Int32(v));
        c->type = c->value.TypeSlot();
        substring->list.push_back(std::move(c));
    }
    TSqlNodePtr constant = MakeSqlConstant("'" + prefix + "'", TSqlValue::String(prefix));
    constant->type = constant->value.TypeSlot();
    auto copy = std::make_shared<TSqlNode>(n);
    copy->left = std::move(substring);
    copy->right = std::move(constant);
    return copy;
}

TSqlConditionSplit SqlSplitCondition(const TSqlNodePtr& where, int tableIndex,
                                     TSqlFilterBuilder& builder, bool handAll) {
    TSqlConditionSplit split;
    if (!where)
        return split;
    std::vector<TSqlNodePtr> parts, rest;
    // Largest single-table parts, walking down through AND only: a part of
    // an OR or NOT cannot be taken over alone without changing the result.
    std::vector<TSqlNodePtr> stack{SqlPrepareTableCondition(where)};
    while (!stack.empty()) {
        TSqlNodePtr n = std::move(stack.back());
        stack.pop_back();
        if (RefersOnlyTo(*n, tableIndex))
            parts.push_back(n);
        else if (n->kind == TSqlNodeKind::Binary && n->op == kAnd) {
            stack.push_back(n->right);
            stack.push_back(n->left);
        } else
            rest.push_back(n);
    }
    for (const TSqlNodePtr& part : parts) {
        TSqlTableFilter filter = builder.Build(*part);
        if (handAll || filter.level != kRecordByRecord)
            split.handed.push_back(std::move(filter));
        else
            rest.push_back(part);
    }
    for (auto it = rest.rbegin(); it != rest.rend(); ++it)
        split.residual = split.residual ? AndOf(*it, split.residual) : *it;
    return split;
}

} // namespace tabula
