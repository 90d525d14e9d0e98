// Evaluation of type-checked expression trees; see SqlEvaluate.h.
//
// Units of the temporal arithmetic follow the stored values: an integer
// added to or taken from a date counts days, from a time or a timestamp
// milliseconds. Where a date meets a timestamp the date stands for its
// midnight. A time result wraps into one day (0 to 86399999 ms); a 32-bit
// integer result of a timestamp difference is clamped to the 32-bit range.
//
// NULL operands: arithmetic reads a null operand as its zero value; the
// result is null only when every operand is null (or on division by zero),
// so "Qty + NULL" keeps Qty. Functions of a null argument are null. A
// BCD result that does not fit the encoding is null as well.
#include "SqlEvaluate.h"

#include "SqlCompare.h"

#include <cmath>
#include <limits>

namespace tabula {

using namespace datafmt;
using namespace sqlop;

namespace {

class TEvaluator {
public:
    explicit TEvaluator(const TSqlEvalContext& context) : c_(context) {}

    TSqlValue Eval(const TSqlNode& n) const;

private:
    TSqlValue Unary(const TSqlNode& n) const;
    TSqlValue Binary(const TSqlNode& n) const;
    TSqlValue Arithmetic(const TSqlNode& n, const TSqlValue& l, const TSqlValue& r) const;
    TSqlValue Pattern(const TSqlNode& n) const;
    TSqlValue Function(const TSqlNode& n) const;

    const TSqlEvalContext& c_;
};

std::int32_t ClampInt32(double v) {
    if (!(v == v))
        return 0;
    if (v >= std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    if (v <= std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(v);
}

std::int32_t WrapTime(std::int64_t ms) {
    ms %= kMsPerDay;
    if (ms < 0)
        ms += kMsPerDay;
    return static_cast<std::int32_t>(ms);
}

// Rounds a 128-bit quotient half away from zero.
__int128 DivideRounded(__int128 num, __int128 den) {
    __int128 q = num / den;
    const __int128 rem = num % den;
    const __int128 twice = (rem < 0 ? -rem : rem) * 2;
    if (twice >= (den < 0 ? -den : den))
        q += ((num < 0) != (den < 0)) ? -1 : 1;
    return q;
}

TSqlValue BcdResult(__int128 value, int decimals) {
    if (value > std::numeric_limits<std::int64_t>::max() ||
        value < std::numeric_limits<std::int64_t>::min())
        return TSqlValue::NullOf(TSqlType{kFtBcd, 0, 8, decimals});
    return TSqlValue::Bcd(static_cast<TCurrency>(value), decimals);
}

TSqlValue TEvaluator::Eval(const TSqlNode& n) const {
    switch (n.kind) {
    case TSqlNodeKind::Constant:
        return n.value;
    case TSqlNodeKind::Column:
        if (n.IsAllColumns())
            return TSqlValue::Int32(1); // only inside COUNT(*): one per row
        return c_.columnValue ? c_.columnValue(n) : TSqlValue::NullOf(n.type);
    case TSqlNodeKind::Unary:
        return Unary(n);
    case TSqlNodeKind::Binary:
        return Binary(n);
    case TSqlNodeKind::Pattern:
        return Pattern(n);
    case TSqlNodeKind::Function:
        return Function(n);
    }
    return TSqlValue::Null();
}

TSqlValue TEvaluator::Unary(const TSqlNode& n) const {
    const TSqlValue v = Eval(*n.left);
    if (n.op == kNot)
        return TSqlValue::Boolean(!SqlIsTrue(v));
    if (n.op == kPlusSign || v.IsNull())
        return v;
    switch (v.Type()) {
    case kFtInt16:
        return TSqlValue::Int16(static_cast<std::int16_t>(-v.AsInteger()));
    case kFtInt32:
        return TSqlValue::Int32(static_cast<std::int32_t>(-v.AsInteger()));
    case kFtUInt16:
        return TSqlValue::UInt16(static_cast<std::uint16_t>(-v.AsInteger()));
    case kFtFloat:
        return TSqlValue::Float(-v.AsFloat(), v.Subtype() == kMoneySubtype);
    case kFtBcd:
        return TSqlValue::Bcd(-v.AsCurrency(), v.Decimals());
    case kFtDate:
        return TSqlValue::Date(-v.AsDayNumber());
    case kFtTime:
        return TSqlValue::Time(-v.AsMilliseconds());
    case kFtTimestamp:
        return TSqlValue::Timestamp(-v.AsFloat());
    default:
        return v;
    }
}

TSqlValue TEvaluator::Binary(const TSqlNode& n) const {
    // The right operand first; AND and OR look at the left one only when the
    // right one does not decide.
    const TSqlValue r = Eval(*n.right);
    if (n.op == kAnd)
        return SqlIsTrue(r) ? Eval(*n.left) : r;
    if (n.op == kOr)
        return SqlIsTrue(r) ? r : Eval(*n.left);
    const TSqlValue l = Eval(*n.left);
    switch (n.op) {
    case kEq:
        return TSqlValue::Boolean(SqlValuesEqual(l, r, c_.localeId));
    case kNe:
        return TSqlValue::Boolean(!SqlValuesEqual(l, r, c_.localeId));
    case kGt:
        return TSqlValue::Boolean(SqlCompareValues(l, r, c_.localeId) > 0);
    case kLt:
        return TSqlValue::Boolean(SqlCompareValues(l, r, c_.localeId) < 0);
    case kGe:
        return TSqlValue::Boolean(SqlCompareValues(l, r, c_.localeId) >= 0);
    case kLe:
        return TSqlValue::Boolean(SqlCompareValues(l, r, c_.localeId) <= 0);
    default:
        return Arithmetic(n, l, r);
    }
}

TSqlValue TEvaluator::Arithmetic(const TSqlNode& n, const TSqlValue& l, const TSqlValue& r) const {
    const TSqlType& type = n.type;
    if (l.IsNull() && r.IsNull())
        return TSqlValue::NullOf(type);
    const bool subtract = n.op == kSubtract;
    const std::uint8_t tl = l.Type();
    const std::uint8_t tr = r.Type();
    switch (type.code) {
    case kFtString:
        return TSqlValue::String(l.AsString() + r.AsString());
    case kFtDate: {
        // date ± days, or days + date
        const bool dateLeft = tl == kFtDate;
        const std::int64_t day = dateLeft ? l.AsDayNumber() : r.AsDayNumber();
        const std::int64_t days = dateLeft ? r.AsInteger() : l.AsInteger();
        return TSqlValue::Date(static_cast<std::int32_t>(subtract ? day - days : day + days));
    }
    case kFtTime: {
        const bool timeLeft = tl == kFtTime;
        const std::int64_t ms = timeLeft ? l.AsMilliseconds() : r.AsMilliseconds();
        const std::int64_t delta = timeLeft ? r.AsInteger() : l.AsInteger();
        return TSqlValue::Time(WrapTime(subtract ? ms - delta : ms + delta));
    }
    case kFtTimestamp: {
        const bool stampLeft = tl == kFtTimestamp;
        const double at = stampLeft ? l.AsTimestamp() : r.AsTimestamp();
        const double delta = static_cast<double>(stampLeft ? r.AsInteger() : l.AsInteger());
        return TSqlValue::Timestamp(subtract ? at - delta : at + delta);
    }
    case kFtUInt16: { // word - integer
        const std::int64_t v = l.AsInteger() - r.AsInteger();
        return TSqlValue::UInt16(static_cast<std::uint16_t>(v));
    }
    case kFtInt32: {
        if (tl == kFtTimestamp) { // timestamp - date or time, in milliseconds
            const double other = tr == kFtTime ? r.AsMilliseconds() : r.AsTimestamp();
            return TSqlValue::Int32(ClampInt32(l.AsTimestamp() - other));
        }
        // integers, date - date (days), time - time (ms): the raw numbers
        const std::int64_t a = l.AsInteger();
        const std::int64_t b = r.AsInteger();
        std::int64_t v = 0;
        if (n.op == kAdd)
            v = a + b;
        else if (subtract)
            v = a - b;
        else
            v = a * b;
        return TSqlValue::Int32(static_cast<std::int32_t>(v)); // wraps like the engine's int32
    }
    case kFtBcd: {
        const __int128 a = l.AsCurrency();
        const __int128 b = r.AsCurrency();
        switch (n.op) {
        case kAdd:
            return BcdResult(a + b, type.decimals);
        case kSubtract:
            return BcdResult(a - b, type.decimals);
        case kMultiply:
            return BcdResult(DivideRounded(a * b, kCurrencyScale), type.decimals);
        default:
            if (b == 0)
                return TSqlValue::NullOf(type);
            return BcdResult(DivideRounded(a * kCurrencyScale, b), type.decimals);
        }
    }
    default: { // float
        const bool money = type.subtype == kMoneySubtype;
        const double a = l.AsFloat();
        const double b = r.AsFloat();
        switch (n.op) {
        case kAdd:
            return TSqlValue::Float(a + b, money);
        case kSubtract:
            return TSqlValue::Float(a - b, money);
        case kMultiply:
            return TSqlValue::Float(a * b, money);
        default:
            if (b == 0.0)
                return TSqlValue::NullOf(type);
            return TSqlValue::Float(a / b, money);
        }
    }
    }
}

TSqlValue TEvaluator::Pattern(const TSqlNode& n) const {
    const TSqlValue left = Eval(*n.left);
    bool result = false;
    bool negated = false;
    switch (n.op) {
    case kLike:
    case kNotLike: {
        negated = n.op == kNotLike;
        const TSqlValue pattern = Eval(*n.right);
        result = !left.IsNull() && !pattern.IsNull() &&
                 SqlLikeMatch(left.AsString(), pattern.AsString());
        break;
    }
    case kIn:
    case kNotIn:
        negated = n.op == kNotIn;
        for (const TSqlNodePtr& item : n.list) {
            if (SqlValuesEqual(left, Eval(*item), c_.localeId)) {
                result = true;
                break;
            }
        }
        break;
    default: // [NOT] BETWEEN low AND high
        negated = n.op == kNotBetween;
        if (n.list.size() >= 2) {
            result = SqlCompareValues(left, Eval(*n.list[0]), c_.localeId) >= 0 &&
                     SqlCompareValues(left, Eval(*n.list[1]), c_.localeId) <= 0;
        }
        break;
    }
    return TSqlValue::Boolean(result != negated);
}

TSqlValue TEvaluator::Function(const TSqlNode& n) const {
    if (n.IsAggregate())
        return Eval(*n.left); // the statement accumulates over rows
    const TSqlValue arg = Eval(*n.left);
    if (arg.IsNull())
        return TSqlValue::NullOf(n.type);
    switch (n.op) {
    case kUpper:
    case kLower:
        return TSqlValue::String(SqlMapCase(arg.AsString(), n.op == kUpper, c_.localeId));
    case kSubstring: {
        const std::string text = arg.AsString();
        const std::int64_t from = n.list.empty() ? 1 : Eval(*n.list[0]).AsInteger();
        if (from < 1 || static_cast<std::size_t>(from) > text.size())
            return TSqlValue::String("");
        std::size_t count = std::string::npos;
        if (n.list.size() > 1) {
            const std::int64_t length = Eval(*n.list[1]).AsInteger();
            count = length < 0 ? 0 : static_cast<std::size_t>(length);
        }
        return TSqlValue::String(text.substr(static_cast<std::size_t>(from - 1), count));
    }
    case kTrimLeading:
    case kTrimTrailing:
    case kTrimBoth: {
        std::string text = arg.AsString();
        const std::string trim = n.right ? Eval(*n.right).AsString() : std::string(" ");
        if (trim.empty())
            return TSqlValue::String(text);
        const char ch = trim[0];
        if (n.op != kTrimTrailing) {
            const std::size_t first = text.find_first_not_of(ch);
            text.erase(0, first == std::string::npos ? text.size() : first);
        }
        if (n.op != kTrimLeading) {
            const std::size_t last = text.find_last_not_of(ch);
            text.erase(last == std::string::npos ? 0 : last + 1);
        }
        return TSqlValue::String(text);
    }
    default: { // EXTRACT YEAR, MONTH, DAY
        const auto date = DateOfDayNumber(arg.AsDayNumber());
        if (!date)
            return TSqlValue::NullOf(n.type);
        if (n.op == kExtractYear)
            return TSqlValue::Int32(date->year);
        if (n.op == kExtractMonth)
            return TSqlValue::Int32(date->month);
        return TSqlValue::Int32(date->day);
    }
    }
}

} // namespace

TSqlValue SqlEvaluate(const TSqlNode& tree, const TSqlEvalContext& context) {
    return TEvaluator(context).Eval(tree);
}

bool SqlIsTrue(const TSqlValue& value) {
    return !value.IsNull() && value.Type() == kFtBoolean && value.AsBoolean();
}

} // namespace tabula
