// TrpDataDictionary: a report's named values, stored with its template.
//   Variables  name -> value, normally the text of an expression, in file
//              order; names beginning with a blank are category headings.
//   Aliases    a real dataset name or Dataset.Field name -> the alias shown.
//   ThirdList  name -> text; stored and read back, not otherwise used.
// Clear empties the three lists.
#pragma once

#include "TrpVariables.h"

namespace report {

class TrpDataDictionary {
public:
    TrpVariables Variables;
    TrpVariables Aliases;
    TrpVariables ThirdList;

    // Category headings are stored with a leading blank.
    static bool IsCategory(const std::string& name) { return !name.empty() && name[0] == ' '; }
    // Whether name is a variable of the dictionary (not a category).
    bool IsVariable(const std::string& name) const;

    void Clear();

    // The cache of dataset fields resolved from variable and field names,
    // and the resolution of a variable's value, join this class with the
    // expression evaluator.
};

} // namespace report
