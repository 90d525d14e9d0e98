// TFilterExpr: translation of a parsed filter text (TExprNode) into the
// binary filter expression of FilterExprFormat.h, and the two entry points
// of the dataset layer: CompileFilter for the Filter property and
// BuildFieldFilter for locate's temporary filters.
//
// Translation rules:
// - a comparison with the field on the right and a value on the left is
//   mirrored (< and >, <= and >= swap);
// - field against field is a class 2 node over two field nodes;
// - field against NULL: = is IS NULL, <> is IS NOT NULL; any other
//   operator fails;
// - a string field compared by = or <> with a non-empty text becomes a class
//   3 node when foCaseInsensitive is set or the comparison is partial: a
//   partial key asked by the caller (partial length = the text's length), or
//   a text of two or more characters ending in "*" while
//   foNoPartialCompare is off (the "*" is dropped);
// - any other comparison is a class 2 node with the field and a constant of
//   the field's engine type, converted from the text with the process-wide
//   format settings; 16-bit and word fields refuse values outside their
//   range;
// - a bare name used as a condition must be a boolean field and means
//   field = true;
// - AND, OR and NOT translate their operands as conditions.
// Only data fields and internal calculated fields of the types string,
// smallint, integer, auto-increment, word, boolean, float, currency, BCD,
// date, time and date-time may appear. Failures are EDatabaseError with the
// texts below (or the field's conversion message for an unreadable value);
// an expression too large for 16-bit offsets fails with engine error kErrInvalidFilterExpression.
#pragma once

#include "DataSet.h"
#include "ExprParser.h"
#include "Field.h"
#include "Variant.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tabula {

namespace msg {
inline constexpr const char* kFilterNullOperator = "NULL only allowed with '=' and '<>'";
inline constexpr const char* kFilterConstantRange = "Constant out of range";
inline constexpr const char* kFilterFieldUnusable =
    "Field '%s' cannot be used in a filter expression";
inline constexpr const char* kFilterNotBoolean = "Field '%s' is not of type Boolean";
inline constexpr const char* kFilterMalformed = "Incorrectly formed filter expression";
} // namespace msg

// Finds a dataset's field by name (without regard to case); nullptr when
// there is none.
using TFilterFieldLookup = std::function<const TField*(const std::string& name)>;

class TFilterExpr {
public:
    TFilterExpr(TFilterOptions options, TFilterFieldLookup lookup);

    // The binary filter expression of a parsed filter text.
    std::vector<std::uint8_t> Translate(const TExprNode& root);

    // The binary filter expression "f1 = v1 AND f2 = v2 ...", the last
    // comparison partial (the value's length) when partial is set and the
    // last field is a string field. A Null value means IS NULL.
    std::vector<std::uint8_t> FieldEquals(const std::vector<const TField*>& fields,
                                          const std::vector<TVariant>& values, bool partial);

private:
    struct TOutNode;
    using TOutPtr = std::unique_ptr<TOutNode>;

    TOutPtr Condition(const TExprNode& node);
    TOutPtr Comparison(int op, const TExprNode& left, const TExprNode& right);
    TOutPtr ValueComparison(int op, const TField& field, const TExprNode& value);
    TOutPtr FieldNode(const TField& field);
    const TField& UsableField(const std::string& name) const;
    TOutPtr ConstantFromText(const TField& field, const std::string& text);
    TOutPtr ConstantFromVariant(const TField& field, const TVariant& value);
    TOutPtr StringComparison(int op, const TField& field, std::string text, bool partialKey);
    std::vector<std::uint8_t> Write(const TOutNode& root);

    TFilterOptions options_;
    TFilterFieldLookup lookup_;
};

// Parses and translates a filter text.
std::vector<std::uint8_t> CompileFilter(const std::string& text, TFilterOptions options,
                                        const TFilterFieldLookup& fields);

// Locate's filter: one equality per key field joined by AND; with partial,
// the last field, when it is a string field, matches by the value's length.
std::vector<std::uint8_t> BuildFieldFilter(const std::vector<const TField*>& fields,
                                           const std::vector<TVariant>& values,
                                           TFilterOptions options, bool partial);

} // namespace tabula
