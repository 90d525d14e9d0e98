// TrpBlobBinding: the link of a report object (a text or a picture) to a
// BLOB field, made when a page is prepared and read each time the object
// is printed.
//
// Binding: an object whose first memo line begins with "[" names the text
// between the first "[" and the last "]". That name binds when it is a
// dictionary variable standing for a dataset field (the caller's variable
// resolver; it may be empty), or else a field reference that resolves
// against the current band's default dataset. The binding remembers the
// dataset (through a data source, so that a dataset destroyed meanwhile
// leaves it unbound) and the field name.
//
// Fetching: when the remembered field exists and is of a BLOB type
// (binary, memo, graphic, formatted memo, typed binary), its content is
// read through the dataset's BLOB stream. The object model decides what
// the bytes become (a text object's evaluated text, a picture decoded by
// its BLOB type, a Null field clearing the picture); without a BLOB field
// the object prints as it would unbound.
#pragma once

#include "TrpFieldReference.h"
#include "tabula/DataSource.h"
#include "tabula/Field.h"

#include <functional>
#include <optional>
#include <string>

namespace report {

// The content of a BLOB field of the current record.
struct TrpBlobContent {
    bool isNull = true;
    std::string bytes; // empty when Null
};

// Reads a BLOB field's content through the dataset framework's BLOB stream.
TrpBlobContent ReadBlobField(tabula::TField& field);

class TrpBlobBinding {
public:
    // A dictionary variable standing for a dataset field, if the name is one.
    using TVariableResolver = std::function<std::optional<TrpFieldLink>(const std::string& name)>;

    // The name between the first "[" and the last "]" of a first memo line
    // that begins with "["; empty when there is none.
    static std::string BoundName(const std::string& firstMemoLine);

    // Binds (or unbinds) after the object's first memo line; answers
    // whether it is bound.
    bool Bind(const std::string& firstMemoLine, const TrpLookupContext& context,
              tabula::TDataSet* defaultDataset, const TVariableResolver& variables = {});
    void Unbind();
    bool Bound() const { return source_.DataSet() != nullptr; }
    const std::string& FieldName() const { return fieldName_; }

    // The BLOB content of the bound field of the current record; nullopt
    // when unbound or when the field is absent or not a BLOB.
    std::optional<TrpBlobContent> Fetch() const;

private:
    tabula::TDataSource source_;
    std::string fieldName_;
};

} // namespace report
