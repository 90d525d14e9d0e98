// TFieldType, TFieldDef and TFieldDefs: the dataset framework's description
// of a dataset's fields, independent of any field object.
//
// A definition names a field, gives its 1-based field number in the record,
// its framework type, its size (the declared size of strings and byte
// fields, the number of decimals of BCD fields, 0 otherwise) and whether it
// is required. TFieldDefs keeps them in field-number order; names are found
// without regard to case.
#pragma once

#include <string>
#include <vector>

namespace tabula {

enum class TFieldType {
    ftUnknown,
    ftString,
    ftSmallint,
    ftInteger,
    ftWord,
    ftBoolean,
    ftFloat,
    ftCurrency,
    ftBCD,
    ftDate,
    ftTime,
    ftDateTime,
    ftBytes,
    ftVarBytes,
    ftAutoInc,
    ftBlob,
    ftMemo,
    ftGraphic,
    ftFmtMemo,
    ftTypedBinary,
    ftLargeint,
    ftADT,
    ftArray,
    ftReference,
    ftDataSet,
};

// Whether values of the type live in a BLOB rather than in the record.
bool IsBlobType(TFieldType type);

struct TFieldDef {
    std::string Name;
    int FieldNo = 0;
    TFieldType DataType = TFieldType::ftUnknown;
    int Size = 0;
    int Precision = 0;
    bool Required = false;
    bool InternalCalcField = false;
};

class TFieldDefs {
public:
    TFieldDef& Add(const std::string& name, TFieldType type, int size = 0, bool required = false);
    void Clear() { defs_.clear(); }
    int Count() const { return static_cast<int>(defs_.size()); }
    const TFieldDef& operator[](int i) const { return defs_.at(static_cast<std::size_t>(i)); }
    // −1 when absent.
    int IndexOf(const std::string& name) const;
    // "Field definition '%s' not found" when absent.
    const TFieldDef& Find(const std::string& name) const;
    const std::vector<TFieldDef>& Items() const { return defs_; }

    // Whether the definitions must be read again before use (the table
    // behind them may have changed).
    bool Updated() const { return updated_; }
    void SetUpdated(bool updated) { updated_ = updated; }

private:
    std::vector<TFieldDef> defs_;
    bool updated_ = false;
};

} // namespace tabula
