// A recursive-descent reader of the .create grammar (see CreateParser.h).
// The tokenizer yields words, "quoted names", 'text' literals and the
// punctuation ( ) , ; every token remembers its offset for messages.
#include "CreateParser.h"

#include "FieldTypeNames.h"

#include <cctype>
#include <vector>

namespace tabula::shell {
namespace {

enum class TTokenKind { Word, Name, Text, Punct, End };

struct TToken {
    TTokenKind kind = TTokenKind::End;
    std::string text;
    std::size_t offset = 0;
};

bool IsWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

TToken Quoted(const std::string& s, std::size_t& i, char quote, TTokenKind kind) {
    TToken t{kind, {}, i};
    for (++i;; ++i) {
        if (i >= s.size())
            throw ECreateSyntax("unterminated " + std::string(1, quote) + " at offset " +
                                std::to_string(t.offset));
        if (s[i] == quote) {
            if (i + 1 < s.size() && s[i + 1] == quote) {
                t.text += quote;
                ++i;
                continue;
            }
            ++i;
            return t;
        }
        t.text += s[i];
    }
}

std::vector<TToken> Tokenize(const std::string& s) {
    std::vector<TToken> tokens;
    std::size_t i = 0;
    while (i < s.size()) {
        const char c = s[i];
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
        } else if (c == '"') {
            tokens.push_back(Quoted(s, i, '"', TTokenKind::Name));
        } else if (c == '\'') {
            tokens.push_back(Quoted(s, i, '\'', TTokenKind::Text));
        } else if (c == '(' || c == ')' || c == ',') {
            tokens.push_back({TTokenKind::Punct, std::string(1, c), i++});
        } else if (IsWordChar(c)) {
            const std::size_t start = i;
            while (i < s.size() && IsWordChar(s[i]))
                ++i;
            tokens.push_back({TTokenKind::Word, s.substr(start, i - start), start});
        } else {
            throw ECreateSyntax("unexpected '" + std::string(1, c) + "' at offset " +
                                std::to_string(i));
        }
    }
    tokens.push_back({TTokenKind::End, {}, s.size()});
    return tokens;
}

std::string Upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

class TCreateReader {
public:
    explicit TCreateReader(const std::string& text) : tokens_(Tokenize(text)) {}

    TCreateCommand Read() {
        TCreateCommand command;
        command.Table = Name("table name");
        Expect("(");
        do
            ReadField(command.Spec);
        while (Accept(","));
        Expect(")");
        while (!At(TTokenKind::End)) {
            if (AcceptWord("PRIMARY")) {
                ExpectWord("KEY");
                command.Spec.PrimaryIndex = ReadIndexBody({});
                command.Spec.PrimaryIndex.Unique = true;
            } else if (AcceptWord("INDEX")) {
                const std::string name = Name("index name");
                command.Spec.SecondaryIndexes.push_back(ReadIndexBody(name));
            } else {
                Fail("PRIMARY KEY or INDEX");
            }
        }
        return command;
    }

private:
    void ReadField(TTableSpec& spec) {
        const std::string name = Name("field name");
        const TToken typeToken = Peek();
        const auto type = FieldTypeOfName(Name("field type"));
        if (!type)
            throw ECreateSyntax("unknown field type '" + typeToken.text + "' at offset " +
                                std::to_string(typeToken.offset));
        int size = 0;
        int decimals = 0;
        if (Accept("(")) {
            size = Number();
            if (Accept(","))
                decimals = Number();
            Expect(")");
        }
        bool required = false;
        for (;;) {
            if (AcceptWord("NOT")) {
                ExpectWord("NULL");
                required = true;
            } else if (AcceptWord("DEFAULT")) {
                if (!At(TTokenKind::Text))
                    Fail("a 'quoted' default value");
                throw ECreateSyntax("DEFAULT values cannot be stored with a new table (field " +
                                    name + ")");
            } else {
                break;
            }
        }
        TFieldDef& def = spec.Fields.Add(name, *type, 0, required);
        if (*type == TFieldType::ftBCD) {
            def.Precision = size;
            def.Size = decimals;
        } else if (TypeTakesSize(*type)) {
            def.Size = size;
        }
    }

    TIndexDef ReadIndexBody(const std::string& name) {
        TIndexDef index;
        index.Name = name;
        Expect("(");
        int descending = 0;
        int count = 0;
        do {
            index.Fields += (count++ > 0 ? ";" : "") + Name("index field");
            if (AcceptWord("DESC"))
                ++descending;
        } while (Accept(","));
        Expect(")");
        if (descending != 0 && descending != count)
            throw ECreateSyntax("DESC must be given on every field of index '" +
                                (name.empty() ? std::string("PRIMARY KEY") : name) +
                                "' or on none");
        index.Descending = descending != 0;
        for (;;) {
            if (!name.empty() && AcceptWord("UNIQUE"))
                index.Unique = true;
            else if (AcceptWord("NOCASE"))
                index.CaseInsensitive = true;
            else
                break;
        }
        return index;
    }

    const TToken& Peek() const { return tokens_[pos_]; }
    bool At(TTokenKind kind) const { return Peek().kind == kind; }
    [[noreturn]] void Fail(const std::string& expected) const {
        const TToken& t = Peek();
        const std::string found = t.kind == TTokenKind::End ? "the end" : "'" + t.text + "'";
        throw ECreateSyntax("expected " + expected + " at offset " + std::to_string(t.offset) +
                            ", found " + found);
    }
    bool Accept(const char* punct) {
        if (At(TTokenKind::Punct) && Peek().text == punct) {
            ++pos_;
            return true;
        }
        return false;
    }
    void Expect(const char* punct) {
        if (!Accept(punct))
            Fail(std::string("'") + punct + "'");
    }
    bool AcceptWord(const char* word) {
        if (At(TTokenKind::Word) && Upper(Peek().text) == word) {
            ++pos_;
            return true;
        }
        return false;
    }
    void ExpectWord(const char* word) {
        if (!AcceptWord(word))
            Fail(word);
    }
    std::string Name(const char* what) {
        if (!At(TTokenKind::Word) && !At(TTokenKind::Name))
            Fail(what);
        return tokens_[pos_++].text;
    }
    int Number() {
        const TToken& t = Peek();
        if (!At(TTokenKind::Word) || t.text.size() > 6 ||
            t.text.find_first_not_of("0123456789") != std::string::npos)
            Fail("a size");
        ++pos_;
        return std::stoi(t.text);
    }

    std::vector<TToken> tokens_;
    std::size_t pos_ = 0;
};

} // namespace

TCreateCommand ParseCreate(const std::string& text) {
    return TCreateReader(text).Read();
}

} // namespace tabula::shell
