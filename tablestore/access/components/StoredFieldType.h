// The framework field type of each stored field type, in both directions.
//
// Reading a table: every stored type code (with its subtype) shows as one
// framework type, or as none (the field is then not visible through the
// dataset). Creating a table: every framework type that has a stored form
// maps back to the code and subtype that read as it again.
//
//   stored code           subtype            framework type
//   1  string                                ftString
//   2  date                                  ftDate
//   3  BLOB               22 / 24 / 26 / 28  ftMemo / ftFmtMemo / ftGraphic /
//                                            ftTypedBinary
//                         any other          ftBlob (created with 23)
//   4  boolean                               ftBoolean
//   5  16-bit integer                        ftSmallint
//   6  32-bit integer     29 (auto-inc)      ftAutoInc
//                         any other          ftInteger
//   7  float              21 (money)         ftCurrency
//                         any other          ftFloat
//   8  BCD                                   ftBCD
//   9  bytes                                 ftBytes
//   10 time                                  ftTime
//   11 timestamp                             ftDateTime
//   12 16-bit unsigned                       ftWord
//   13 32-bit unsigned                       ftInteger (created as 6)
//   15 variable bytes                        ftVarBytes
//   18, 19                                   ftLargeint   (no stored form)
//   20, 21, 22, 23                           ftADT, ftArray, ftReference,
//                                            ftDataSet    (no stored form)
//   0, 14, 16, 17, 24 and above              none
#pragma once

#include "FieldDef.h"

#include <cstdint>

namespace tabula {

// ftUnknown for a stored type that has no framework type.
TFieldType FieldTypeOf(std::uint8_t storedType, std::uint8_t subtype);

struct TStoredFieldType {
    std::uint8_t type = 0; // 0 (kFtNone): the framework type cannot be stored
    std::uint8_t subtype = 0;
};

TStoredFieldType StoredFieldTypeOf(TFieldType type);

} // namespace tabula
