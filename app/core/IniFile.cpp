// TIniFile: parsing and case-insensitive lookup of INI files.
#include "IniFile.h"

#include "TrimmedText.h"

#include <fstream>
#include <iterator>

namespace morvane {

namespace {

// Settings lines, names and values lose only spaces and tabs.
std::string Trim(const std::string& s) {
    return std::string(TrimSpacesAndTabs(s));
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    return true;
}

std::string Unquote(const std::string& v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

} // namespace

TIniFile::TIniFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return;
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0 || static_cast<std::size_t>(size) > kMaxFileSize)
        return;
    in.seekg(0, std::ios::beg);
    std::string text(static_cast<std::size_t>(size), '\0');
    if (!in.read(text.data(), size))
        return;
    exists_ = true;
    Parse(text);
}

TIniFile TIniFile::FromText(const std::string& text) {
    TIniFile ini;
    ini.exists_ = true;
    ini.Parse(text);
    return ini;
}

void TIniFile::Parse(const std::string& text) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = Trim(text.substr(pos, end - pos));
        pos = end;
        if (pos < text.size() && text[pos] == '\r')
            ++pos;
        if (pos < text.size() && text[pos] == '\n')
            ++pos;

        if (line.empty() || line[0] == ';')
            continue;
        if (line[0] == '[') {
            const std::size_t close = line.find(']');
            const std::size_t len = close == std::string::npos ? std::string::npos : close - 1;
            sections_.push_back({Trim(line.substr(1, len)), {}});
            continue;
        }
        const std::size_t eq = line.find('=');
        // Keys before the first section belong to none and are never found.
        if (sections_.empty() || eq == std::string::npos)
            continue;
        sections_.back().Keys.emplace_back(Trim(line.substr(0, eq)),
                                           Unquote(Trim(line.substr(eq + 1))));
    }
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue) const {
    // The first section of the name decides: a later section with the same
    // name is never looked at.
    for (const Section& s : sections_) {
        if (!EqualNoCase(s.Name, section))
            continue;
        for (const auto& [k, v] : s.Keys)
            if (EqualNoCase(k, key))
                return v;
        return defaultValue;
    }
    return defaultValue;
}

} // namespace morvane
