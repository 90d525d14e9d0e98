// Layout of the stored parameter image: the "Data" property in which a
// window definition keeps a query's parameters. All integers little-endian.
//
//   version        u16          kParamImageVersion when written; 0, 1, 2 read
//   count          u16 (v2 u32) number of parameters
//   per parameter:
//     name length  u8  (v2 u32)
//     name         name length characters
//     kind         u8           TParamType
//     data type    u8           kParamType* number below; 0 = unknown
//     value size   u16 (v2 u32) only when data type is not 0
//     value        value size   the engine form of the value (ParamImage.h)
//     null flag    u8           non-zero = Null
//     bound flag   u8           non-zero = bound
//
// Versions 0 and 1 have the same layout; version 2 widens the count, the
// name length and the value size to 32 bits.
//
// The data type numbers are fixed here, independent of the order of the
// TFieldType enumeration, so stored images keep their meaning.
#pragma once

#include "FieldDef.h"

#include <cstddef>
#include <cstdint>

namespace tabula::paramfmt {

inline constexpr std::uint16_t kParamImageVersion = 1; // what is written
inline constexpr std::uint16_t kMaxReadVersion = 2;    // newer images are refused
inline constexpr std::uint16_t kWideVersion = 2;       // 32-bit counts and sizes

inline constexpr std::size_t kVersionWidth = 2;
inline constexpr std::size_t kNarrowCountWidth = 2;      // versions 0, 1
inline constexpr std::size_t kNarrowNameLengthWidth = 1; // versions 0, 1
inline constexpr std::size_t kNarrowValueSizeWidth = 2;  // versions 0, 1
inline constexpr std::size_t kWideWidth = 4;             // version 2: all three
inline constexpr std::size_t kKindWidth = 1;
inline constexpr std::size_t kDataTypeWidth = 1;
inline constexpr std::size_t kFlagWidth = 1; // null flag, bound flag

// The largest value a parameter may store ("cannot save data larger than").
inline constexpr std::size_t kMaxStoredValueSize = 2048;

// A value larger than this is never accepted when reading, whatever the
// version: it bounds what a damaged image can make the reader allocate.
inline constexpr std::size_t kMaxReadValueSize = 65536;

// Framework field type numbers as stored.
inline constexpr std::uint8_t kParamTypeUnknown = 0;
inline constexpr std::uint8_t kParamTypeString = 1;
inline constexpr std::uint8_t kParamTypeSmallint = 2;
inline constexpr std::uint8_t kParamTypeInteger = 3;
inline constexpr std::uint8_t kParamTypeWord = 4;
inline constexpr std::uint8_t kParamTypeBoolean = 5;
inline constexpr std::uint8_t kParamTypeFloat = 6;
inline constexpr std::uint8_t kParamTypeCurrency = 7;
inline constexpr std::uint8_t kParamTypeBCD = 8;
inline constexpr std::uint8_t kParamTypeDate = 9;
inline constexpr std::uint8_t kParamTypeTime = 10;
inline constexpr std::uint8_t kParamTypeDateTime = 11;
inline constexpr std::uint8_t kParamTypeBytes = 12;
inline constexpr std::uint8_t kParamTypeVarBytes = 13;
inline constexpr std::uint8_t kParamTypeAutoInc = 14;
inline constexpr std::uint8_t kParamTypeBlob = 15;
inline constexpr std::uint8_t kParamTypeMemo = 16;
inline constexpr std::uint8_t kParamTypeGraphic = 17;
inline constexpr std::uint8_t kParamTypeFmtMemo = 18;
inline constexpr std::uint8_t kParamTypeTypedBinary = 19;
inline constexpr std::uint8_t kParamTypeLargeint = 20;
inline constexpr std::uint8_t kParamTypeADT = 21;
inline constexpr std::uint8_t kParamTypeArray = 22;
inline constexpr std::uint8_t kParamTypeReference = 23;
inline constexpr std::uint8_t kParamTypeDataSet = 24;
inline constexpr std::uint8_t kParamTypeLast = kParamTypeDataSet;

// The stored number of a field type, and the field type of a stored number
// (ftUnknown for a number above kParamTypeLast; callers check the range).
std::uint8_t StoredTypeNumber(TFieldType type);
TFieldType FieldTypeOfStored(std::uint8_t number);

} // namespace tabula::paramfmt
