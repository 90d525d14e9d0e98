// Tokenizer and recursive-descent grammar of the filter text.
#include "ExprParser.h"

#include "AccessMessages.h"
#include "EngineCodes.h"
#include "EngineError.h"
#include "SqlNode.h"

#include <atomic>

namespace tabula {

namespace {

std::atomic<int> processCodePage{1252};

constexpr int kJapaneseCodePage = 932;
constexpr std::size_t kMaxStringChars = 256;

bool IsAsciiLetter(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace

int ProcessCodePage() {
    return processCodePage.load();
}

void SetProcessCodePage(int codePage) {
    processCodePage.store(codePage);
}

TExprParser::TExprParser(std::string text, int codePage)
    : text_(std::move(text)), codePage_(codePage) {}

bool TExprParser::IsLeadByte(unsigned char c) const {
    switch (codePage_) {
    case kJapaneseCodePage:
        return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    case 936: // Simplified Chinese
    case 949: // Korean
    case 950: // Traditional Chinese
        return c >= 0x81 && c <= 0xFE;
    default:
        return false;
    }
}

bool TExprParser::IsKatakana(unsigned char c) const {
    return codePage_ == kJapaneseCodePage && c >= 161 && c <= 223;
}

bool TExprParser::IsNameByte(unsigned char c) const {
    return IsAsciiLetter(c) || IsDigit(c) || c == '_' || IsKatakana(c);
}

void TExprParser::NextToken() {
    while (pos_ < text_.size() && static_cast<unsigned char>(text_[pos_]) < '!')
        ++pos_;
    tokenStart_ = pos_;
    tokenValue_.clear();
    tokenOp_ = 0;
    if (pos_ >= text_.size()) {
        token_ = TToken::End;
        return;
    }
    const auto c = static_cast<unsigned char>(text_[pos_]);
    if (IsAsciiLetter(c) || c == '_' || IsKatakana(c) || IsLeadByte(c)) {
        while (pos_ < text_.size()) {
            const auto b = static_cast<unsigned char>(text_[pos_]);
            if (IsLeadByte(b)) {
                // A lead byte takes its trail byte with it, whatever its value.
                pos_ = std::min(pos_ + 2, text_.size());
            } else if (IsNameByte(b)) {
                ++pos_;
            } else {
                break;
            }
        }
        token_ = TToken::Name;
        tokenValue_ = text_.substr(tokenStart_, pos_ - tokenStart_);
        return;
    }
    if (c == '-' || IsDigit(c)) {
        ++pos_;
        while (pos_ < text_.size()) {
            const char b = text_[pos_];
            if (!IsDigit(static_cast<unsigned char>(b)) && b != '+' && b != '-' && b != '.' &&
                b != 'E' && b != 'e')
                break;
            ++pos_;
        }
        token_ = TToken::Number;
        tokenValue_ = text_.substr(tokenStart_, pos_ - tokenStart_);
        return;
    }
    switch (c) {
    case '[': {
        const std::size_t close = text_.find(']', pos_ + 1);
        if (close == std::string::npos)
            msg::Raise(msg::kExprUnterminatedName);
        token_ = TToken::QuotedName;
        tokenValue_ = text_.substr(pos_ + 1, close - pos_ - 1);
        pos_ = close + 1;
        return;
    }
    case '\'': {
        ++pos_;
        for (;;) {
            if (pos_ >= text_.size())
                msg::Raise(msg::kExprUnterminatedString);
            if (text_[pos_] == '\'') {
                if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
                    pos_ += 2;
                    if (tokenValue_.size() < kMaxStringChars)
                        tokenValue_ += '\'';
                    continue;
                }
                ++pos_;
                break;
            }
            if (tokenValue_.size() < kMaxStringChars)
                tokenValue_ += text_[pos_];
            ++pos_;
        }
        token_ = TToken::String;
        return;
    }
    case '(':
        ++pos_;
        token_ = TToken::LParen;
        return;
    case ')':
        ++pos_;
        token_ = TToken::RParen;
        return;
    case '=':
        ++pos_;
        token_ = TToken::Compare;
        tokenOp_ = sqlop::kEq;
        return;
    case '<':
        ++pos_;
        token_ = TToken::Compare;
        tokenOp_ = sqlop::kLt;
        if (pos_ < text_.size() && text_[pos_] == '>') {
            ++pos_;
            tokenOp_ = sqlop::kNe;
        } else if (pos_ < text_.size() && text_[pos_] == '=') {
            ++pos_;
            tokenOp_ = sqlop::kLe;
        }
        return;
    case '>':
        ++pos_;
        token_ = TToken::Compare;
        tokenOp_ = sqlop::kGt;
        if (pos_ < text_.size() && text_[pos_] == '=') {
            ++pos_;
            tokenOp_ = sqlop::kGe;
        }
        return;
    default:
        msg::Raise(msg::kExprInvalidChar, std::string(1, static_cast<char>(c)));
    }
}

bool TExprParser::IsWord(const char* word) const {
    if (token_ != TToken::Name)
        return false;
    std::size_t i = 0;
    for (; word[i]; ++i) {
        if (i >= tokenValue_.size() || AsciiUpper(tokenValue_[i]) != word[i])
            return false;
    }
    return i == tokenValue_.size();
}

std::string TExprParser::TokenText() const {
    if (token_ == TToken::End)
        return msg::kExprNothing;
    return "'" + text_.substr(tokenStart_, pos_ - tokenStart_) + "'";
}

std::unique_ptr<TExprNode> TExprParser::NewNode(TExprKind kind) {
    if (++nodes_ > kMaxNodes)
        RaiseEngineError(kErrInvalidFilterExpression);
    auto node = std::make_unique<TExprNode>();
    node->kind = kind;
    return node;
}

std::unique_ptr<TExprNode> TExprParser::Parse() {
    pos_ = 0;
    nodes_ = 0;
    nesting_ = 0;
    NextToken();
    auto root = ParseExpression();
    if (token_ != TToken::End)
        msg::Raise(msg::kExprBadTermination);
    return root;
}

std::unique_ptr<TExprNode> TExprParser::ParseExpression() {
    auto left = ParseConjunction();
    while (IsWord("OR")) {
        NextToken();
        auto node = NewNode(TExprKind::Or);
        node->left = std::move(left);
        node->right = ParseConjunction();
        left = std::move(node);
    }
    return left;
}

std::unique_ptr<TExprNode> TExprParser::ParseConjunction() {
    auto left = ParseNegation();
    while (IsWord("AND")) {
        NextToken();
        auto node = NewNode(TExprKind::And);
        node->left = std::move(left);
        node->right = ParseNegation();
        left = std::move(node);
    }
    return left;
}

std::unique_ptr<TExprNode> TExprParser::ParseNegation() {
    if (IsWord("NOT")) {
        NextToken();
        auto node = NewNode(TExprKind::Not);
        node->left = ParseComparison();
        return node;
    }
    return ParseComparison();
}

std::unique_ptr<TExprNode> TExprParser::ParseComparison() {
    auto left = ParseOperand();
    if (token_ == TToken::Compare) {
        auto node = NewNode(TExprKind::Compare);
        node->op = tokenOp_;
        NextToken();
        node->left = std::move(left);
        node->right = ParseOperand();
        return node;
    }
    return left;
}

std::unique_ptr<TExprNode> TExprParser::ParseOperand() {
    std::unique_ptr<TExprNode> node;
    switch (token_) {
    case TToken::Name:
        if (IsWord("NULL"))
            node = NewNode(TExprKind::Null);
        else if (IsWord("TRUE"))
            node = NewNode(TExprKind::True);
        else if (IsWord("FALSE"))
            node = NewNode(TExprKind::False);
        else if (IsWord("AND") || IsWord("OR") || IsWord("NOT"))
            msg::Raise(msg::kExprExpected, TokenText());
        else
            node = NewNode(TExprKind::Name);
        break;
    case TToken::QuotedName:
        node = NewNode(TExprKind::Name);
        break;
    case TToken::String:
        node = NewNode(TExprKind::String);
        break;
    case TToken::Number:
        node = NewNode(TExprKind::Number);
        break;
    case TToken::LParen: {
        if (++nesting_ > kMaxNesting)
            RaiseEngineError(kErrInvalidFilterExpression);
        NextToken();
        node = ParseExpression();
        if (token_ != TToken::RParen)
            msg::Raise(msg::kExprRParenExpected, TokenText());
        --nesting_;
        NextToken();
        return node;
    }
    default:
        msg::Raise(msg::kExprExpected, TokenText());
    }
    node->text = tokenValue_;
    NextToken();
    return node;
}

} // namespace tabula
