// TrpScriptCompiler: turns the source lines of a report script into the
// instruction list of TrpScriptFormat.h.
//
// The source lines are joined, each followed by a carriage return, tabs
// become blanks, and the text must fit the work buffer. Comments ("{" to
// "}", "//" to the line end, not inside single-quoted strings) are replaced
// by one blank each; every character of the cleaned text remembers its
// offset in the joined source, so that an error names the 1-based line and
// column of the source token ("Line l/c: message").
//
// Grammar (keywords in any case; the script is one statement):
//   statement  := BEGIN list END | IF expr THEN statement [ELSE statement]
//               | REPEAT list UNTIL expr | WHILE expr DO statement
//               | FOR name := expr TO expr DO statement | GOTO number
//               | number : statement | name := expr | name[expr] := expr
//               | name(args) | name | (empty, before END ; ELSE UNTIL)
//   list       := statement { ; statement }
// The expression checker only finds where an expression ends; the text is
// converted to postfix in the post-pass, with the GOTO targets.
//
// Compilation stops at the first error; the instructions made so far stay.
#pragma once

#include "TrpObjectCodes.h"

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace report {

class TrpScriptCompiler {
public:
    // Compiles source into code; returns the error entry, or empty.
    std::string Compile(const TrpStrings& source, TrpStrings& code);

private:
    struct Failure : std::runtime_error {
        Failure(const std::string& message, std::size_t at)
            : std::runtime_error(message), position(at) {}
        std::size_t position;
    };

    void Prepare(const TrpStrings& source);
    void StripComments(const std::string& joined);
    std::string Position(std::size_t cleanOffset) const;

    // Scanning.
    void SkipBlanks();
    bool AtEnd();
    std::string PeekWord();
    bool AtKeyword(const char* keyword);
    void ExpectKeyword(const char* keyword, const char* message);
    bool AtSymbol(const char* symbol);
    [[noreturn]] void Fail(const std::string& message);

    // Statements.
    void Statement();
    void StatementBody(const std::string& word);
    void Block();
    void IfStatement();
    void RepeatStatement();
    void WhileStatement();
    void ForStatement();
    void GotoStatement();
    void NameStatement();
    std::string ReadName();

    // Expressions.
    std::string Expression();
    void Relation();
    void Sum();
    void Term();
    void Factor();
    void NameFactor();
    void SkipBracket();
    bool AtWordOperator(const char* word);

    // Instructions.
    std::size_t Emit(const std::string& instruction);
    std::size_t EmitJump(char kind, const std::string& expression);
    void Patch(std::size_t instruction, std::size_t target);
    void PostPass();

    std::string text_;
    std::vector<std::size_t> origin_; // offset in the joined source per char
    std::string joined_;
    std::size_t pos_ = 0;
    int depth_ = 0;
    TrpStrings* code_ = nullptr;
    std::vector<std::size_t> positions_;        // per instruction, statement start
    std::map<std::string, std::size_t> labels_; // label -> instruction
    std::map<std::size_t, std::string> gotos_;  // jump instruction -> label
};

} // namespace report
