// The expression parser: conversion to postfix and evaluation.
#include "TrpParser.h"

#include "EnginePixels.h"
#include "TrpExpressionCodes.h"
#include "TrpExpressionText.h"
#include "TrpObject.h"

#include <cctype>
#include <cmath>
#include <vector>

namespace report {

namespace {

bool IsOperatorChar(char c) {
    return (c > 0 && c < ' ') || c == '+' || c == '-' || c == '*' || c == '/' || c == '=' ||
           c == '<' || c == '>';
}

bool IsPrefixOperator(char op) {
    return op == kOpUnaryMinus || op == kOpUnaryPlus || op == kOpNot || op == kOpInt ||
           op == kOpFrac || op == kOpRound || op == kOpStr;
}

int Level(char op) {
    switch (op) {
    case kOpInt:
    case kOpFrac:
    case kOpRound:
    case kOpStr:
        return kLevelPrefixFunction;
    case '*':
    case '/':
    case kOpMod:
    case kOpAnd:
    case kOpOr:
    case kOpNot:
        return kLevelProduct;
    case '+':
    case '-':
    case kOpUnaryMinus:
    case kOpUnaryPlus:
        return kLevelSum;
    case '(':
        return kLevelParenthesis;
    default:
        return kLevelComparison;
    }
}

// The keyword operators; 0 for any other word.
char KeywordOperator(const std::string& upper) {
    if (upper == "OR")
        return kOpOr;
    if (upper == "AND")
        return kOpAnd;
    if (upper == "MOD")
        return kOpMod;
    if (upper == "NOT")
        return kOpNot;
    if (upper == "INT")
        return kOpInt;
    if (upper == "FRAC")
        return kOpFrac;
    if (upper == "ROUND")
        return kOpRound;
    if (upper == "STR")
        return kOpStr;
    return 0;
}

// The shunting of one expression text into postfix.
class PostfixWriter {
public:
    explicit PostfixWriter(const std::string& text) : text_(text) {}
    std::string Run();

private:
    void Operator(char op);
    void CloseParenthesis();
    void Operand(const std::string& operand);
    std::size_t ReadIdentifier(std::size_t pos);
    std::size_t ReadNumber(std::size_t pos);
    std::size_t ReadQuoted(std::size_t pos);
    std::size_t ReadBracket(std::size_t pos);
    std::size_t ReadSymbol(std::size_t pos);

    const std::string& text_;
    std::string out_;
    std::string stack_;
    std::string prefix_; // a pending "%c" operand prefix
    bool afterOperand_ = false;
};

std::string PostfixWriter::Run() {
    std::size_t pos = 0;
    while (pos < text_.size() && text_[pos] != ';') {
        char c = text_[pos];
        if (static_cast<unsigned char>(c) <= ' ')
            ++pos;
        else if (std::isdigit(static_cast<unsigned char>(c)) || c == ',' || c == '.')
            pos = ReadNumber(pos);
        else if (c == '\'')
            pos = ReadQuoted(pos);
        else if (c == '[')
            pos = ReadBracket(pos);
        else if (IsIdentStart(c))
            pos = ReadIdentifier(pos);
        else if (c == '%' && pos + 1 < text_.size()) {
            prefix_ += text_.substr(pos, 2);
            pos += 2;
        } else
            pos = ReadSymbol(pos);
    }
    while (!stack_.empty()) {
        if (stack_.back() == '(')
            throw ETrpExpressionError("Need \")\" here");
        out_ += stack_.back();
        stack_.pop_back();
    }
    return out_;
}

void PostfixWriter::Operator(char op) {
    // A prefix operator has no left operand to finish first.
    if (!IsPrefixOperator(op)) {
        if (!afterOperand_)
            throw ETrpExpressionError("Missing operand");
        while (!stack_.empty() && Level(op) >= Level(stack_.back())) {
            out_ += stack_.back();
            stack_.pop_back();
        }
    } else if (afterOperand_) {
        throw ETrpExpressionError("Missing operator");
    }
    stack_ += op;
    afterOperand_ = false;
}

void PostfixWriter::CloseParenthesis() {
    while (!stack_.empty() && stack_.back() != '(') {
        out_ += stack_.back();
        stack_.pop_back();
    }
    if (stack_.empty())
        throw ETrpExpressionError("Need \"(\" here");
    stack_.pop_back();
    afterOperand_ = true;
}

void PostfixWriter::Operand(const std::string& operand) {
    out_ += prefix_ + operand + ' ';
    prefix_.clear();
    afterOperand_ = true;
}

std::size_t PostfixWriter::ReadNumber(std::size_t pos) {
    std::size_t end = pos;
    while (end < text_.size() && (std::isdigit(static_cast<unsigned char>(text_[end])) ||
                                  text_[end] == '.' || text_[end] == ','))
        ++end;
    Operand(text_.substr(pos, end - pos));
    return end;
}

std::size_t PostfixWriter::ReadQuoted(std::size_t pos) {
    std::size_t end = SkipQuoted(text_, pos);
    if (end == std::string::npos)
        throw ETrpExpressionError("Unterminated string");
    Operand(text_.substr(pos, end - pos));
    return end;
}

std::size_t PostfixWriter::ReadBracket(std::size_t pos) {
    std::size_t close = FindClosing(text_, pos);
    if (close == std::string::npos)
        throw ETrpExpressionError("Need \"]\" here");
    Operand(text_.substr(pos, close + 1 - pos));
    return close + 1;
}

std::size_t PostfixWriter::ReadIdentifier(std::size_t pos) {
    std::size_t end = pos;
    while (end < text_.size() && IsIdentPart(text_[end])) {
        if (text_[end] == '"') {
            end = SkipQuoted(text_, end);
            if (end == std::string::npos)
                throw ETrpExpressionError("Unterminated string");
        } else {
            ++end;
        }
    }
    std::string word = text_.substr(pos, end - pos);
    std::string upper = UpperName(word);
    if (char op = KeywordOperator(upper)) {
        Operator(op);
        return end;
    }
    std::size_t next = end;
    while (next < text_.size() && text_[next] == ' ')
        ++next;
    if (upper != "TRUE" && upper != "FALSE" && next < text_.size() &&
        (text_[next] == '(' || text_[next] == '[')) {
        std::size_t close = FindClosing(text_, next);
        if (close == std::string::npos || (text_[next] == '(') != (text_[close] == ')'))
            throw ETrpExpressionError(text_[next] == '(' ? "Need \")\" here" : "Need \"]\" here");
        Operand(word + text_.substr(next, close + 1 - next));
        return close + 1;
    }
    Operand(word);
    return end;
}

std::size_t PostfixWriter::ReadSymbol(std::size_t pos) {
    char c = text_[pos];
    char next = pos + 1 < text_.size() ? text_[pos + 1] : '\0';
    switch (c) {
    case '(':
        if (afterOperand_)
            throw ETrpExpressionError("Missing operator");
        stack_ += '(';
        return pos + 1;
    case ')':
        CloseParenthesis();
        return pos + 1;
    case '+':
    case '-':
        if (afterOperand_)
            Operator(c);
        else
            Operator(c == '-' ? kOpUnaryMinus : kOpUnaryPlus);
        return pos + 1;
    case '*':
    case '/':
    case '=':
        Operator(c);
        return pos + 1;
    case '<':
        if (next == '=' || next == '>') {
            Operator(next == '=' ? kOpLessEqual : kOpNotEqual);
            return pos + 2;
        }
        Operator('<');
        return pos + 1;
    case '>':
        if (next == '=') {
            Operator(kOpGreaterEqual);
            return pos + 2;
        }
        Operator('>');
        return pos + 1;
    default:
        throw ETrpExpressionError(std::string("Invalid character \"") + c + "\"");
    }
}

// The end of the operand that starts at postfix[pos]: the blank after it.
std::size_t OperandEnd(const std::string& postfix, std::size_t pos) {
    std::size_t i = pos;
    while (i < postfix.size() && postfix[i] != ' ') {
        char c = postfix[i];
        if (c == '\'' || c == '"') {
            std::size_t end = SkipQuoted(postfix, i);
            i = end == std::string::npos ? postfix.size() : end;
        } else if (c == '(' || c == '[') {
            std::size_t end = FindClosing(postfix, i);
            i = end == std::string::npos ? postfix.size() : end + 1;
        } else {
            ++i;
        }
    }
    return i;
}

// The position of the "(" or "[" that makes the operand a call or an array
// element (outside the name's double-quoted parts); npos for a plain name.
std::size_t CallOpening(const std::string& token) {
    for (std::size_t i = 0; i < token.size();) {
        if (token[i] == '"') {
            i = SkipQuoted(token, i);
            if (i == std::string::npos)
                return std::string::npos;
        } else if (token[i] == '(' || token[i] == '[') {
            return i;
        } else {
            ++i;
        }
    }
    return std::string::npos;
}

// INT and FRAC first snap a value within 1e-10 of a whole number to it.
double Snapped(double value) {
    double nearest = std::round(value);
    return std::fabs(value - nearest) < 1e-10 ? nearest : value;
}

TrpValue Truth(bool value) {
    return std::int64_t{value ? 1 : 0};
}

TrpValue ApplyUnary(char op, const TrpValue& a) {
    switch (op) {
    case kOpUnaryMinus:
        return Negate(a);
    case kOpUnaryPlus:
        return a;
    case kOpNot:
        return Truth(Compare(a, 0) == 0);
    case kOpInt:
        return std::trunc(Snapped(a.ToReal()));
    case kOpFrac: {
        double v = Snapped(a.ToReal());
        return v - std::trunc(v);
    }
    case kOpRound: {
        // Beyond the integer range a real is whole already.
        double v = a.ToReal();
        if (!(std::fabs(v) < 9.0e18))
            return v;
        return RoundHalfEven(v);
    }
    default: // kOpStr
        return a.ToText();
    }
}

TrpValue ApplyBinary(char op, const TrpValue& a, const TrpValue& b) {
    switch (op) {
    case '+':
    case kOpOr:
        return Add(a, b);
    case '-':
        return Subtract(a, b);
    case '*':
    case kOpAnd:
        return Multiply(a, b);
    case '/':
        return Divide(a, b);
    case kOpMod:
        return Modulo(a, b);
    case '=':
        return Truth(Compare(a, b) == 0);
    case kOpNotEqual:
        return Truth(Compare(a, b) != 0);
    case '<':
        return Truth(Compare(a, b) < 0);
    case '>':
        return Truth(Compare(a, b) > 0);
    case kOpLessEqual:
        return Truth(Compare(a, b) <= 0);
    default: // kOpGreaterEqual
        return Truth(Compare(a, b) >= 0);
    }
}

// The truth of IF's condition: its text read as a number and truncated;
// the texts TRUE and FALSE read as 1 and 0, an empty text as 0.
bool ConditionHolds(const TrpValue& condition) {
    std::string text = TrimText(condition.ToText());
    if (text.empty())
        return false;
    if (auto number = TextToNumber(text))
        return std::trunc(*number) > 0;
    return TrpValue(text).ToBool();
}

std::string Unquote(const std::string& token) {
    std::string text;
    for (std::size_t i = 1; i + 1 < token.size(); ++i) {
        text += token[i];
        if (token[i] == '\'' && token[i + 1] == '\'')
            ++i;
    }
    return text;
}

// Nested evaluations across all parsers (the report's and the script
// interpreter's call each other), on the one engine thread.
int evaluationDepth = 0;

class DepthGuard {
public:
    explicit DepthGuard(int& depth) : depth_(depth) {
        if (++depth_ > kMaxEvaluationDepth) {
            --depth_;
            throw ETrpExpressionError("Expression nested too deeply");
        }
    }
    ~DepthGuard() { --depth_; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;

private:
    int& depth_;
};

} // namespace

std::string TrpParser::StrToPostfix(const std::string& text) {
    return PostfixWriter(text).Run();
}

TrpValue TrpParser::CalcPostfix(const std::string& postfix) {
    DepthGuard guard(evaluationDepth);
    std::vector<TrpValue> stack;
    auto pop = [&stack]() {
        if (stack.empty())
            throw ETrpExpressionError("Missing operand");
        TrpValue v = std::move(stack.back());
        stack.pop_back();
        return v;
    };
    for (std::size_t pos = 0; pos < postfix.size();) {
        char c = postfix[pos];
        if (c == ' ') {
            ++pos;
        } else if (IsOperatorChar(c)) {
            ++pos;
            TrpValue b = pop();
            if (IsPrefixOperator(c)) {
                stack.push_back(ApplyUnary(c, b));
            } else {
                TrpValue a = pop();
                stack.push_back(ApplyBinary(c, a, b));
            }
        } else {
            std::size_t end = OperandEnd(postfix, pos);
            stack.push_back(Operand(postfix.substr(pos, end - pos)));
            pos = end;
        }
    }
    return stack.empty() ? TrpValue(std::int64_t{0}) : stack.back();
}

TrpValue TrpParser::Operand(const std::string& raw) {
    std::string token = raw;
    while (token.size() >= 2 && token[0] == '%')
        token.erase(0, 2); // the operand prefix carries no meaning here
    if (token.empty())
        return std::int64_t{0};
    char c = token[0];
    if (std::isdigit(static_cast<unsigned char>(c)) || c == ',' || c == '.') {
        auto number = TextToNumber(token);
        if (!number)
            throw ETrpExpressionError("'" + token + "' is not a valid floating point value");
        return *number;
    }
    if (c == '\'')
        return Unquote(token);
    if (c == '[')
        return Name(token.substr(1, token.size() - 2));
    std::string upper = UpperName(token);
    if (upper == "TRUE" || upper == "FALSE")
        return upper == "TRUE";
    if (std::size_t open = CallOpening(token); open != std::string::npos)
        return Call(token, open);
    return Name(upper);
}

TrpValue TrpParser::Call(const std::string& token, std::size_t open) {
    std::string name = TrimText(token.substr(0, open));
    std::string inner = token.substr(open + 1, token.size() - open - 2);
    if (token[open] == '[')
        return Function("GETARRAY", name, inner, "");
    std::vector<std::string> args = SplitArguments(inner);
    if (args.size() > kMaxCallArguments)
        throw ETrpExpressionError("Too many arguments in \"" + name + "\"");
    args.resize(kMaxCallArguments);
    return Function(UpperName(name), args[0], args[1], args[2]);
}

TrpValue TrpParser::Name(const std::string& name) {
    return OnGetValue ? OnGetValue(name) : TrpValue(std::int64_t{0});
}

TrpValue TrpParser::Function(const std::string& name, const std::string& p1, const std::string& p2,
                             const std::string& p3) {
    if (name == "COPY") {
        std::string text = Calc(p1).ToText();
        std::int64_t from = Calc(p2).ToInt(), count = Calc(p3).ToInt();
        if (from < 1)
            from = 1;
        if (count <= 0 || from > static_cast<std::int64_t>(text.size()))
            return std::string();
        return text.substr(static_cast<std::size_t>(from - 1), static_cast<std::size_t>(count));
    }
    if (name == "IF")
        return ConditionHolds(Calc(p1)) ? Calc(p2) : Calc(p3);
    if (name == "STRTODATE" || name == "STRTOTIME") {
        std::string text = Calc(p1).ToText();
        auto value = TextToDateTime(text);
        if (!value)
            throw ETrpExpressionError("'" + text + "' is not a valid " +
                                      (name == "STRTODATE" ? "date" : "time"));
        return TrpValue::DateTime(*value);
    }
    if (OnFunction)
        return OnFunction(name, p1, p2, p3);
    return std::string("0");
}

} // namespace report
