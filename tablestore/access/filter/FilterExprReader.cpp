// Checked reading of binary filter expressions into expression trees, and
// the record test over such a tree.
#include "FilterExprReader.h"

#include "DataFileFormat.h"
#include "EngineCodes.h"
#include "EngineError.h"
#include "FilterExprFormat.h"

#include <cstring>

namespace tabula {

using namespace filterfmt;

namespace {

const TSqlType kBooleanType{datafmt::kFtBoolean, 0, 2, 0};

const char* OperatorName(int op) {
    switch (op) {
    case sqlop::kEq:
        return "=";
    case sqlop::kNe:
        return "<>";
    case sqlop::kGt:
        return ">";
    case sqlop::kLt:
        return "<";
    case sqlop::kGe:
        return ">=";
    case sqlop::kLe:
        return "<=";
    case sqlop::kAnd:
        return "AND";
    case sqlop::kOr:
        return "OR";
    default:
        return "NOT";
    }
}

// Which values a comparison may put side by side: the families of the
// evaluator's = rule.
int Family(std::uint8_t code) {
    using namespace datafmt;
    switch (code) {
    case kFtString:
        return 1;
    case kFtDate:
    case kFtTimestamp:
        return 2;
    case kFtBoolean:
        return 3;
    case kFtTime:
        return 4;
    default:
        return SqlIsNumeric(code) ? 5 : 0;
    }
}

class TReader {
public:
    TReader(const std::uint8_t* data, std::size_t size, const std::vector<TSqlType>& fieldTypes,
            const std::string& file)
        : data_(data), size_(size), fieldTypes_(fieldTypes), file_(file) {}

    TFilterTree Read() {
        if (!data_ || size_ < kHeaderSize)
            Fail();
        if (U16(kVersionOffset) != kVersion || U16(kNodeAreaOffsetOffset) != kHeaderSize)
            Fail();
        const std::size_t total = U16(kTotalSizeOffset);
        if (total > size_ || total < kHeaderSize)
            Fail();
        const std::size_t literals = U16(kLiteralPoolOffsetOffset);
        if (literals < kHeaderSize || literals > total)
            Fail();
        nodeStart_ = kHeaderSize;
        nodeEnd_ = literals;
        poolStart_ = literals;
        poolEnd_ = total;
        visited_.assign(nodeEnd_ - nodeStart_, false);
        tree_.root = Condition(0, 0);
        return std::move(tree_);
    }

private:
    [[noreturn]] void Fail() const { RaiseEngineError(kErrInvalidFilterExpression, file_); }

    std::uint16_t U16(std::size_t at) const { return datafmt::GetU16(data_ + at); }
    std::uint32_t U32(std::size_t at) const { return datafmt::GetU32(data_ + at); }

    struct TRawNode {
        std::uint32_t nodeClass;
        std::uint32_t op;
        std::size_t operands; // absolute position of the first operand
    };

    // The node at a node-area offset, checked to lie wholly in the node area
    // and to be reached for the first time.
    TRawNode Node(std::size_t offset, int depth) {
        // A valid image nests at most one level per node, so deeper paths
        // are damage; the check also bounds the recursion.
        if (depth > kMaxDepth)
            Fail();
        const std::size_t at = nodeStart_ + offset;
        if (offset >= visited_.size() || at + kNodeOperandsOffset > nodeEnd_)
            Fail();
        if (visited_[offset])
            Fail();
        visited_[offset] = true;
        TRawNode node{U32(at + kNodeClassOffset), U32(at + kNodeOperatorOffset),
                      at + kNodeOperandsOffset};
        const std::size_t count = OperandCount(node.nodeClass);
        if (count == 0 || node.operands + count * kOperandSize > nodeEnd_)
            Fail();
        return node;
    }

    std::uint16_t Operand(const TRawNode& node, std::size_t i) const {
        return U16(node.operands + i * kOperandSize);
    }

    static TSqlNodePtr Operator(TSqlNodeKind kind, int op) {
        auto node = MakeSqlNode(kind, op, OperatorName(op));
        node->type = kBooleanType;
        return node;
    }

    // A node whose value is a condition.
    TSqlNodePtr Condition(std::size_t offset, int depth) {
        const TRawNode raw = Node(offset, depth);
        switch (raw.nodeClass) {
        case kClassUnary: {
            if (raw.op == kOpNot) {
                auto node = Operator(TSqlNodeKind::Unary, sqlop::kNot);
                node->left = Condition(Operand(raw, 0), depth + 1);
                return node;
            }
            if (raw.op != kOpIsNull && raw.op != kOpIsNotNull)
                Fail();
            auto node =
                Operator(TSqlNodeKind::Binary, raw.op == kOpIsNull ? sqlop::kEq : sqlop::kNe);
            node->name = raw.op == kOpIsNull ? "IS NULL" : "IS NOT NULL";
            node->left = Leaf(Operand(raw, 0), depth + 1);
            if (!node->left->IsColumn())
                Fail();
            node->right = MakeSqlConstant("NULL", TSqlValue::Null());
            return node;
        }
        case kClassBinary: {
            const int op = static_cast<int>(raw.op);
            if (op == sqlop::kAnd || op == sqlop::kOr) {
                auto node = Operator(TSqlNodeKind::Binary, op);
                node->left = Condition(Operand(raw, 0), depth + 1);
                node->right = Condition(Operand(raw, 1), depth + 1);
                return node;
            }
            if (!sqlop::IsComparison(op))
                Fail();
            return Comparison(op, Operand(raw, 0), Operand(raw, 1), depth);
        }
        case kClassCompare: {
            const int op = static_cast<int>(raw.op);
            if (!sqlop::IsComparison(op))
                Fail();
            TFilterCompareOptions options;
            options.caseInsensitive = Operand(raw, 0) != 0;
            options.partialLength = Operand(raw, 1);
            auto node = Comparison(op, Operand(raw, 2), Operand(raw, 3), depth);
            // Compare options are text comparisons.
            if (node->left->type.code != datafmt::kFtString ||
                node->right->type.code != datafmt::kFtString)
                Fail();
            tree_.compareOptions[node.get()] = options;
            return node;
        }
        default:
            Fail();
        }
    }

    TSqlNodePtr Comparison(int op, std::size_t leftAt, std::size_t rightAt, int depth) {
        auto node = Operator(TSqlNodeKind::Binary, op);
        node->left = Leaf(leftAt, depth + 1);
        node->right = Leaf(rightAt, depth + 1);
        TSqlNode& left = *node->left;
        TSqlNode& right = *node->right;
        // A BCD constant takes the decimals of the field it is compared with.
        for (auto [constant, column] : {std::pair{&right, &left}, std::pair{&left, &right}}) {
            if (constant->IsConstant() && column->IsColumn() &&
                constant->value.Type() == datafmt::kFtBcd && column->type.code == datafmt::kFtBcd) {
                constant->value =
                    TSqlValue::Bcd(constant->value.AsCurrency(), column->type.decimals);
                constant->type = constant->value.TypeSlot();
            }
        }
        const bool leftNull = left.type.code == kSqlNullType;
        const bool rightNull = right.type.code == kSqlNullType;
        if (leftNull || rightNull) {
            // NULL takes part only in = and <>.
            if (op != sqlop::kEq && op != sqlop::kNe)
                Fail();
        } else if (Family(left.type.code) == 0 ||
                   Family(left.type.code) != Family(right.type.code)) {
            Fail();
        }
        return node;
    }

    // A field or constant node.
    TSqlNodePtr Leaf(std::size_t offset, int depth) {
        const TRawNode raw = Node(offset, depth);
        if (raw.nodeClass == kClassField) {
            if (raw.op != kOpField)
                Fail();
            const std::size_t number = Operand(raw, 0);
            if (number < 1 || number > fieldTypes_.size())
                Fail();
            const std::string name = PoolString(Operand(raw, 1));
            auto node = MakeSqlColumn({}, name);
            node->tableIndex = 0;
            node->fieldNumber = static_cast<int>(number);
            node->type = fieldTypes_[number - 1];
            if (Family(node->type.code) == 0)
                Fail();
            return node;
        }
        if (raw.nodeClass == kClassConstant && raw.op == kOpConstant) {
            TSqlValue value = Constant(static_cast<std::uint8_t>(Operand(raw, 0) & 0xFF),
                                       Operand(raw, 0), Operand(raw, 1), Operand(raw, 2));
            auto node =
                MakeSqlConstant(value.Type() == datafmt::kFtString ? value.AsString() : "", value);
            node->type = node->value.TypeSlot();
            return node;
        }
        Fail();
    }

    // A zero-terminated string starting at a pool offset.
    std::string PoolString(std::size_t offset) const {
        const std::size_t at = poolStart_ + offset;
        if (at >= poolEnd_)
            Fail();
        const void* zero = std::memchr(data_ + at, 0, poolEnd_ - at);
        if (!zero)
            Fail();
        return std::string(reinterpret_cast<const char*>(data_ + at),
                           static_cast<const std::uint8_t*>(zero) - (data_ + at));
    }

    TSqlValue Constant(std::uint8_t code, std::uint16_t rawCode, std::size_t size,
                       std::size_t offset) const {
        using namespace datafmt;
        const std::size_t at = poolStart_ + offset;
        if (rawCode > 0xFF || size == 0 || at > poolEnd_ || size > poolEnd_ - at)
            Fail();
        const std::uint8_t* p = data_ + at;
        if (code == kFtString) {
            if (p[size - 1] != 0)
                Fail();
            if (size == 1)
                return TSqlValue::Null();
            return TSqlValue::String(std::string(reinterpret_cast<const char*>(p),
                                                 strnlen(reinterpret_cast<const char*>(p), size)));
        }
        if (static_cast<int>(size) != SqlFixedSize(code))
            Fail();
        switch (code) {
        case kFtBoolean:
            return TSqlValue::Boolean(GetU16(p) != 0);
        case kFtInt16:
            return TSqlValue::Int16(GetI16(p));
        case kFtUInt16:
            return TSqlValue::UInt16(GetU16(p));
        case kFtInt32:
            return TSqlValue::Int32(GetI32(p));
        case kFtDate:
            return TSqlValue::Date(GetI32(p));
        case kFtTime:
            return TSqlValue::Time(GetI32(p));
        case kFtFloat:
            return TSqlValue::Float(GetDouble(p));
        case kFtTimestamp:
            return TSqlValue::Timestamp(GetDouble(p));
        case kFtBcd: {
            const auto value = DecodeBcd(GetI64(p), 4);
            if (!value)
                Fail();
            return TSqlValue::Bcd(*value, 4);
        }
        default:
            Fail();
        }
    }

    static constexpr int kMaxDepth = 8192;

    const std::uint8_t* data_;
    std::size_t size_;
    const std::vector<TSqlType>& fieldTypes_;
    const std::string& file_;
    std::size_t nodeStart_ = 0, nodeEnd_ = 0, poolStart_ = 0, poolEnd_ = 0;
    std::vector<bool> visited_;
    TFilterTree tree_;
};

std::string Upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

bool CompareWithOptions(const TSqlNode& node, const TFilterCompareOptions& options,
                        const TSqlEvalContext& context) {
    const TSqlValue left = SqlEvaluate(*node.left, context);
    const TSqlValue right = SqlEvaluate(*node.right, context);
    if (node.op == sqlop::kEq || node.op == sqlop::kNe) {
        // NULL on either side compares as a value, as with plain =.
        const bool leftNull = left.IsNull(), rightNull = right.IsNull();
        if (leftNull || rightNull) {
            const bool equal = leftNull && rightNull;
            return node.op == sqlop::kEq ? equal : !equal;
        }
    }
    std::string a = left.Type() == datafmt::kFtString ? left.AsString() : std::string();
    std::string b = right.Type() == datafmt::kFtString ? right.AsString() : std::string();
    if (options.partialLength > 0) {
        const auto n = static_cast<std::size_t>(options.partialLength);
        if (a.size() > n)
            a.resize(n);
        if (b.size() > n)
            b.resize(n);
    }
    if (options.caseInsensitive) {
        a = Upper(std::move(a));
        b = Upper(std::move(b));
    }
    const int c = a.compare(b);
    switch (node.op) {
    case sqlop::kEq:
        return c == 0;
    case sqlop::kNe:
        return c != 0;
    case sqlop::kGt:
        return c > 0;
    case sqlop::kLt:
        return c < 0;
    case sqlop::kGe:
        return c >= 0;
    default:
        return c <= 0;
    }
}

bool Accepts(const TFilterTree& tree, const TSqlNode& node, const TSqlEvalContext& context) {
    if (node.kind == TSqlNodeKind::Unary && node.op == sqlop::kNot)
        return !Accepts(tree, *node.left, context);
    if (node.kind == TSqlNodeKind::Binary && node.op == sqlop::kAnd)
        return Accepts(tree, *node.right, context) && Accepts(tree, *node.left, context);
    if (node.kind == TSqlNodeKind::Binary && node.op == sqlop::kOr)
        return Accepts(tree, *node.right, context) || Accepts(tree, *node.left, context);
    if (const TFilterCompareOptions* options = tree.OptionsOf(node))
        return CompareWithOptions(node, *options, context);
    return SqlIsTrue(SqlEvaluate(node, context));
}

} // namespace

TFilterTree ReadFilterExpr(const std::uint8_t* data, std::size_t size,
                           const std::vector<TSqlType>& fieldTypes,
                           const std::string& dataFileName) {
    return TReader(data, size, fieldTypes, dataFileName).Read();
}

bool FilterAccepts(const TFilterTree& tree, const TSqlEvalContext& context) {
    return tree.root && Accepts(tree, *tree.root, context);
}

bool FilterAcceptsNode(const TFilterTree& tree, const TSqlNode& node,
                       const TSqlEvalContext& context) {
    return Accepts(tree, node, context);
}

} // namespace tabula
