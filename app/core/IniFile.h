// TIniFile: a read-only view of a Windows-style INI file, with the lookup
// rules of the private-profile reader that the settings files were written
// for.
//
// Format (bytes, no character-set conversion):
//   - lines end at CR LF, LF or CR;
//   - "[name]" starts a section; the name is trimmed of spaces and tabs;
//   - "key=value" inside a section; key and value are trimmed of spaces and
//     tabs, and a value enclosed in one matching pair of single or double
//     quotes loses the quotes;
//   - lines starting with ";" are comments; other lines without "=" are
//     ignored.
// Lookup: section and key names match without regard to ASCII case; the
// first section of a name and the first key of a name inside it win. A
// missing file, section or key reads as the default text.
//
// The file is read once, when the object is made; the object is immutable
// afterwards.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace morvane {

class TIniFile {
public:
    // Files larger than this are not settings files; they read as empty.
    static constexpr std::size_t kMaxFileSize = 1 << 20;

    explicit TIniFile(const std::string& path);

    // True when the file could be opened and read.
    bool Exists() const { return exists_; }

    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& defaultValue = std::string()) const;

    // Parses INI text; used by the constructor and by tests of the format.
    static TIniFile FromText(const std::string& text);

private:
    TIniFile() = default;
    void Parse(const std::string& text);

    struct Section {
        std::string Name;
        std::vector<std::pair<std::string, std::string>> Keys; // key, value in file order
    };
    std::vector<Section> sections_; // in file order
    bool exists_ = false;
};

} // namespace morvane
