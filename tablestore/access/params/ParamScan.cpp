// The parameter scan and rewrite of a query's statement text.
#include "ParamScan.h"

namespace tabula {

namespace {

bool IsNameChar(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           (c >= 129 && c <= 254);
}

bool IsQuote(char c) {
    return c == '\'' || c == '"';
}

// Removes one leading and one trailing quote of each kind.
std::string Unquote(std::string name) {
    for (char q : {'"', '\''}) {
        if (!name.empty() && name.front() == q)
            name.erase(0, 1);
        if (!name.empty() && name.back() == q)
            name.pop_back();
    }
    return name;
}

} // namespace

TParamScan ScanQueryParams(const std::string& text) {
    TParamScan scan;
    scan.text.reserve(text.size());
    bool quoted = false;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (IsQuote(c)) {
            quoted = !quoted;
            scan.text += c;
            ++i;
            continue;
        }
        if (quoted || c != ':') {
            scan.text += c;
            ++i;
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == ':') {
            scan.text += ':';
            i += 2;
            continue;
        }
        // A parameter name, possibly quoted.
        std::size_t end = i + 1;
        bool nameQuoted = false;
        while (end < text.size()) {
            const char n = text[end];
            if (IsQuote(n))
                nameQuoted = !nameQuoted;
            else if (!nameQuoted && !IsNameChar(static_cast<unsigned char>(n)))
                break;
            ++end;
        }
        const std::string name = Unquote(text.substr(i + 1, end - i - 1));
        if (name.empty()) {
            scan.text += c;
            ++i;
            continue;
        }
        scan.names.push_back(name);
        scan.text += '?';
        i = end;
    }
    return scan;
}

} // namespace tabula
