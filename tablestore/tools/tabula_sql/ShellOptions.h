// The command line of tabula-sql:
//   tabula-sql [--box | --csv | --json] [--password PW] DIR [STATEMENT...]
// Options come before DIR; the last output mode given wins. "--" ends the
// options. Anything else starting with "-" is a usage error.
#pragma once

#include "OutputMode.h"

#include <optional>
#include <string>
#include <vector>

namespace tabula::shell {

struct TShellOptions {
    TOutputMode Mode = TOutputMode::Box;
    std::optional<std::string> Password;
    std::string Directory;
    std::vector<std::string> Statements;
};

// The options, or nullopt after writing the reason to error for a usage
// error.
std::optional<TShellOptions> ParseShellOptions(const std::vector<std::string>& args,
                                               std::string& error);

inline constexpr const char* kShellUsage =
    "usage: tabula-sql [--box | --csv | --json] [--password PW] DIR [STATEMENT...]";

} // namespace tabula::shell
