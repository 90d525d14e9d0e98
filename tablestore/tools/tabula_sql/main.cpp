// tabula-sql: the interactive shell of the table store (see Shell.h for
// what runs, ShellOptions.h for the command line).
//
// Exit status: 0 when every statement succeeded, 1 when any failed, 2 for
// a usage error or a DIR that is not a readable directory.
#include "Shell.h"
#include "ShellOptions.h"
#include "StatementReader.h"
#include "tabula/FreedMemory.h"
#include "tabula/TabulaSession.h"
#include "tabula/TabulaSessionList.h"

#include <filesystem>
#include <iostream>
#include <unistd.h>

namespace {

using namespace tabula::shell;

bool UsableDirectory(const std::string& directory) {
    std::error_code error;
    return std::filesystem::is_directory(directory, error) &&
           ::access(directory.c_str(), R_OK | X_OK) == 0;
}

void RunInput(TShell& shell) {
    const bool terminal = ::isatty(STDIN_FILENO) != 0;
    std::unique_ptr<TLineSource> lines = terminal ? TerminalLines() : StreamLines(std::cin);
    TStatementReader reader(*lines);
    while (!shell.QuitRequested()) {
        const auto statement = reader.Next();
        if (!statement)
            break;
        shell.Run(*statement);
    }
}

} // namespace

int main(int argc, char** argv) {
    tabula::KeepFreedMemory();
    std::string error;
    const auto options = ParseShellOptions(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        std::cerr << "tabula-sql: " << error << '\n' << kShellUsage << '\n';
        return 2;
    }
    if (!UsableDirectory(options->Directory)) {
        std::cerr << "tabula-sql: " << options->Directory << " is not a usable directory\n";
        return 2;
    }
    tabula::TTabulaSession& session = tabula::DefaultSession();
    session.SetActive(true);
    if (options->Password)
        session.AddTablePassword(*options->Password);
    TShell shell(options->Directory, options->Mode, std::cout, std::cerr);
    if (options->Statements.empty()) {
        RunInput(shell);
    } else {
        for (const std::string& statement : options->Statements) {
            shell.Run(statement);
            if (shell.QuitRequested())
                break;
        }
    }
    session.SetActive(false);
    return shell.Failures() > 0 ? 1 : 0;
}
