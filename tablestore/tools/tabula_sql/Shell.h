// TShell: runs the statements of one tabula-sql session against the tables
// of one directory.
//
// An SQL statement runs through the query component: a SELECT is opened as
// a dataset and its records are printed in the session's output mode, any
// other statement is executed. Meta-commands go to MetaCommands.h. Every
// failure prints its message (the engine's exact message for engine errors)
// on the error stream and counts; the session goes on with the next
// statement. .quit ends the session.
#pragma once

#include "OutputMode.h"

#include <iosfwd>
#include <string>

namespace tabula::shell {

class TShell {
public:
    TShell(std::string directory, TOutputMode mode, std::ostream& out, std::ostream& err);

    // Runs one statement or meta-command; false when it failed.
    bool Run(const std::string& statement);
    bool QuitRequested() const { return quit_; }
    int Failures() const { return failures_; }

    const std::string& Directory() const { return directory_; }
    // The path of a table of the directory.
    std::string TablePath(const std::string& table) const;
    TOutputMode Mode() const { return mode_; }
    std::ostream& Out() { return out_; }
    void RequestQuit() { quit_ = true; }

private:
    void RunSql(const std::string& statement);

    std::string directory_;
    TOutputMode mode_;
    std::ostream& out_;
    std::ostream& err_;
    int failures_ = 0;
    bool quit_ = false;
};

// Whether the statement's first word is SELECT (the statements that yield
// records).
bool IsSelect(const std::string& statement);

} // namespace tabula::shell
