// TrpPageList: reading the page list text.
#include "TrpPageList.h"

#include "TrpDataErrors.h"

#include <algorithm>
#include <charconv>

namespace report {

namespace {

constexpr char kRangeMark = '-';
constexpr char kItemSeparator = ',';

} // namespace

// Decimal digits with an optional leading "+"; anything else, an empty text
// or a value beyond int fails with the conversion message.
int ReadWholeNumber(const std::string& text) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (begin != end && *begin == '+')
        ++begin;
    int value = 0;
    const auto [stop, error] = std::from_chars(begin, end, value);
    if (begin == end || *begin == '-' || error != std::errc() || stop != end)
        throw EConvertError("'" + text + "' is not a valid integer value");
    return value;
}

TrpPageList::TrpPageList(const std::string& text, std::size_t pageCount)
    : selected_(pageCount, false) {
    std::string list;
    std::copy_if(text.begin(), text.end(), std::back_inserter(list),
                 [](char c) { return c != ' '; });
    if (list.empty())
        return;
    if (list.back() == kRangeMark)
        list += std::to_string(pageCount);
    list += kItemSeparator;

    bool inRange = false;
    long long rangeStart = 0;
    std::string digits;
    for (char c : list) {
        if (c == kRangeMark) {
            rangeStart = ReadWholeNumber(digits);
            inRange = true;
            digits.clear();
        } else if (c == kItemSeparator) {
            const long long n = ReadWholeNumber(digits);
            SelectRange(inRange ? rangeStart : n, n);
            inRange = false;
            digits.clear();
        } else {
            digits += c;
        }
    }
}

void TrpPageList::SelectRange(long long first, long long last) {
    if (last < first)
        return;
    all_ = false;
    const long long count = static_cast<long long>(selected_.size());
    for (long long page = std::max(first, 1LL); page <= std::min(last, count); ++page)
        selected_[static_cast<std::size_t>(page - 1)] = true;
}

bool TrpPageList::Contains(std::size_t pageNumber) const {
    if (all_)
        return true;
    return pageNumber >= 1 && pageNumber <= selected_.size() && selected_[pageNumber - 1];
}

} // namespace report
