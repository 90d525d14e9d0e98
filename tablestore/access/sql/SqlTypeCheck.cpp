// SQL type rules; see SqlTypeCheck.h.
//
// Operand pairs accepted by binary operators ("numeric" = 5, 6, 7, 8, 12;
// "integer" = 5, 6, 12; 0 is the NULL constant):
//
//   =, <>        string ~ string, NULL; date/timestamp ~ date, timestamp,
//                NULL; boolean ~ boolean, NULL; numeric ~ numeric, NULL;
//                time ~ time, NULL
//   > < >= <=    the same without NULL
//   AND, OR      boolean ~ boolean
//   +            string ~ string; date/time/timestamp ~ integer;
//                integer ~ date, numeric, time, timestamp;
//                float/BCD ~ numeric
//   -            date ~ date, integer; numeric ~ numeric;
//                time ~ integer, time; timestamp ~ date, integer, time, timestamp
//   *, /         numeric ~ numeric
#include "SqlTypeCheck.h"

#include "FormatSettings.h"
#include "SqlError.h"

#include <algorithm>

namespace tabula {

using namespace datafmt;
using namespace sqlop;

namespace {

constexpr TSqlType kBooleanType{kFtBoolean, 0, 2, 0};
constexpr TSqlType kInt32Type{kFtInt32, 0, 4, 0};

bool IsInt(std::uint8_t t) {
    return SqlIsInteger(t);
}

const char* KindWord(const TSqlNode& n) {
    switch (n.kind) {
    case TSqlNodeKind::Column:
        return "column";
    case TSqlNodeKind::Constant:
        return "constant";
    case TSqlNodeKind::Function:
        return "function";
    default:
        return "expression";
    }
}

class TChecker {
public:
    TChecker(std::string_view context, const ISqlColumnResolver& columns)
        : in_(" in " + std::string(context)), columns_(columns) {}

    void Check(TSqlNode& n);

private:
    void CheckColumn(TSqlNode& n);
    void CheckUnary(TSqlNode& n);
    void CheckBinary(TSqlNode& n);
    void CheckPattern(TSqlNode& n);
    void CheckFunction(TSqlNode& n);
    void StringAsColumn(TSqlNode& n);
    void StringAsTemporal(TSqlNode& constant, std::uint8_t type);
    bool Comparable(int op, const TSqlNode& l, const TSqlNode& r) const;
    [[noreturn]] void Mismatch(const TSqlNode& l, const TSqlNode& r) const;

    std::string in_;
    const ISqlColumnResolver& columns_;
};

bool IsStringConstant(const TSqlNode& n) {
    return n.IsConstant() && !n.parameter && n.value.Type() == kFtString && !n.value.IsNull();
}

// A constant, or a sign over a constant.
const TSqlNode* ConstantOf(const TSqlNode& n) {
    if (n.IsConstant())
        return &n;
    if (n.kind == TSqlNodeKind::Unary && (n.op == kNegate || n.op == kPlusSign) && n.left &&
        n.left->IsConstant())
        return n.left.get();
    return nullptr;
}

void TChecker::Mismatch(const TSqlNode& l, const TSqlNode& r) const {
    RaiseSqlError(std::string("Type mismatch between ") + KindWord(l) + " " + "'" + l.name + "'" +
                  " and " + KindWord(r) + " " + "'" + r.name + "'" + in_);
}

void TChecker::StringAsColumn(TSqlNode& n) {
    if (!IsStringConstant(n))
        return;
    TSqlNode probe;
    probe.kind = TSqlNodeKind::Column;
    probe.name = n.value.AsString();
    if (!columns_.ResolveColumn(probe))
        return;
    n.kind = TSqlNodeKind::Column;
    n.tableIndex = probe.tableIndex;
    n.fieldNumber = probe.fieldNumber;
    n.type = probe.type;
    n.fromString = true;
}

void StringBack(TSqlNode& n) {
    n.kind = TSqlNodeKind::Constant;
    n.fromString = false;
    n.tableIndex = -1;
    n.fieldNumber = 0;
    n.type = n.value.TypeSlot();
}

void TChecker::StringAsTemporal(TSqlNode& constant, std::uint8_t type) {
    if (!IsStringConstant(constant))
        return;
    const std::string text = constant.value.AsString();
    const TFormatSettings fs = TFormatSettings::Global();
    std::optional<TDateTimeParts> parts;
    if (type == kFtDate)
        parts = fs.ParseDate(text);
    else if (type == kFtTime)
        parts = fs.ParseTime(text);
    else
        parts = fs.ParseDateTime(text);
    if (!parts)
        RaiseSqlError("Date, time, or timestamp expression expected, instead found '" + text + "'" +
                      in_);
    const std::int32_t day = DayNumber(parts->year, parts->month, parts->day);
    const std::int32_t ms =
        TimeOfDayMs(parts->hour, parts->minute, parts->second, parts->millisecond);
    if (type == kFtDate)
        constant.value = TSqlValue::Date(day);
    else if (type == kFtTime)
        constant.value = TSqlValue::Time(ms);
    else
        constant.value = TSqlValue::Timestamp(TimestampValue(day, ms));
    constant.type = constant.value.TypeSlot();
}

bool TChecker::Comparable(int op, const TSqlNode& l, const TSqlNode& r) const {
    const std::uint8_t a = l.type.code;
    const std::uint8_t b = r.type.code;
    const bool nullOk = (op == kEq || op == kNe) && b == kSqlNullType;
    if (a == kFtString)
        return b == kFtString || nullOk;
    if (a == kFtDate || a == kFtTimestamp)
        return b == kFtDate || b == kFtTimestamp || nullOk;
    if (a == kFtBoolean && (op == kEq || op == kNe))
        return b == kFtBoolean || nullOk;
    if (SqlIsNumeric(a))
        return SqlIsNumeric(b) || nullOk;
    if (a == kFtTime)
        return b == kFtTime || nullOk;
    return false;
}

void TChecker::Check(TSqlNode& n) {
    switch (n.kind) {
    case TSqlNodeKind::Column:
        CheckColumn(n);
        break;
    case TSqlNodeKind::Constant:
        if (!n.fromString)
            n.type = n.value.TypeSlot();
        break;
    case TSqlNodeKind::Unary:
        CheckUnary(n);
        break;
    case TSqlNodeKind::Binary:
        CheckBinary(n);
        break;
    case TSqlNodeKind::Pattern:
        CheckPattern(n);
        break;
    case TSqlNodeKind::Function:
        CheckFunction(n);
        break;
    }
}

void TChecker::CheckColumn(TSqlNode& n) {
    if (n.IsAllColumns()) {
        n.type = kInt32Type; // only inside COUNT(*)
        return;
    }
    if (!columns_.ResolveColumn(n))
        RaiseSqlError("Invalid column name '" + n.name + "'" + " or table correlation name " + "'" +
                      n.correlation + "'" + " specified" + in_);
}

void TChecker::CheckUnary(TSqlNode& n) {
    Check(*n.left);
    const std::uint8_t t = n.left->type.code;
    bool ok = false;
    if (n.op == kNot)
        ok = t == kFtBoolean;
    else if (n.op == kNegate)
        ok = t == kFtDate || (t >= kFtInt16 && t <= kFtBcd) || t == kFtTime || t == kFtTimestamp;
    else
        ok = t == kFtDate || (t >= kFtInt16 && t <= kFtBcd) || t == kFtTime || t == kFtTimestamp ||
             t == kFtUInt16;
    if (!ok)
        RaiseSqlError("Type mismatch between '" + n.name + "'" + " operator and " + "'" +
                      n.left->name + "'" + in_);
    n.type = n.op == kNot ? kBooleanType : n.left->type;
}

// Result type of arithmetic on two numbers: float wins, then BCD, then a
// 32-bit integer.
TSqlType NumericResult(const TSqlType& a, const TSqlType& b) {
    if (a.code == kFtFloat || b.code == kFtFloat)
        return TSqlType{kFtFloat, 0, 8, 0};
    if (a.code == kFtBcd || b.code == kFtBcd)
        return TSqlType{
            kFtBcd, 0, 8,
            std::max(a.code == kFtBcd ? a.decimals : 0, b.code == kFtBcd ? b.decimals : 0)};
    return kInt32Type;
}

void TChecker::CheckBinary(TSqlNode& n) {
    TSqlNode& l = *n.left;
    TSqlNode& r = *n.right;
    Check(l);
    Check(r);
    StringAsColumn(l);
    StringAsColumn(r);
    if (l.IsColumn() && r.IsColumn()) {
        if (r.fromString)
            StringBack(r);
        else if (l.fromString)
            StringBack(l);
    }
    if (SqlIsTemporal(l.type.code))
        StringAsTemporal(r, l.type.code);
    if (SqlIsTemporal(r.type.code))
        StringAsTemporal(l, r.type.code);

    const std::uint8_t a = l.type.code;
    const std::uint8_t b = r.type.code;
    if (IsComparison(n.op)) {
        if (!Comparable(n.op, l, r))
            Mismatch(l, r);
        n.type = kBooleanType;
        return;
    }
    if (n.op == kAnd || n.op == kOr) {
        if (a != kFtBoolean || b != kFtBoolean)
            Mismatch(l, r);
        n.type = kBooleanType;
        return;
    }
    TSqlType result;
    if (n.op == kAdd) {
        if (a == kFtString && b == kFtString)
            result = TSqlType{kFtString, 0, l.type.size + r.type.size - 1, 0};
        else if (SqlIsTemporal(a) && IsInt(b))
            result = l.type;
        else if (IsInt(a) && SqlIsTemporal(b))
            result = r.type;
        else if (SqlIsNumeric(a) && SqlIsNumeric(b))
            result = NumericResult(l.type, r.type);
        else
            Mismatch(l, r);
    } else if (n.op == kSubtract) {
        if (a == kFtDate && b == kFtDate)
            result = kInt32Type;
        else if (a == kFtDate && IsInt(b))
            result = l.type;
        else if (a == kFtTime && b == kFtTime)
            result = kInt32Type;
        else if (a == kFtTime && IsInt(b))
            result = l.type;
        else if (a == kFtTimestamp && (b == kFtDate || b == kFtTime))
            result = kInt32Type;
        else if (a == kFtTimestamp && IsInt(b))
            result = l.type;
        else if (a == kFtTimestamp && b == kFtTimestamp)
            result = TSqlType{kFtFloat, 0, 8, 0};
        else if (a == kFtUInt16 && IsInt(b))
            result = l.type;
        else if (SqlIsNumeric(a) && SqlIsNumeric(b))
            result = NumericResult(l.type, r.type);
        else
            Mismatch(l, r);
    } else { // * and /
        if (!SqlIsNumeric(a) || !SqlIsNumeric(b))
            Mismatch(l, r);
        result = NumericResult(l.type, r.type);
        if (n.op == kDivide && result.code == kFtInt32)
            result = TSqlType{kFtFloat, 0, 8, 0};
    }
    if (result.code == kFtFloat && ((a == kFtFloat && l.type.subtype == kMoneySubtype) ||
                                    (b == kFtFloat && r.type.subtype == kMoneySubtype)))
        result.subtype = kMoneySubtype;
    n.type = result;
}

void TChecker::CheckPattern(TSqlNode& n) {
    TSqlNode& l = *n.left;
    Check(l);
    const std::string op = n.name;
    auto constantExpected = [&](const TSqlNode& v) {
        RaiseSqlError("Constant expression expected after " + op + " operator, " +
                      "instead found " + "'" + v.name + "'" + in_);
    };
    auto mismatch = [&](const TSqlNode& v) {
        RaiseSqlError("Type mismatch between " + op + " operator and expression " + "'" + v.name +
                      "'" + in_);
    };
    if (n.op == kLike || n.op == kNotLike) {
        TSqlNode& r = *n.right;
        Check(r);
        if (!r.IsConstant())
            constantExpected(r);
        if (l.type.code != kFtString)
            mismatch(l);
        if (r.type.code != kFtString && r.type.code != kSqlNullType)
            mismatch(r);
    } else {
        for (const TSqlNodePtr& item : n.list) {
            Check(*item);
            const TSqlNode* constant = ConstantOf(*item);
            if (!constant)
                constantExpected(*item);
            if (SqlIsTemporal(l.type.code) && item->IsConstant())
                StringAsTemporal(*item, l.type.code);
            if (!Comparable(kEq, l, *item))
                mismatch(*item);
        }
    }
    n.type = kBooleanType;
}

void TChecker::CheckFunction(TSqlNode& n) {
    TSqlNode& arg = *n.left;
    Check(arg);
    const std::uint8_t t = arg.type.code;
    if (IsAggregate(n.op)) {
        if (n.op == kCount) {
            n.type = kInt32Type;
            return;
        }
        if (!SqlIsNumeric(t) && !SqlIsTemporal(t))
            RaiseSqlError(n.name + " aggregate function " +
                          "must contain a numeric, date, time, or timestamp expression" + in_);
        n.type = arg.type;
        return;
    }
    switch (n.op) {
    case kUpper:
    case kLower:
        if (t != kFtString)
            RaiseSqlError("Type mismatch between " + n.name + " function and function argument" +
                          in_);
        n.type = arg.type;
        return;
    case kSubstring: {
        if (t != kFtString)
            RaiseSqlError("Expression argument of SUBSTRING function must be a string" + in_);
        const char* names[] = {"FROM", "FOR"};
        for (std::size_t i = 0; i < n.list.size() && i < 2; ++i) {
            TSqlNode& v = *n.list[i];
            Check(v);
            const std::string what = std::string(names[i]) + " argument of SUBSTRING function";
            if (!v.IsConstant() || v.parameter || !IsInt(v.type.code))
                RaiseSqlError(what + " must be an integer constant" + in_);
            const std::int64_t x = v.value.AsInteger();
            if (x < 1 || x > kSqlMaxSubstring)
                RaiseSqlError(what + " must be an integer constant between 1 and " +
                              std::to_string(kSqlMaxSubstring) + in_);
        }
        n.type = arg.type;
        return;
    }
    case kTrimLeading:
    case kTrimTrailing:
    case kTrimBoth: {
        if (t != kFtString)
            RaiseSqlError("FROM argument of TRIM function must be a string" + in_);
        TSqlNode& ch = *n.right;
        Check(ch);
        if (!IsStringConstant(ch) || ch.value.AsString().size() != 1)
            RaiseSqlError("Trim character argument of TRIM function must be a single character "
                          "constant" +
                          in_);
        n.type = arg.type;
        return;
    }
    default: // EXTRACT
        if (t != kFtDate && t != kFtTimestamp)
            RaiseSqlError("FROM argument of EXTRACT function must be a date or date and time" +
                          in_);
        n.type = kInt32Type;
        return;
    }
}

} // namespace

void SqlTypeCheck(TSqlNode& tree, std::string_view context, const ISqlColumnResolver& columns) {
    TChecker(context, columns).Check(tree);
}

void SqlTypeCheckCondition(TSqlNode& tree, const ISqlColumnResolver& columns) {
    SqlTypeCheck(tree, "WHERE or JOIN clause", columns);
    if (tree.type.code != kFtBoolean)
        RaiseSqlError("WHERE or JOIN clause must be a boolean expression");
}

} // namespace tabula
