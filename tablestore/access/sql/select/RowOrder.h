// TRowOrder: the order of the answer table's OrderBy index, for rows that
// are sorted before they are written (an ORDER BY item that is no result
// column, or a key the index could not hold).
//
// Each row's ORDER BY values are written into a scratch record image whose
// fields are the items' own (the answer table's field for a result column,
// the source table's field for any other item), laid out as a table's
// record is and normalised as a table stores them (texts cut to their
// field and without trailing blanks, an empty text null). The key of that
// image is built by the engine's key builder as the OrderBy index builds
// its keys: each item with its direction, texts upper-cased with NOCASE and
// compared by the answer table's locale collation, a null as the index
// keys it, and the row's production number as the uniqueness suffix, so
// equal values keep the order the rows were produced in. The keys are
// sorted by the index's comparer (TKeySorter), so both ways to an ordered
// result give one order.
//
// States: gathering (Add, one row after the other in production order)
// --Order--> the permutation; further Adds extend it.
#pragma once

#include "FieldDescriptor.h"
#include "KeyBuilder.h"
#include "KeyComparer.h"
#include "KeySorter.h"
#include "LocaleCollator.h"
#include "SqlValue.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace tabula {

class TRowOrder {
public:
    // fields[i] is the field ORDER BY item i would have in the answer
    // table, descending[i] its direction; localeId the answer table's
    // locale (0: none, texts in byte order).
    TRowOrder(const std::vector<TFieldDescriptor>& fields, const std::vector<bool>& descending,
              bool caseInsensitive, std::uint32_t localeId);
    TRowOrder(const TRowOrder&) = delete;
    TRowOrder& operator=(const TRowOrder&) = delete;

    // The ORDER BY values of the next row, one per item.
    void Add(const std::vector<TSqlValue>& values);
    // The rows' production numbers (from 0) in the index's order.
    std::vector<std::size_t> Order() const;

private:
    std::vector<TFieldDescriptor> fields_; // laid out in image_, numbered from 1
    std::vector<std::uint8_t> image_;
    std::unique_ptr<TLocaleCollator> locale_;
    TKeyBuilder builder_;
    TKeyComparer comparer_;
    TKeySorter sorter_;
    std::vector<std::uint8_t> key_;
    std::int32_t rows_ = 0;
};

} // namespace tabula
