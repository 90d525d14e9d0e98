// TrpPropertyList: the declared properties of one report object. Each entry
// (TrpPropRec) has a name of at most kMaxPropertyName characters and a kind
// word of TrpPropKind bits; enumerations carry their item names and values.
// Names are unique in a list without regard to ASCII case, and look-up
// ignores case too: declaring a name again replaces the earlier entry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace report {

// Kind bits of a property entry; 0 marks a property reachable by name only.
enum TrpPropKind : std::uint16_t {
    kPropString = 1,
    kPropInteger = 2,
    kPropReal = 4,
    kPropBoolean = 8,
    kPropColor = 16,
    kPropEnum = 32,
    kPropEditor = 64,
    kPropPixelSize = 128,
    // "Name", "Memo" and "Tag" carry this bit besides their own kind.
    kPropText = 256,
};

inline constexpr std::size_t kMaxPropertyName = 32;

struct TrpPropRec {
    std::string name;
    std::uint16_t kind = 0;
    std::vector<std::string> enumNames;
    std::vector<std::int32_t> enumValues;
};

class TrpPropertyList {
public:
    // Adds an entry, or replaces the entry of the same name. Names longer
    // than kMaxPropertyName are cut.
    void Add(const std::string& name, std::uint16_t kind);
    void AddEnum(const std::string& name, std::vector<std::string> names,
                 std::vector<std::int32_t> values);
    // Removes the entry of that name, if any.
    void Remove(const std::string& name);
    // The entry of that name (case-insensitive), or null.
    const TrpPropRec* Find(const std::string& name) const;
    const std::vector<TrpPropRec>& Entries() const { return entries_; }

private:
    TrpPropRec& Slot(const std::string& name);
    std::vector<TrpPropRec> entries_;
};

} // namespace report
