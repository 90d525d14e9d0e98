// TStatementReader: cuts the shell's input into statements.
//
// A meta-command is one line that starts with "." while no statement is
// being collected. An SQL statement is one or more lines, the last of which
// ends with ";" (blanks after it allowed); the ";" is not part of the
// statement. Text left without ";" at the end of the input is a statement
// too. Blank lines between statements are skipped.
//
// Lines come from a TLineSource: on a terminal a line editor with a prompt
// ("tabula> ", "   ...> " inside a statement) and a history of the
// statements read, otherwise the plain lines of a stream.
#pragma once

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

namespace tabula::shell {

class TLineSource {
public:
    virtual ~TLineSource() = default;
    // The next line without its line break, or nullopt at the end.
    virtual std::optional<std::string> ReadLine(bool continuation) = 0;
    // A whole statement was read (a terminal adds it to the history).
    virtual void Remember(const std::string&) {}
};

// Lines of a stream, CR before LF removed.
std::unique_ptr<TLineSource> StreamLines(std::istream& in);
// The line editor on the terminal.
std::unique_ptr<TLineSource> TerminalLines();

class TStatementReader {
public:
    explicit TStatementReader(TLineSource& lines) : lines_(lines) {}
    std::optional<std::string> Next();

private:
    TLineSource& lines_;
};

// Whether the text (a statement argument or a line) is a meta-command.
bool IsMetaCommand(const std::string& text);

} // namespace tabula::shell
