// TrpPageList: the page list typed into the print dialog ("1,3,5-12",
// "7-") turned into the set of pages to print.
//
// Grammar after every space is removed: items separated by ",", each a
// whole number n or a range a-b; a trailing "-" runs to the last page.
// A range whose end is below its start selects nothing; numbers beyond the
// last page select nothing; an empty text, or a list that selects no
// number at all, means every page. Pages always print in document order,
// each at most once per pass, whatever the order and repetitions in the
// list.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace report {

// The conversion failure of a number field: "'<text>' is not a valid
// integer value" (EConvertError).
int ReadWholeNumber(const std::string& text);

class TrpPageList {
public:
    // Throws EConvertError for an item that is not a whole number (also an
    // empty one, as in "-3" or "1,,2") before anything is selected.
    TrpPageList(const std::string& text, std::size_t pageCount);

    // True when page number (1-based) is to be printed.
    bool Contains(std::size_t pageNumber) const;
    bool AllPages() const { return all_; }

private:
    void SelectRange(long long first, long long last);

    bool all_ = true;
    std::vector<bool> selected_;
};

} // namespace report
