// Translation of filter texts and locate keys into binary filter
// expressions.
#include "FilterExpr.h"

#include "AccessMessages.h"
#include "DataFileFormat.h"
#include "EngineCodes.h"
#include "EngineError.h"
#include "FilterExprFormat.h"
#include "FormatSettings.h"
#include "ParamBinding.h"
#include "SqlNode.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>

namespace tabula {

using namespace filterfmt;

// One node of the expression being written: class, operator, the plain
// 16-bit operands that precede the node operands (class 3's flag and
// partial length), the child nodes, and for leaves the literal bytes with
// the two plain operands that precede the literal offset (field number;
// type code and size).
struct TFilterExpr::TOutNode {
    std::uint32_t nodeClass = 0;
    std::uint32_t op = 0;
    std::vector<std::uint16_t> leading;
    std::vector<TOutPtr> children;
    std::vector<std::uint8_t> literal;
};

namespace {

// The engine type code of a field type usable in filters (the binding type
// of the field's data type, when it is one of the value types a filter
// constant can carry); 0 otherwise.
std::uint8_t EngineTypeOf(TFieldType type) {
    const std::uint8_t code = EngineTypeOfParam(type);
    return SqlIsScalar(code) ? code : 0;
}

int Mirrored(int op) {
    switch (op) {
    case sqlop::kGt:
        return sqlop::kLt;
    case sqlop::kLt:
        return sqlop::kGt;
    case sqlop::kGe:
        return sqlop::kLe;
    case sqlop::kLe:
        return sqlop::kGe;
    default:
        return op;
    }
}

template <typename T> std::vector<std::uint8_t> BytesOf(T value) {
    std::vector<std::uint8_t> out(sizeof(T));
    std::memcpy(out.data(), &value, sizeof(T));
    return out;
}

bool EqualsIgnoringCase(const std::string& a, const char* b) {
    const std::size_t n = std::strlen(b);
    if (a.size() != n)
        return false;
    for (std::size_t i = 0; i < n; ++i) {
        char c = a[i];
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        if (c != b[i])
            return false;
    }
    return true;
}

// The low 16 bits of value, little-endian at out[at].
void Put16(std::vector<std::uint8_t>& out, std::size_t at, std::size_t value) {
    datafmt::PutU16(out.data() + at, static_cast<std::uint16_t>(value));
}

void Put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
    datafmt::PutU32(out.data() + at, value);
}

} // namespace

TFilterExpr::TFilterExpr(TFilterOptions options, TFilterFieldLookup lookup)
    : options_(options), lookup_(std::move(lookup)) {}

const TField& TFilterExpr::UsableField(const std::string& name) const {
    const TField* field = lookup_ ? lookup_(name) : nullptr;
    if (!field)
        msg::Raise(msg::kFieldNotFound, name);
    const bool kindOk =
        field->FieldKind == TFieldKind::fkData || field->FieldKind == TFieldKind::fkInternalCalc;
    if (!kindOk || EngineTypeOf(field->DataType()) == 0)
        msg::Raise(msg::kFilterFieldUnusable, field->FieldName());
    return *field;
}

TFilterExpr::TOutPtr TFilterExpr::FieldNode(const TField& field) {
    auto node = std::make_unique<TOutNode>();
    node->nodeClass = kClassField;
    node->op = kOpField;
    node->leading.push_back(static_cast<std::uint16_t>(field.FieldNo()));
    node->literal.assign(field.FieldName().begin(), field.FieldName().end());
    node->literal.push_back(0);
    return node;
}

TFilterExpr::TOutPtr TFilterExpr::ConstantFromText(const TField& field, const std::string& text) {
    const std::uint8_t type = EngineTypeOf(field.DataType());
    const TFormatSettings fmt = TFormatSettings::Global();
    std::vector<std::uint8_t> bytes;
    switch (field.DataType()) {
    case TFieldType::ftString:
        bytes.assign(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(
                                                      std::min(text.size(), kMaxStringConstant)));
        bytes.push_back(0);
        break;
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger:
    case TFieldType::ftAutoInc:
    case TFieldType::ftWord: {
        const auto n = fmt.ParseInteger(text);
        if (!n)
            msg::Raise(msg::kNotInteger, text);
        if (field.DataType() == TFieldType::ftSmallint) {
            if (*n < INT16_MIN || *n > INT16_MAX)
                msg::Raise(msg::kFilterConstantRange);
            bytes = BytesOf(static_cast<std::int16_t>(*n));
        } else if (field.DataType() == TFieldType::ftWord) {
            if (*n < 0 || *n > UINT16_MAX)
                msg::Raise(msg::kFilterConstantRange);
            bytes = BytesOf(static_cast<std::uint16_t>(*n));
        } else {
            if (*n < INT32_MIN || *n > INT32_MAX)
                msg::Raise(msg::kFilterConstantRange);
            bytes = BytesOf(static_cast<std::int32_t>(*n));
        }
        break;
    }
    case TFieldType::ftBoolean: {
        bool value;
        if (EqualsIgnoringCase(text, "TRUE"))
            value = true;
        else if (EqualsIgnoringCase(text, "FALSE"))
            value = false;
        else if (const auto n = fmt.ParseInteger(text))
            value = *n != 0;
        else
            msg::Raise(msg::kNotBoolean, text, field.FieldName());
        // The record encoding of a boolean: 1 for true.
        bytes = BytesOf(static_cast<std::uint16_t>(value ? 1 : 0));
        break;
    }
    case TFieldType::ftFloat:
    case TFieldType::ftCurrency: {
        const auto d = fmt.ParseFloat(text);
        if (!d)
            msg::Raise(msg::kNotFloat, text);
        bytes = BytesOf(*d);
        break;
    }
    case TFieldType::ftBCD: {
        const auto c = fmt.ParseCurrency(text);
        if (!c)
            msg::Raise(msg::kNotFloat, text);
        const auto stored = EncodeBcd(*c, field.Size());
        if (!stored)
            msg::Raise(msg::kFilterConstantRange);
        bytes = BytesOf(*stored);
        break;
    }
    case TFieldType::ftDate: {
        const auto p = fmt.ParseDate(text);
        if (!p)
            msg::Raise(msg::kNotDate, text);
        bytes = BytesOf(DayNumber(p->year, p->month, p->day));
        break;
    }
    case TFieldType::ftTime: {
        const auto p = fmt.ParseTime(text);
        if (!p)
            msg::Raise(msg::kNotTime, text);
        bytes = BytesOf(TimeOfDayMs(p->hour, p->minute, p->second, p->millisecond));
        break;
    }
    case TFieldType::ftDateTime: {
        const auto p = fmt.ParseDateTime(text);
        if (!p)
            msg::Raise(msg::kNotDateTime, text);
        bytes = BytesOf(TimestampValue(*p));
        break;
    }
    default:
        msg::Raise(msg::kFilterFieldUnusable, field.FieldName());
    }
    auto node = std::make_unique<TOutNode>();
    node->nodeClass = kClassConstant;
    node->op = kOpConstant;
    node->leading = {type, static_cast<std::uint16_t>(bytes.size())};
    node->literal = std::move(bytes);
    return node;
}

// The text of a plain variant (text, boolean or number), as the filter
// text would write it; nullopt for Null and date-times.
static std::optional<std::string> VariantText(const TVariant& value) {
    char buffer[64];
    if (const auto* text = std::get_if<std::string>(&value))
        return *text;
    if (const auto* b = std::get_if<bool>(&value))
        return std::string(*b ? "True" : "False");
    if (const auto* i = std::get_if<std::int64_t>(&value))
        return std::to_string(*i);
    if (const auto* c = std::get_if<TCurrencyValue>(&value)) {
        // Ten-thousandths, written exactly as a decimal text.
        const std::int64_t whole = c->scaled / kCurrencyScale;
        const std::int64_t frac = std::llabs(c->scaled % kCurrencyScale);
        std::snprintf(buffer, sizeof buffer, "%s%lld.%04lld",
                      c->scaled < 0 && whole == 0 ? "-" : "", static_cast<long long>(whole),
                      static_cast<long long>(frac));
        return std::string(buffer);
    }
    if (const auto* d = std::get_if<double>(&value)) {
        std::snprintf(buffer, sizeof buffer, "%.17g", *d);
        return std::string(buffer);
    }
    return std::nullopt;
}

TFilterExpr::TOutPtr TFilterExpr::ConstantFromVariant(const TField& field, const TVariant& value) {
    if (const auto text = VariantText(value))
        return ConstantFromText(field, *text);
    if (const auto* t = std::get_if<TDateTime>(&value)) {
        const TDateTimeParts p = PartsFromDateTime(*t);
        std::vector<std::uint8_t> bytes;
        switch (field.DataType()) {
        case TFieldType::ftDate:
            bytes = BytesOf(DayNumber(p.year, p.month, p.day));
            break;
        case TFieldType::ftTime:
            bytes = BytesOf(TimeOfDayMs(p.hour, p.minute, p.second, p.millisecond));
            break;
        case TFieldType::ftDateTime:
            bytes = BytesOf(TimestampValue(p));
            break;
        default:
            msg::Raise(msg::kFieldTypeMismatch, field.FieldName());
        }
        auto node = std::make_unique<TOutNode>();
        node->nodeClass = kClassConstant;
        node->op = kOpConstant;
        node->leading = {EngineTypeOf(field.DataType()), static_cast<std::uint16_t>(bytes.size())};
        node->literal = std::move(bytes);
        return node;
    }
    msg::Raise(msg::kFilterMalformed);
}

TFilterExpr::TOutPtr TFilterExpr::StringComparison(int op, const TField& field, std::string text,
                                                   bool partialKey) {
    if (text.size() > kMaxStringConstant)
        text.resize(kMaxStringConstant);
    std::size_t partial = 0;
    if (!text.empty() && (op == sqlop::kEq || op == sqlop::kNe)) {
        if (partialKey) {
            partial = text.size();
        } else if (text.size() > 1 && text.back() == '*' && (options_ & foNoPartialCompare) == 0) {
            text.pop_back();
            partial = text.size();
        }
    }
    const bool caseInsensitive = (options_ & foCaseInsensitive) != 0;
    const bool withOptions =
        !text.empty() && (op == sqlop::kEq || op == sqlop::kNe) && (caseInsensitive || partial);
    auto node = std::make_unique<TOutNode>();
    node->op = static_cast<std::uint32_t>(op);
    if (withOptions) {
        node->nodeClass = kClassCompare;
        node->leading = {static_cast<std::uint16_t>(caseInsensitive ? 1 : 0),
                         static_cast<std::uint16_t>(partial)};
    } else {
        node->nodeClass = kClassBinary;
    }
    node->children.push_back(FieldNode(field));
    node->children.push_back(ConstantFromText(field, text));
    return node;
}

TFilterExpr::TOutPtr TFilterExpr::ValueComparison(int op, const TField& field,
                                                  const TExprNode& value) {
    if (value.kind == TExprKind::Null) {
        if (op != sqlop::kEq && op != sqlop::kNe)
            msg::Raise(msg::kFilterNullOperator);
        auto node = std::make_unique<TOutNode>();
        node->nodeClass = kClassUnary;
        node->op = op == sqlop::kEq ? kOpIsNull : kOpIsNotNull;
        node->children.push_back(FieldNode(field));
        return node;
    }
    std::string text = value.text;
    if (value.kind == TExprKind::True)
        text = "True";
    else if (value.kind == TExprKind::False)
        text = "False";
    if (field.DataType() == TFieldType::ftString)
        return StringComparison(op, field, std::move(text), false);
    auto node = std::make_unique<TOutNode>();
    node->nodeClass = kClassBinary;
    node->op = static_cast<std::uint32_t>(op);
    node->children.push_back(FieldNode(field));
    node->children.push_back(ConstantFromText(field, text));
    return node;
}

TFilterExpr::TOutPtr TFilterExpr::Comparison(int op, const TExprNode& left,
                                             const TExprNode& right) {
    const bool leftField = left.kind == TExprKind::Name;
    const bool rightField = right.kind == TExprKind::Name;
    if (leftField && rightField) {
        auto node = std::make_unique<TOutNode>();
        node->nodeClass = kClassBinary;
        node->op = static_cast<std::uint32_t>(op);
        node->children.push_back(FieldNode(UsableField(left.text)));
        node->children.push_back(FieldNode(UsableField(right.text)));
        return node;
    }
    if (leftField && right.IsValue())
        return ValueComparison(op, UsableField(left.text), right);
    if (rightField && left.IsValue())
        return ValueComparison(Mirrored(op), UsableField(right.text), left);
    msg::Raise(msg::kFilterMalformed);
}

TFilterExpr::TOutPtr TFilterExpr::Condition(const TExprNode& node) {
    switch (node.kind) {
    case TExprKind::And:
    case TExprKind::Or: {
        auto out = std::make_unique<TOutNode>();
        out->nodeClass = kClassBinary;
        out->op = node.kind == TExprKind::And ? kOpAnd : kOpOr;
        out->children.push_back(Condition(*node.left));
        out->children.push_back(Condition(*node.right));
        return out;
    }
    case TExprKind::Not: {
        auto out = std::make_unique<TOutNode>();
        out->nodeClass = kClassUnary;
        out->op = kOpNot;
        out->children.push_back(Condition(*node.left));
        return out;
    }
    case TExprKind::Compare:
        return Comparison(node.op, *node.left, *node.right);
    case TExprKind::Name: {
        const TField& field = UsableField(node.text);
        if (field.DataType() != TFieldType::ftBoolean)
            msg::Raise(msg::kFilterNotBoolean, field.FieldName());
        TExprNode trueValue;
        trueValue.kind = TExprKind::True;
        return ValueComparison(sqlop::kEq, field, trueValue);
    }
    default:
        msg::Raise(msg::kFilterMalformed);
    }
}

std::vector<std::uint8_t> TFilterExpr::Write(const TOutNode& root) {
    std::vector<std::uint8_t> nodes;
    std::vector<std::uint8_t> literals;
    // Parent before children: a node reserves its bytes before its children
    // are written, so offsets only grow along every path and the root sits
    // at offset 0. Literals follow the same order.
    std::function<std::size_t(const TOutNode&)> emit = [&](const TOutNode& n) -> std::size_t {
        const std::size_t at = nodes.size();
        nodes.resize(at + NodeSize(n.nodeClass));
        Put32(nodes, at + kNodeClassOffset, n.nodeClass);
        Put32(nodes, at + kNodeOperatorOffset, n.op);
        std::size_t operand = at + kNodeOperandsOffset;
        for (std::uint16_t v : n.leading) {
            Put16(nodes, operand, v);
            operand += kOperandSize;
        }
        if (n.nodeClass == kClassField || n.nodeClass == kClassConstant) {
            Put16(nodes, operand, literals.size());
            literals.insert(literals.end(), n.literal.begin(), n.literal.end());
        } else {
            for (const TOutPtr& child : n.children) {
                const std::size_t childAt = emit(*child);
                Put16(nodes, operand, childAt);
                operand += kOperandSize;
            }
        }
        return at;
    };
    emit(root);
    const std::size_t total = kHeaderSize + nodes.size() + literals.size();
    if (total > kMaxImageSize)
        RaiseEngineError(kErrInvalidFilterExpression);
    std::vector<std::uint8_t> image(total);
    Put16(image, kVersionOffset, kVersion);
    Put16(image, kTotalSizeOffset, total);
    Put16(image, kMarkerOffset, kMarker);
    Put16(image, kNodeAreaOffsetOffset, kHeaderSize);
    Put16(image, kLiteralPoolOffsetOffset, kHeaderSize + nodes.size());
    const auto nodeArea = image.begin() + static_cast<std::ptrdiff_t>(kHeaderSize);
    std::copy(nodes.begin(), nodes.end(), nodeArea);
    std::copy(literals.begin(), literals.end(),
              nodeArea + static_cast<std::ptrdiff_t>(nodes.size()));
    return image;
}

std::vector<std::uint8_t> TFilterExpr::Translate(const TExprNode& root) {
    return Write(*Condition(root));
}

std::vector<std::uint8_t> TFilterExpr::FieldEquals(const std::vector<const TField*>& fields,
                                                   const std::vector<TVariant>& values,
                                                   bool partial) {
    if (fields.empty() || fields.size() != values.size())
        msg::Raise(msg::kFilterMalformed);
    TOutPtr root;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (!fields[i])
            msg::Raise(msg::kFilterMalformed);
        const TField& field = UsableField(fields[i]->FieldName());
        TOutPtr term;
        if (VarIsNull(values[i])) {
            term = std::make_unique<TOutNode>();
            term->nodeClass = kClassUnary;
            term->op = kOpIsNull;
            term->children.push_back(FieldNode(field));
        } else if (field.DataType() == TFieldType::ftString) {
            // Locate compares the key text as given: no "*" convention.
            const auto text = VariantText(values[i]);
            if (!text)
                msg::Raise(msg::kFieldTypeMismatch, field.FieldName());
            const TFilterOptions saved = options_;
            options_ |= foNoPartialCompare;
            term = StringComparison(sqlop::kEq, field, *text, partial && i + 1 == fields.size());
            options_ = saved;
        } else {
            term = std::make_unique<TOutNode>();
            term->nodeClass = kClassBinary;
            term->op = kOpEq;
            term->children.push_back(FieldNode(field));
            term->children.push_back(ConstantFromVariant(field, values[i]));
        }
        if (!root) {
            root = std::move(term);
        } else {
            auto both = std::make_unique<TOutNode>();
            both->nodeClass = kClassBinary;
            both->op = kOpAnd;
            both->children.push_back(std::move(root));
            both->children.push_back(std::move(term));
            root = std::move(both);
        }
    }
    return Write(*root);
}

std::vector<std::uint8_t> CompileFilter(const std::string& text, TFilterOptions options,
                                        const TFilterFieldLookup& fields) {
    const auto tree = TExprParser(text).Parse();
    return TFilterExpr(options, fields).Translate(*tree);
}

std::vector<std::uint8_t> BuildFieldFilter(const std::vector<const TField*>& fields,
                                           const std::vector<TVariant>& values,
                                           TFilterOptions options, bool partial) {
    // Locate looks fields up by the objects it was given.
    TFilterFieldLookup lookup = [&fields](const std::string& name) -> const TField* {
        for (const TField* f : fields)
            if (f && f->FieldName() == name)
                return f;
        return nullptr;
    };
    return TFilterExpr(options, lookup).FieldEquals(fields, values, partial);
}

} // namespace tabula
