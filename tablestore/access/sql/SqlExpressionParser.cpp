// The SQL expression grammar; see SqlExpressionParser.h.
#include "SqlExpressionParser.h"

#include "FormatSettings.h"
#include "SqlError.h"

#include <cstdint>

namespace tabula {

using namespace sqlop;

class TExpressionParser::TDepth {
public:
    TDepth(TExpressionParser& parser, const TSqlContext& c) : parser_(parser) {
        if (++parser_.depth_ > kSqlMaxNesting) {
            parser_.depth_ = 0;
            RaiseSqlError("Expression nesting exceeds " + std::to_string(kSqlMaxNesting) +
                          " levels in " + std::string(c.name));
        }
    }
    ~TDepth() {
        if (parser_.depth_ > 0)
            --parser_.depth_;
    }
    TDepth(const TDepth&) = delete;
    TDepth& operator=(const TDepth&) = delete;

private:
    TExpressionParser& parser_;
};

namespace {

std::string In(const TSqlContext& c) {
    return " in " + std::string(c.name);
}

// The value of a quoted text: a doubled delimiter stands for one.
std::string Undouble(const std::string& text, char quote) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == quote && i + 1 < text.size() && text[i + 1] == quote)
            ++i;
    }
    return out;
}

TSqlNodePtr Binary(int op, std::string name, TSqlNodePtr left, TSqlNodePtr right) {
    auto node = MakeSqlNode(TSqlNodeKind::Binary, op, std::move(name));
    node->left = std::move(left);
    node->right = std::move(right);
    return node;
}

TSqlNodePtr IntegerConstant(const std::string& text) {
    std::int64_t value = 0;
    for (char ch : text) {
        value = value * 10 + (ch - '0');
        if (value > INT32_MAX)
            throw ESqlConvertError("'" + text + "' is not a valid integer value");
    }
    return MakeSqlConstant(text, TSqlValue::Int32(static_cast<std::int32_t>(value)));
}

TSqlNodePtr NumberConstant(const std::string& text) {
    auto value = TFormatSettings::Global().ParseFloat(text);
    if (!value)
        throw ESqlConvertError("'" + text + "' is not a valid floating point value");
    return MakeSqlConstant(text, TSqlValue::Float(*value));
}

TSqlNodePtr TodayConstant(const std::string& name) {
    const TDateTimeParts now = LocalNow();
    return MakeSqlConstant(name, TSqlValue::Date(DayNumber(now.year, now.month, now.day)));
}

TSqlNodePtr TodayMidnightConstant(const std::string& name) {
    const TDateTimeParts now = LocalNow();
    return MakeSqlConstant(
        name, TSqlValue::Timestamp(TimestampValue(DayNumber(now.year, now.month, now.day), 0)));
}

} // namespace

void TExpressionParser::Load(std::string_view text) {
    lexer_.Load(text);
    parameters_.clear();
    depth_ = 0;
    lexer_.Next();
}

void TExpressionParser::FailFound(const std::string& prefix, const TSqlContext& c) const {
    RaiseSqlError(prefix + lexer_.Text() + "'" + In(c));
}

void TExpressionParser::Expect(char symbol, const std::string& prefix, const TSqlContext& c) {
    if (!lexer_.IsChar(symbol))
        FailFound(prefix, c);
    lexer_.Next();
}

void TExpressionParser::ExpectKeyword(std::string_view keyword, const std::string& prefix,
                                      const TSqlContext& c) {
    if (!lexer_.IsKeyword(keyword))
        FailFound(prefix, c);
    lexer_.Next();
}

TSqlNodePtr TExpressionParser::ParseExpression(const TSqlContext& context) {
    return ParseLogical(context);
}

TSqlNodePtr TExpressionParser::ParseLogical(const TSqlContext& c) {
    TDepth depth(*this, c);
    TSqlNodePtr left = ParsePredicate(c);
    int op = 0;
    if (lexer_.IsKeyword("AND"))
        op = kAnd;
    else if (lexer_.IsKeyword("OR"))
        op = kOr;
    if (op == 0)
        return left;
    std::string name = lexer_.Text();
    lexer_.Next();
    TSqlNodePtr right = ParseLogical(c);
    auto node = Binary(op, std::move(name), std::move(left), std::move(right));
    node->type = TSqlType{datafmt::kFtBoolean, 0, 2, 0};
    return node;
}

TSqlNodePtr TExpressionParser::ParsePredicate(const TSqlContext& c) {
    TDepth depth(*this, c);
    TSqlNodePtr left = ParseAdditive(c);
    int op = 0;
    std::string name;
    if (lexer_.IsChar('=')) {
        op = kEq;
        name = "=";
        lexer_.Next();
    } else if (lexer_.IsChar('<')) {
        lexer_.Next();
        if (lexer_.IsChar('>')) {
            op = kNe;
            name = "< >";
            lexer_.Next();
        } else if (lexer_.IsChar('=')) {
            op = kLe;
            name = "< =";
            lexer_.Next();
        } else {
            op = kLt;
            name = "<";
        }
    } else if (lexer_.IsChar('>')) {
        lexer_.Next();
        if (lexer_.IsChar('=')) {
            op = kGe;
            name = "> =";
            lexer_.Next();
        } else {
            op = kGt;
            name = ">";
        }
    } else if (lexer_.IsKeyword("BETWEEN") || lexer_.IsKeyword("LIKE") || lexer_.IsKeyword("IN") ||
               lexer_.IsKeyword("IS") || lexer_.IsKeyword("NOT")) {
        return ParseExtended(std::move(left), c);
    }
    if (op == 0)
        return left;
    TSqlNodePtr right = ParsePredicate(c);
    return Binary(op, std::move(name), std::move(left), std::move(right));
}

TSqlNodePtr TExpressionParser::ParseExtended(TSqlNodePtr left, const TSqlContext& c) {
    if ((c.bits & kCtxExtended) == 0)
        RaiseSqlError("Extended predicate operators (LIKE, BETWEEN, IN, IS NULL) are not allowed" +
                      In(c));
    if (lexer_.IsKeyword("IS")) {
        lexer_.Next();
        bool negated = false;
        if (lexer_.IsKeyword("NOT")) {
            negated = true;
            lexer_.Next();
        }
        if (!lexer_.IsKeyword("NULL"))
            RaiseSqlError("Unknown or unexpected symbol '" + lexer_.Text() + "'" + " found" +
                          In(c));
        const std::string nullText = lexer_.Text();
        lexer_.Next();
        return Binary(negated ? kNe : kEq, negated ? "IS NOT NULL" : "IS NULL", std::move(left),
                      MakeSqlConstant(nullText, TSqlValue::Null()));
    }

    bool negated = false;
    if (lexer_.IsKeyword("NOT")) {
        negated = true;
        lexer_.Next();
        if (!lexer_.IsKeyword("BETWEEN") && !lexer_.IsKeyword("LIKE") && !lexer_.IsKeyword("IN"))
            RaiseSqlError("Unknown or unexpected symbol '" + lexer_.Text() + "'" + In(c));
    }
    const std::string word = lexer_.Text();
    const std::string name = negated ? "NOT " + word : word;

    if (lexer_.IsKeyword("BETWEEN")) {
        lexer_.Next();
        auto node = MakeSqlNode(TSqlNodeKind::Pattern, negated ? kNotBetween : kBetween, name);
        node->left = std::move(left);
        node->list.push_back(ParsePredicate(c));
        if (!lexer_.IsKeyword("AND"))
            FailFound("Expected AND operator in BETWEEN operator, instead found '", c);
        lexer_.Next();
        node->list.push_back(ParsePredicate(c));
        return node;
    }
    if (lexer_.IsKeyword("LIKE")) {
        lexer_.Next();
        auto node = MakeSqlNode(TSqlNodeKind::Pattern, negated ? kNotLike : kLike, name);
        node->left = std::move(left);
        node->right = ParsePredicate(c);
        return node;
    }
    // IN
    lexer_.Next();
    if (!lexer_.IsChar('('))
        FailFound(negated ? "Expected left parentheses for IN operator, instead found '"
                          : "Expected left parentheses after IN operator, instead found '",
                  c);
    lexer_.Next();
    if (lexer_.IsChar(')'))
        RaiseSqlError("You must provide at least one value as an operand of the IN operator " +
                      In(c));
    auto node = MakeSqlNode(TSqlNodeKind::Pattern, negated ? kNotIn : kIn, name);
    node->left = std::move(left);
    for (;;) {
        node->list.push_back(ParseLogical(c));
        if (!lexer_.IsChar(','))
            break;
        lexer_.Next();
    }
    Expect(')', "Expected right parentheses after IN operator, instead found '", c);
    return node;
}

TSqlNodePtr TExpressionParser::ParseAdditive(const TSqlContext& c) {
    TDepth depth(*this, c);
    TSqlNodePtr left = ParseMultiplicative(c);
    int op = 0;
    std::string name;
    if (lexer_.IsChar('+')) {
        op = kAdd;
        name = "+";
    } else if (lexer_.IsChar('-')) {
        op = kSubtract;
        name = "-";
    } else if (lexer_.IsChar('|')) {
        lexer_.Next();
        if (!lexer_.IsChar('|'))
            FailFound("Second concatenation symbol '|' expected after first concatentation "
                      "symbol, instead found '",
                      c);
        op = kAdd;
        name = "||";
    }
    if (op == 0)
        return left;
    lexer_.Next();
    TSqlNodePtr right = ParseAdditive(c);
    return Binary(op, std::move(name), std::move(left), std::move(right));
}

TSqlNodePtr TExpressionParser::ParseMultiplicative(const TSqlContext& c) {
    TDepth depth(*this, c);
    TSqlNodePtr left = ParseUnary(c);
    int op = 0;
    if (lexer_.IsChar('*'))
        op = kMultiply;
    else if (lexer_.IsChar('/'))
        op = kDivide;
    if (op == 0)
        return left;
    std::string name = lexer_.Text();
    lexer_.Next();
    TSqlNodePtr right = ParseMultiplicative(c);
    return Binary(op, std::move(name), std::move(left), std::move(right));
}

TSqlNodePtr TExpressionParser::ParseUnary(const TSqlContext& c) {
    int op = 0;
    if (lexer_.IsKeyword("NOT"))
        op = kNot;
    else if (lexer_.IsChar('-'))
        op = kNegate;
    else if (lexer_.IsChar('+'))
        op = kPlusSign;
    if (op == 0)
        return ParsePrimary(c);
    std::string name = lexer_.Text();
    lexer_.Next();
    auto node = MakeSqlNode(TSqlNodeKind::Unary, op, std::move(name));
    node->left = ParsePrimary(c);
    if (op == kNot)
        node->type = TSqlType{datafmt::kFtBoolean, 0, 2, 0};
    return node;
}

TSqlNodePtr TExpressionParser::ParsePrimary(const TSqlContext& c) {
    TDepth depth(*this, c);
    const int kind = lexer_.Kind();
    if (lexer_.IsChar('(')) {
        lexer_.Next();
        TSqlNodePtr inner = ParseLogical(c);
        Expect(')', "Right parentheses expected, instead found '", c);
        return inner;
    }
    if (lexer_.IsChar('?')) {
        if ((c.bits & kCtxParameters) == 0)
            RaiseSqlError("Parameters are not allowed" + In(c));
        auto node = MakeSqlConstant("?", TSqlValue::Null());
        node->parameter = true;
        node->parameterIndex = static_cast<int>(parameters_.size());
        parameters_.push_back(node);
        lexer_.Next();
        return node;
    }
    if (lexer_.IsChar('*')) {
        if ((c.bits & kCtxAllColumns) == 0)
            RaiseSqlError("* (all columns) symbol is not allowed" + In(c));
        lexer_.Next();
        return MakeSqlColumn({}, "*");
    }
    if (kind == kTokInteger) {
        auto node = IntegerConstant(lexer_.Text());
        lexer_.Next();
        return node;
    }
    if (kind == kTokNumber) {
        auto node = NumberConstant(lexer_.Text());
        lexer_.Next();
        return node;
    }
    if (kind == kTokQuoted) {
        if (lexer_.Peek().IsChar('.')) {
            const std::string correlation = lexer_.Text();
            lexer_.Next();
            lexer_.Next();
            return ParseColumnAfterCorrelation(correlation, c);
        }
        return ParseQuoted();
    }
    if (kind == kTokBracketed) {
        const std::string name = lexer_.Text();
        lexer_.Next();
        if (lexer_.IsChar('.')) {
            lexer_.Next();
            return ParseColumnAfterCorrelation(name, c);
        }
        return MakeSqlColumn({}, name);
    }
    if (kind == kTokSymbol)
        return ParseSymbol(c);
    RaiseSqlError("Unknown or unexpected symbol '" + lexer_.Text() + "'" + " found" + In(c));
}

TSqlNodePtr TExpressionParser::ParseQuoted() {
    const TSqlToken token = lexer_.Current();
    lexer_.Next();
    if (SqlEqualsIgnoreCase(token.text, "TRUE"))
        return MakeSqlConstant(token.text, TSqlValue::Boolean(true));
    if (SqlEqualsIgnoreCase(token.text, "FALSE"))
        return MakeSqlConstant(token.text, TSqlValue::Boolean(false));
    if (token.text.empty())
        return MakeSqlConstant(token.text, TSqlValue::Null());
    return MakeSqlConstant(token.text, TSqlValue::String(Undouble(token.text, token.quote)));
}

TSqlNodePtr TExpressionParser::ParseColumnAfterCorrelation(const std::string& correlation,
                                                           const TSqlContext& c) {
    const int kind = lexer_.Kind();
    std::string name;
    if (kind == kTokSymbol || kind == kTokQuoted || kind == kTokBracketed)
        name = lexer_.Text();
    else if (lexer_.IsChar('*') && (c.bits & kCtxAllColumns) != 0)
        name = "*";
    else
        FailFound("Symbol or string expression expected after table correlation name separator "
                  "'.', instead found '",
                  c);
    lexer_.Next();
    return MakeSqlColumn(correlation, std::move(name));
}

TSqlNodePtr TExpressionParser::ParseSymbol(const TSqlContext& c) {
    struct TWord {
        const char* word;
        int op;
    };
    static constexpr TWord kAggregates[] = {
        {"SUM", kSum}, {"AVG", kAvg}, {"MIN", kMin}, {"MAX", kMax}, {"COUNT", kCount}};
    for (const TWord& w : kAggregates)
        if (lexer_.IsKeyword(w.word))
            return ParseAggregate(w.op, c);
    if (lexer_.IsKeyword("LOWER"))
        return ParseCaseFunction(kLower, c);
    if (lexer_.IsKeyword("UPPER"))
        return ParseCaseFunction(kUpper, c);
    if (lexer_.IsKeyword("SUBSTRING"))
        return ParseSubstring(c);
    if (lexer_.IsKeyword("TRIM"))
        return ParseTrim(c);
    if (lexer_.IsKeyword("EXTRACT"))
        return ParseExtract(c);

    const std::string text = lexer_.Text();
    if (lexer_.IsKeyword("TRUE") || lexer_.IsKeyword("FALSE")) {
        const bool value = lexer_.IsKeyword("TRUE");
        lexer_.Next();
        return MakeSqlConstant(text, TSqlValue::Boolean(value));
    }
    if (lexer_.IsKeyword("NULL")) {
        lexer_.Next();
        return MakeSqlConstant(text, TSqlValue::Null());
    }
    if (lexer_.IsKeyword("DATE")) {
        lexer_.Next();
        return TodayConstant(text);
    }
    if (lexer_.IsKeyword("NOW")) {
        lexer_.Next();
        return TodayMidnightConstant(text);
    }
    lexer_.Next();
    if (lexer_.IsChar('('))
        RaiseSqlError("Unknown or unexpected function '" + text + "'" + " found" + In(c));
    if (lexer_.IsChar('.')) {
        lexer_.Next();
        return ParseColumnAfterCorrelation(text, c);
    }
    return MakeSqlColumn({}, text);
}

TSqlNodePtr TExpressionParser::ParseAggregate(int op, const TSqlContext& c) {
    if ((c.bits & kCtxAggregates) == 0)
        RaiseSqlError("Aggregate functions are not allowed" + In(c));
    const std::string name = lexer_.Text();
    lexer_.Next();
    if (!lexer_.IsChar('('))
        FailFound("Left parentheses expectedafter aggregate function '" + name + "'" +
                      ", instead found " + "'",
                  c);
    lexer_.Next();
    auto node = MakeSqlNode(TSqlNodeKind::Function, op, name);
    node->left = ParseAdditive(c);
    if (!lexer_.IsChar(')'))
        FailFound("Right parentheses expected after aggregate " + name +
                      " function argument, instead found " + "'",
                  c);
    lexer_.Next();
    return node;
}

TSqlNodePtr TExpressionParser::ParseCaseFunction(int op, const TSqlContext& c) {
    const std::string word = op == kLower ? "LOWER" : "UPPER";
    auto node = MakeSqlNode(TSqlNodeKind::Function, op, lexer_.Text());
    lexer_.Next();
    Expect('(', "Left parentheses expectedafter " + word + " keyword, instead found '", c);
    node->left = ParseAdditive(c);
    Expect(')', "Right parentheses expected after " + word + " function argument, instead found '",
           c);
    return node;
}

TSqlNodePtr TExpressionParser::ParseSubstring(const TSqlContext& c) {
    auto node = MakeSqlNode(TSqlNodeKind::Function, kSubstring, lexer_.Text());
    lexer_.Next();
    Expect('(', "Left parentheses expected after SUBSTRING keyword, instead found '", c);
    node->left = ParseAdditive(c);
    ExpectKeyword("FROM",
                  "FROM keyword expected after first SUBSTRING function argument, instead found '",
                  c);
    node->list.push_back(ParsePrimary(c));
    if (lexer_.IsKeyword("FOR")) {
        lexer_.Next();
        node->list.push_back(ParsePrimary(c));
    }
    Expect(')', "Right parentheses expected after SUBSTRING function arguments, instead found '",
           c);
    return node;
}

TSqlNodePtr TExpressionParser::ParseTrim(const TSqlContext& c) {
    const std::string name = lexer_.Text();
    lexer_.Next();
    Expect('(', "Left parentheses expected after TRIM keyword, instead found '", c);
    int op = 0;
    if (lexer_.IsKeyword("LEADING"))
        op = kTrimLeading;
    else if (lexer_.IsKeyword("TRAILING"))
        op = kTrimTrailing;
    else if (lexer_.IsKeyword("BOTH"))
        op = kTrimBoth;
    else
        FailFound("LEADING, TRAILING, or BOTH keyword expected after TRIM keyword, instead found '",
                  c);
    lexer_.Next();
    auto node = MakeSqlNode(TSqlNodeKind::Function, op, name);
    node->right = ParsePrimary(c);
    ExpectKeyword("FROM",
                  "FROM keyword expected after second TRIM function argument, instead found '", c);
    node->left = ParseAdditive(c);
    Expect(')', "Right parentheses expected after TRIM function arguments, instead found '", c);
    return node;
}

TSqlNodePtr TExpressionParser::ParseExtract(const TSqlContext& c) {
    const std::string name = lexer_.Text();
    lexer_.Next();
    Expect('(', "Left parentheses expected after EXTRACT keyword, instead found '", c);
    int op = 0;
    if (lexer_.IsKeyword("YEAR"))
        op = kExtractYear;
    else if (lexer_.IsKeyword("MONTH"))
        op = kExtractMonth;
    else if (lexer_.IsKeyword("DAY"))
        op = kExtractDay;
    else
        FailFound("YEAR, MONTH, or DAY keyword expected after EXTRACT keyword, instead found '", c);
    lexer_.Next();
    ExpectKeyword(
        "FROM", "FROM keyword expected after second EXTRACT function argument, instead found '", c);
    auto node = MakeSqlNode(TSqlNodeKind::Function, op, name);
    node->left = ParsePrimary(c);
    Expect(')', "Right parentheses expected after EXTRACT function arguments, instead found '", c);
    return node;
}

} // namespace tabula
