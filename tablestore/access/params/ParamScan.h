// The parameter scan of a query's statement text: finds the named
// parameters and rewrites the text into the form the statement reads, where
// every parameter is a "?" marker.
//
// The text is walked character by character:
//   - a single or a double quote toggles one quoted state; nothing inside
//     quotes is changed;
//   - outside quotes, "::" stands for a literal ":" and becomes one ":";
//   - outside quotes, ":" followed by a name starts a parameter. The name
//     runs to the first character that is neither a letter, a digit, "_"
//     nor a byte from 129 to 254 while no quote of the name is open, so a
//     name may be quoted (":'Order Date'"); one leading and one trailing
//     quote of each kind are removed from it. The colon and the name become
//     "?". A ":" that no name follows stays as it is and names nothing.
#pragma once

#include <string>
#include <vector>

namespace tabula {

struct TParamScan {
    std::string text;               // the rewritten text
    std::vector<std::string> names; // the parameters in order of appearance
};

TParamScan ScanQueryParams(const std::string& text);

} // namespace tabula
