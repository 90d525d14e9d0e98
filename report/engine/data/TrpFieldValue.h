// A table field's value as the report engine computes with it.
//
//   1. A field of a closed dataset: the dataset is opened first.
//   2. A field with a get-text handler, or a 64-bit integer field: its
//      display text (so the handler's text, or the whole number as text,
//      reaches the report).
//   3. Otherwise the field's variant value, where Null becomes
//        0      for smallint, integer, word, float, currency, date and
//               date-time fields,
//        ""     for string fields,
//        false  for boolean fields,
//      and stays Null for every other type (time, BCD, auto-increment,
//      bytes, BLOBs).
#pragma once

#include "TrpFieldReference.h"
#include "TrpValue.h"
#include "tabula/Field.h"

namespace report {

TrpValue FieldValue(tabula::TField& field);

// The value of a resolved field (opening its dataset first); Null when the
// field is no longer there.
TrpValue FieldValue(const TrpFieldLink& link);

} // namespace report
