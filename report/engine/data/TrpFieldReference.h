// Field references of templates: [Form.[Container.]]Dataset."Field", or a
// bare field name of the current band's default dataset.
//
// Parsing: the text is split at "." outside double quotes. A part that
// begins with a double quote runs to the end of the text, dots and all, and
// is cut at kMaxQuotedPart characters. The double quotes around the field
// (the last part) are removed. By the number of parts:
//   1  field                         (the default dataset)
//   2  dataset, field
//   3  form, dataset, field
//   4  form, container, dataset, field
// More parts, or an empty text, is no reference.
//
// Resolution gives a table-store dataset and a field name, and only when the
// dataset's list of field names holds the name (without regard to case).
// The dataset is found with FindReportComponent and must be a table-store
// dataset itself (a report dataset does not count). Anything that does not
// resolve - no default dataset, a name that finds nothing or fails, a
// component of another class, a field not in the list - is no field, so
// that the caller can go on with its other readings of the name.
#pragma once

#include "TrpComponentLookup.h"
#include "tabula/DataSet.h"

#include <optional>
#include <string>

namespace report {

inline constexpr std::size_t kMaxQuotedPart = 255;

struct TrpFieldReference {
    std::string form;      // empty unless given
    std::string container; // empty unless given
    std::string dataset;   // empty: the default dataset
    std::string field;
    // The component path of the dataset (form, container, dataset joined by ".").
    std::string DatasetPath() const;
};

std::optional<TrpFieldReference> ParseFieldReference(const std::string& text);

// A resolved field: a dataset and a name in its field list.
struct TrpFieldLink {
    tabula::TDataSet* dataset = nullptr;
    std::string fieldName;
};

std::optional<TrpFieldLink> ResolveFieldReference(const TrpLookupContext& context,
                                                  const std::string& text,
                                                  tabula::TDataSet* defaultDataset);

} // namespace report
