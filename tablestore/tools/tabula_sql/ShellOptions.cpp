// Reading the command line (see ShellOptions.h).
#include "ShellOptions.h"

namespace tabula::shell {

std::optional<TShellOptions> ParseShellOptions(const std::vector<std::string>& args,
                                               std::string& error) {
    TShellOptions options;
    std::size_t i = 0;
    for (; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--box") {
            options.Mode = TOutputMode::Box;
        } else if (arg == "--csv") {
            options.Mode = TOutputMode::Csv;
        } else if (arg == "--json") {
            options.Mode = TOutputMode::Json;
        } else if (arg == "--password") {
            if (++i == args.size()) {
                error = "--password needs a value";
                return std::nullopt;
            }
            options.Password = args[i];
        } else if (arg == "--") {
            ++i;
            break;
        } else if (!arg.empty() && arg[0] == '-') {
            error = "unknown option " + arg;
            return std::nullopt;
        } else {
            break;
        }
    }
    if (i == args.size()) {
        error = "DIR is missing";
        return std::nullopt;
    }
    options.Directory = args[i++];
    options.Statements.assign(args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
    return options;
}

} // namespace tabula::shell
