// The report script compiler.
#include "TrpScriptCompiler.h"

#include "TrpExpressionError.h"
#include "TrpExpressionText.h"
#include "TrpObject.h"
#include "TrpParser.h"
#include "TrpScriptFormat.h"

#include <cctype>

namespace report {

namespace {

bool IsLetter(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_' ||
           static_cast<unsigned char>(c) >= 0x80;
}

bool IsWordChar(char c) {
    return IsLetter(c) || std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '#';
}

bool IsNumber(const std::string& word) {
    if (word.empty())
        return false;
    for (char c : word)
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    return true;
}

std::string LabelKey(const std::string& label) {
    return label.substr(0, kMaxLabelName);
}

// Counts the nesting of statements and expressions.
class Nesting {
public:
    Nesting(int& depth, bool& tooDeep) : depth_(depth) { tooDeep = ++depth_ > kMaxScriptNesting; }
    ~Nesting() { --depth_; }
    Nesting(const Nesting&) = delete;
    Nesting& operator=(const Nesting&) = delete;

private:
    int& depth_;
};

} // namespace

std::string TrpScriptCompiler::Compile(const TrpStrings& source, TrpStrings& code) {
    code.clear();
    code_ = &code;
    positions_.clear();
    labels_.clear();
    gotos_.clear();
    pos_ = 0;
    depth_ = 0;
    try {
        Prepare(source);
        Statement();
        PostPass();
    } catch (const Failure& failure) {
        return Position(failure.position) + failure.what();
    }
    return {};
}

void TrpScriptCompiler::Prepare(const TrpStrings& source) {
    joined_.clear();
    for (const std::string& line : source)
        joined_ += line + '\r';
    for (char& c : joined_)
        if (c == '\t')
            c = ' ';
    text_.clear();
    origin_.clear();
    if (joined_.size() >= kScriptBufferSize)
        throw Failure("Script is larger than " + std::to_string(kScriptBufferSize) + " bytes", 0);
    StripComments(joined_);
}

void TrpScriptCompiler::StripComments(const std::string& joined) {
    for (std::size_t i = 0; i < joined.size();) {
        char c = joined[i];
        std::size_t end = i + 1;
        if (c == '\'') {
            std::size_t close = SkipQuoted(joined, i);
            end = close == std::string::npos ? joined.size() : close;
        } else if (c == '{') {
            std::size_t close = joined.find('}', i);
            end = close == std::string::npos ? joined.size() : close + 1;
        } else if (c == '/' && i + 1 < joined.size() && joined[i + 1] == '/') {
            end = joined.find('\r', i);
            if (end == std::string::npos)
                end = joined.size();
        }
        if (c == '{' || (c == '/' && end != i + 1)) {
            text_ += ' ';
            origin_.push_back(i);
        } else {
            for (std::size_t k = i; k < end; ++k) {
                text_ += joined[k];
                origin_.push_back(k);
            }
        }
        i = end;
    }
}

std::string TrpScriptCompiler::Position(std::size_t cleanOffset) const {
    std::size_t offset = origin_.empty()                ? 0
                         : cleanOffset < origin_.size() ? origin_[cleanOffset]
                                                        : joined_.size();
    std::size_t line = 1, column = 1;
    for (std::size_t i = 0; i < offset && i < joined_.size(); ++i) {
        if (joined_[i] == '\r') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    return "Line " + std::to_string(line) + "/" + std::to_string(column) + ": ";
}

// Scanning -------------------------------------------------------------------

void TrpScriptCompiler::SkipBlanks() {
    while (pos_ < text_.size() && static_cast<unsigned char>(text_[pos_]) <= ' ')
        ++pos_;
}

bool TrpScriptCompiler::AtEnd() {
    SkipBlanks();
    return pos_ >= text_.size();
}

std::string TrpScriptCompiler::PeekWord() {
    SkipBlanks();
    std::size_t end = pos_;
    while (end < text_.size() && IsWordChar(text_[end]))
        ++end;
    return text_.substr(pos_, end - pos_);
}

bool TrpScriptCompiler::AtKeyword(const char* keyword) {
    return UpperName(PeekWord()) == keyword;
}

void TrpScriptCompiler::ExpectKeyword(const char* keyword, const char* message) {
    if (!AtKeyword(keyword))
        Fail(message);
    pos_ += std::string(keyword).size();
}

bool TrpScriptCompiler::AtSymbol(const char* symbol) {
    SkipBlanks();
    return text_.compare(pos_, std::string(symbol).size(), symbol) == 0;
}

void TrpScriptCompiler::Fail(const std::string& message) {
    SkipBlanks();
    throw Failure(message, pos_);
}

// Statements -----------------------------------------------------------------

void TrpScriptCompiler::Statement() {
    bool tooDeep = false;
    Nesting nesting(depth_, tooDeep);
    if (tooDeep)
        Fail("Statements nested too deeply");
    if (AtEnd() || AtSymbol(";"))
        return;
    std::string word = UpperName(PeekWord());
    if (word == "END" || word == "ELSE" || word == "UNTIL")
        return;
    StatementBody(word);
}

void TrpScriptCompiler::StatementBody(const std::string& word) {
    if (word == "BEGIN") {
        pos_ += word.size();
        Block();
    } else if (word == "IF") {
        pos_ += word.size();
        IfStatement();
    } else if (word == "REPEAT") {
        pos_ += word.size();
        RepeatStatement();
    } else if (word == "WHILE") {
        pos_ += word.size();
        WhileStatement();
    } else if (word == "FOR") {
        pos_ += word.size();
        ForStatement();
    } else if (word == "GOTO") {
        pos_ += word.size();
        GotoStatement();
    } else if (IsNumber(word) && text_.compare(pos_ + word.size(), 1, ":") == 0 &&
               text_.compare(pos_ + word.size(), 2, ":=") != 0) {
        std::string key = LabelKey(word);
        if (!labels_.count(key))
            labels_[key] = code_->size();
        pos_ += word.size() + 1;
        Statement();
    } else {
        NameStatement();
    }
}

void TrpScriptCompiler::Block() {
    while (true) {
        Statement();
        if (AtSymbol(";")) {
            ++pos_;
            continue;
        }
        if (AtKeyword("END")) {
            pos_ += 3;
            return;
        }
        Fail("Need \";\" or \"end\" here");
    }
}

void TrpScriptCompiler::IfStatement() {
    std::string condition = Expression();
    ExpectKeyword("THEN", "Need \"then\" here");
    std::size_t skipThen = EmitJump(kInstrCondJump, condition);
    Statement();
    if (AtKeyword("ELSE")) {
        pos_ += 4;
        std::size_t skipElse = EmitJump(kInstrJump, "");
        Patch(skipThen, code_->size());
        Statement();
        Patch(skipElse, code_->size());
    } else {
        Patch(skipThen, code_->size());
    }
}

void TrpScriptCompiler::RepeatStatement() {
    std::size_t start = code_->size();
    while (true) {
        Statement();
        if (AtSymbol(";")) {
            ++pos_;
            continue;
        }
        if (AtKeyword("UNTIL")) {
            pos_ += 5;
            break;
        }
        Fail("Need \";\" or \"until\" here");
    }
    Patch(EmitJump(kInstrCondJump, Expression()), start);
}

void TrpScriptCompiler::WhileStatement() {
    std::size_t test = code_->size();
    std::string condition = Expression();
    ExpectKeyword("DO", "Need \"do\" here");
    std::size_t exit = EmitJump(kInstrCondJump, condition);
    Statement();
    Patch(EmitJump(kInstrJump, ""), test);
    Patch(exit, code_->size());
}

void TrpScriptCompiler::ForStatement() {
    std::string name = ReadName();
    if (!AtSymbol(":="))
        Fail("Need \":=\" here");
    pos_ += 2;
    std::string start = Expression();
    ExpectKeyword("TO", "Need \"to\" here");
    std::string end = Expression();
    ExpectKeyword("DO", "Need \"do\" here");
    Emit(name + ' ' + start);
    std::size_t test = code_->size();
    std::size_t exit = EmitJump(kInstrCondJump, name + " <= (" + end + ")");
    Statement();
    Emit(name + ' ' + name + " + 1");
    Patch(EmitJump(kInstrJump, ""), test);
    Patch(exit, code_->size());
}

void TrpScriptCompiler::GotoStatement() {
    std::string label = PeekWord();
    if (!IsNumber(label))
        Fail("\"goto\" label must be a number");
    pos_ += label.size();
    gotos_[EmitJump(kInstrJump, "")] = LabelKey(label);
}

std::string TrpScriptCompiler::ReadName() {
    SkipBlanks();
    if (pos_ >= text_.size() || !IsLetter(text_[pos_]))
        Fail("Need \":=\" here");
    std::string name = PeekWord();
    pos_ += name.size();
    return name;
}

void TrpScriptCompiler::NameStatement() {
    std::size_t start = pos_;
    std::string name = ReadName();
    if (AtSymbol("[")) {
        std::size_t open = pos_;
        SkipBracket();
        std::string index = text_.substr(open + 1, pos_ - open - 2);
        if (!AtSymbol(":="))
            Fail("Need \":=\" here");
        pos_ += 2;
        std::string value = Expression();
        Emit(std::string(1, kInstrCall) + "SETARRAY(" + name + ", " + index + ", " + value + ")");
    } else if (AtSymbol(":=")) {
        pos_ += 2;
        Emit(name + ' ' + Expression());
    } else if (AtSymbol("(")) {
        pos_ = start;
        Emit(std::string(1, kInstrCall) + Expression());
    } else if (AtEnd() || AtSymbol(";") || AtKeyword("END") || AtKeyword("ELSE")) {
        Emit(std::string(1, kInstrCall) + name + "(0)");
    } else {
        Fail("Need \":=\" here");
    }
}

// Expressions ----------------------------------------------------------------

std::string TrpScriptCompiler::Expression() {
    SkipBlanks();
    std::size_t start = pos_;
    Relation();
    return TrimText(text_.substr(start, pos_ - start));
}

bool TrpScriptCompiler::AtWordOperator(const char* word) {
    return AtKeyword(word);
}

void TrpScriptCompiler::Relation() {
    Sum();
    while (true) {
        if (AtSymbol("<=") || AtSymbol(">=") || AtSymbol("<>"))
            pos_ += 2;
        else if (AtSymbol("=") || AtSymbol("<") || AtSymbol(">"))
            pos_ += 1;
        else
            return;
        Sum();
    }
}

void TrpScriptCompiler::Sum() {
    Term();
    while (true) {
        if (AtSymbol("+") || AtSymbol("-"))
            pos_ += 1;
        else if (AtWordOperator("OR"))
            pos_ += 2;
        else
            return;
        Term();
    }
}

void TrpScriptCompiler::Term() {
    Factor();
    while (true) {
        if (AtSymbol("*") || AtSymbol("/"))
            pos_ += 1;
        else if (AtWordOperator("MOD") || AtWordOperator("AND"))
            pos_ += 3;
        else
            return;
        Factor();
    }
}

void TrpScriptCompiler::Factor() {
    bool tooDeep = false;
    Nesting nesting(depth_, tooDeep);
    if (tooDeep)
        Fail("Expression nested too deeply");
    SkipBlanks();
    char c = pos_ < text_.size() ? text_[pos_] : '\0';
    if (c == '(') {
        ++pos_;
        Relation();
        if (!AtSymbol(")"))
            Fail("Need \")\" here");
        ++pos_;
    } else if (c == '[') {
        SkipBracket();
    } else if (c == '+' || c == '-') {
        ++pos_;
        Factor();
    } else if (AtWordOperator("NOT")) {
        pos_ += 3;
        Factor();
    } else if (c == '\'') {
        std::size_t end = SkipQuoted(text_, pos_);
        pos_ = end == std::string::npos ? text_.size() : end;
    } else if (std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == ',') {
        while (pos_ < text_.size() && (std::isdigit(static_cast<unsigned char>(text_[pos_])) ||
                                       text_[pos_] == '.' || text_[pos_] == ','))
            ++pos_;
    } else if (IsLetter(c) || c == '"') {
        NameFactor();
    } else {
        Fail("Need an expression here");
    }
}

void TrpScriptCompiler::NameFactor() {
    while (pos_ < text_.size() && (IsWordChar(text_[pos_]) || text_[pos_] == '"')) {
        if (text_[pos_] == '"') {
            std::size_t end = SkipQuoted(text_, pos_);
            pos_ = end == std::string::npos ? text_.size() : end;
        } else {
            ++pos_;
        }
    }
    if (AtSymbol("["))
        SkipBracket();
    if (!AtSymbol("("))
        return;
    ++pos_;
    if (AtSymbol(")")) {
        ++pos_;
        return;
    }
    while (true) {
        Relation();
        if (AtSymbol(",")) {
            ++pos_;
            continue;
        }
        if (!AtSymbol(")"))
            Fail("Need \",\" or \")\" here");
        ++pos_;
        return;
    }
}

void TrpScriptCompiler::SkipBracket() {
    std::size_t close = FindClosingBracket(text_, pos_);
    if (close == std::string::npos)
        Fail("Need \"]\" here");
    pos_ = close + 1;
}

// Instructions ---------------------------------------------------------------

std::size_t TrpScriptCompiler::Emit(const std::string& instruction) {
    if (code_->size() >= kMaxInstructions)
        Fail("Script has too many instructions");
    code_->push_back(instruction);
    positions_.push_back(pos_);
    return code_->size() - 1;
}

std::size_t TrpScriptCompiler::EmitJump(char kind, const std::string& expression) {
    return Emit(std::string(1, kind) + std::string(kTargetBytes, '\0') + expression);
}

void TrpScriptCompiler::Patch(std::size_t instruction, std::size_t target) {
    std::string& code = (*code_)[instruction];
    code[1] = static_cast<char>(target & 0xFF);
    code[2] = static_cast<char>((target >> 8) & 0xFF);
}

void TrpScriptCompiler::PostPass() {
    for (std::size_t i = 0; i < code_->size(); ++i) {
        std::string& code = (*code_)[i];
        try {
            if (auto pending = gotos_.find(i); pending != gotos_.end()) {
                auto label = labels_.find(pending->second);
                if (label == labels_.end())
                    throw Failure("Label \"" + pending->second + "\" is not defined",
                                  positions_[i]);
                Patch(i, label->second);
            } else if (code[0] == kInstrCondJump) {
                code =
                    code.substr(0, kJumpHeader) + TrpParser::StrToPostfix(code.substr(kJumpHeader));
            } else if (code[0] == kInstrCall) {
                code = code.substr(0, 1) + TrpParser::StrToPostfix(code.substr(1));
            } else if (code[0] != kInstrJump) {
                std::size_t blank = code.find(' ');
                code = code.substr(0, blank + 1) + TrpParser::StrToPostfix(code.substr(blank + 1));
            }
        } catch (const ETrpExpressionError& error) {
            throw Failure(error.what(), positions_[i]);
        }
    }
}

} // namespace report
