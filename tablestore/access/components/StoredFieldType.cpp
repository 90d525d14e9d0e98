// The two directions of the stored-type / framework-type map.
#include "StoredFieldType.h"

#include "DataFileFormat.h"

namespace tabula {

namespace {

using namespace datafmt;

TFieldType BlobFieldType(std::uint8_t subtype) {
    switch (subtype) {
    case kMemoSubtype:
        return TFieldType::ftMemo;
    case kFmtMemoSubtype:
        return TFieldType::ftFmtMemo;
    case kGraphicSubtype:
        return TFieldType::ftGraphic;
    case kTypedBinarySubtype:
        return TFieldType::ftTypedBinary;
    default:
        return TFieldType::ftBlob;
    }
}

} // namespace

TFieldType FieldTypeOf(std::uint8_t storedType, std::uint8_t subtype) {
    switch (storedType) {
    case kFtString:
        return TFieldType::ftString;
    case kFtDate:
        return TFieldType::ftDate;
    case kFtBlob:
        return BlobFieldType(subtype);
    case kFtBoolean:
        return TFieldType::ftBoolean;
    case kFtInt16:
        return TFieldType::ftSmallint;
    case kFtInt32:
        return subtype == kAutoIncSubtype ? TFieldType::ftAutoInc : TFieldType::ftInteger;
    case kFtFloat:
        return subtype == kMoneySubtype ? TFieldType::ftCurrency : TFieldType::ftFloat;
    case kFtBcd:
        return TFieldType::ftBCD;
    case kFtBytes:
        return TFieldType::ftBytes;
    case kFtTime:
        return TFieldType::ftTime;
    case kFtTimestamp:
        return TFieldType::ftDateTime;
    case kFtUInt16:
        return TFieldType::ftWord;
    case kFtUInt32:
        return TFieldType::ftInteger;
    case kFtVarBytes:
        return TFieldType::ftVarBytes;
    case kFtLargeint:
    case kFtLargeintOther:
        return TFieldType::ftLargeint;
    case kFtAdt:
        return TFieldType::ftADT;
    case kFtArray:
        return TFieldType::ftArray;
    case kFtReference:
        return TFieldType::ftReference;
    case kFtDataSet:
        return TFieldType::ftDataSet;
    default:
        return TFieldType::ftUnknown;
    }
}

TStoredFieldType StoredFieldTypeOf(TFieldType type) {
    switch (type) {
    case TFieldType::ftString:
        return {kFtString, 0};
    case TFieldType::ftDate:
        return {kFtDate, 0};
    case TFieldType::ftBlob:
        return {kFtBlob, kBlobSubtype};
    case TFieldType::ftMemo:
        return {kFtBlob, kMemoSubtype};
    case TFieldType::ftFmtMemo:
        return {kFtBlob, kFmtMemoSubtype};
    case TFieldType::ftGraphic:
        return {kFtBlob, kGraphicSubtype};
    case TFieldType::ftTypedBinary:
        return {kFtBlob, kTypedBinarySubtype};
    case TFieldType::ftBoolean:
        return {kFtBoolean, 0};
    case TFieldType::ftSmallint:
        return {kFtInt16, 0};
    case TFieldType::ftInteger:
        return {kFtInt32, 0};
    case TFieldType::ftAutoInc:
        return {kFtInt32, kAutoIncSubtype};
    case TFieldType::ftFloat:
        return {kFtFloat, 0};
    case TFieldType::ftCurrency:
        return {kFtFloat, kMoneySubtype};
    case TFieldType::ftBCD:
        return {kFtBcd, 0};
    case TFieldType::ftBytes:
        return {kFtBytes, 0};
    case TFieldType::ftTime:
        return {kFtTime, 0};
    case TFieldType::ftDateTime:
        return {kFtTimestamp, 0};
    case TFieldType::ftWord:
        return {kFtUInt16, 0};
    case TFieldType::ftVarBytes:
        return {kFtVarBytes, 0};
    default:
        return {kFtNone, 0};
    }
}

} // namespace tabula
