// TIndexDef and TIndexDefs: the indexes of a table as the dataset sees them,
// and the ";"-separated field lists that name their key fields.
//
// A definition names the index (empty for the primary index), lists its key
// fields in key order and carries its three flags. Field lists are compared
// without regard to case or to blanks around the names.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace tabula {

// One index of a table as the dataset sees it.
struct TIndexDef {
    std::string Name;   // empty for the primary index
    std::string Fields; // ";"-separated field names, in key order
    bool CaseInsensitive = false;
    bool Unique = false;
    bool Descending = false;
};

class TIndexDefs {
public:
    void Clear() { defs_.clear(); }
    void Add(TIndexDef def) { defs_.push_back(std::move(def)); }
    int Count() const { return static_cast<int>(defs_.size()); }
    const TIndexDef& operator[](int i) const { return defs_.at(static_cast<std::size_t>(i)); }
    const std::vector<TIndexDef>& Items() const { return defs_; }
    // The first index whose fields are exactly these (";"-separated, ignoring
    // case and blanks around names), or null.
    const TIndexDef* FindByFields(const std::string& fields) const;
    bool Updated() const { return updated_; }
    void SetUpdated(bool updated) { updated_ = updated; }

private:
    std::vector<TIndexDef> defs_;
    bool updated_ = false;
};

// The names of a ";"-separated list, spaces and tabs around each removed,
// in upper case; empty items are dropped.
std::vector<std::string> SplitFieldNames(const std::string& text);

} // namespace tabula
