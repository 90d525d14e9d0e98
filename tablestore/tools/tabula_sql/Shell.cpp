// Running statements and reporting their failures (see Shell.h).
#include "Shell.h"

#include "MetaCommands.h"
#include "StatementReader.h"
#include "tabula/TabulaQuery.h"

#include <cctype>
#include <filesystem>
#include <ostream>

namespace tabula::shell {

bool IsSelect(const std::string& statement) {
    std::size_t i = 0;
    while (i < statement.size() && std::isspace(static_cast<unsigned char>(statement[i])))
        ++i;
    static constexpr char kSelect[] = "SELECT";
    for (std::size_t k = 0; k < sizeof kSelect - 1; ++k, ++i)
        if (i >= statement.size() ||
            std::toupper(static_cast<unsigned char>(statement[i])) != kSelect[k])
            return false;
    return i == statement.size() || !std::isalnum(static_cast<unsigned char>(statement[i]));
}

TShell::TShell(std::string directory, TOutputMode mode, std::ostream& out, std::ostream& err)
    : directory_(std::move(directory)), mode_(mode), out_(out), err_(err) {
    // The engine reads a database name that is not a full path as an alias,
    // so a directory given relative to the working directory is made whole.
    std::error_code error;
    const std::filesystem::path whole = std::filesystem::absolute(directory_, error);
    if (!error)
        directory_ = whole.lexically_normal().string();
    if (directory_.size() > 1 && directory_.back() == '/')
        directory_.pop_back();
}

std::string TShell::TablePath(const std::string& table) const {
    return directory_ + "/" + table;
}

bool TShell::Run(const std::string& statement) {
    try {
        if (IsMetaCommand(statement))
            RunMetaCommand(*this, statement);
        else
            RunSql(statement);
        out_.flush();
        return true;
    } catch (const std::exception& e) {
        out_.flush();
        err_ << e.what() << '\n';
        err_.flush();
        ++failures_;
        return false;
    }
}

void TShell::RunSql(const std::string& statement) {
    TTabulaQuery query;
    query.SetDatabaseName(directory_);
    query.SetSQL({statement});
    if (!IsSelect(statement)) {
        query.Execute();
        return;
    }
    query.Open();
    WriteResult(out_, query, mode_);
    query.Close();
}

} // namespace tabula::shell
