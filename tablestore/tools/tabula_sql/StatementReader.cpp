// Statements from lines, and the two line sources (see StatementReader.h).
#include "StatementReader.h"

#include <cstdlib>
#include <editline/readline.h>
#include <istream>

namespace tabula::shell {
namespace {

std::string TrimRight(std::string text) {
    const auto end = text.find_last_not_of(" \t\r\n");
    text.erase(end == std::string::npos ? 0 : end + 1);
    return text;
}

std::string TrimLeft(const std::string& text) {
    const auto start = text.find_first_not_of(" \t");
    return start == std::string::npos ? std::string() : text.substr(start);
}

class TStreamLines : public TLineSource {
public:
    explicit TStreamLines(std::istream& in) : in_(in) {}
    std::optional<std::string> ReadLine(bool) override {
        std::string line;
        if (!std::getline(in_, line))
            return std::nullopt;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        return line;
    }

private:
    std::istream& in_;
};

class TTerminalLines : public TLineSource {
public:
    TTerminalLines() { using_history(); }
    std::optional<std::string> ReadLine(bool continuation) override {
        char* line = readline(continuation ? "   ...> " : "tabula> ");
        if (line == nullptr)
            return std::nullopt;
        std::string text = line;
        std::free(line);
        return text;
    }
    void Remember(const std::string& statement) override { add_history(statement.c_str()); }
};

} // namespace

std::unique_ptr<TLineSource> StreamLines(std::istream& in) {
    return std::make_unique<TStreamLines>(in);
}

std::unique_ptr<TLineSource> TerminalLines() {
    return std::make_unique<TTerminalLines>();
}

bool IsMetaCommand(const std::string& text) {
    return TrimLeft(text).starts_with(".");
}

std::optional<std::string> TStatementReader::Next() {
    std::string statement;
    while (auto line = lines_.ReadLine(!statement.empty())) {
        if (statement.empty()) {
            if (TrimRight(*line).empty())
                continue;
            if (IsMetaCommand(*line)) {
                lines_.Remember(*line);
                return TrimRight(TrimLeft(*line));
            }
        } else {
            statement += '\n';
        }
        statement += *line;
        const std::string trimmed = TrimRight(statement);
        if (!trimmed.empty() && trimmed.back() == ';') {
            lines_.Remember(trimmed);
            return trimmed.substr(0, trimmed.size() - 1);
        }
    }
    if (TrimRight(statement).empty())
        return std::nullopt;
    lines_.Remember(statement);
    return TrimRight(statement);
}

} // namespace tabula::shell
