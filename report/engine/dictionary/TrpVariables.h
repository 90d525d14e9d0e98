// TrpVariables: an ordered list of names, each with one report value.
// Names compare without regard to ASCII case.
//
// Modes: unsorted (the default) keeps insertion order and Set appends a new
// name at the end; sorted keeps the list ordered by name (ignoring case) at
// all times, and a name already present is never added a second time
// (switching a list to sorted drops later duplicates). Out-of-range indexes
// are answered softly: Value gives 0, Name the empty text, and SetValue,
// Rename and Delete do nothing.
#pragma once

#include "TrpValue.h"

#include <string>
#include <vector>

namespace report {

struct TVariable {
    std::string name;
    TrpValue value;
};

class TrpVariables {
public:
    explicit TrpVariables(bool sorted = false) : sorted_(sorted) {}

    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted);

    // Adds name (at the end, or in name order when sorted) or replaces its value.
    void Set(const std::string& name, const TrpValue& value);
    // The value of name; Null if absent.
    TrpValue Get(const std::string& name) const;
    // The value at index; 0 when out of range.
    TrpValue Value(int index) const;
    void SetValue(int index, const TrpValue& value);
    // The index of name, or -1.
    int IndexOf(const std::string& name) const;
    int Count() const { return static_cast<int>(items_.size()); }
    // The name at index; empty when out of range.
    std::string Name(int index) const;
    // Renames the entry at index; in sorted mode it moves to its place, and
    // a name another entry already has is refused.
    void Rename(int index, const std::string& name);
    void Delete(int index);
    void Clear() { items_.clear(); }

private:
    bool InRange(int index) const { return index >= 0 && index < Count(); }
    // Sorted mode: the first position whose name is not below name.
    std::size_t LowerBound(const std::string& name) const;

    bool sorted_;
    std::vector<TVariable> items_;
};

} // namespace report
