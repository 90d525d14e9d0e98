// The field classes per type, and CreateField, which makes the field object
// for a field definition.
//
//   TStringField     ftString: the text cut to the declared size
//   TIntegerField    ftInteger, and its range-checked kin TSmallintField
//                    (ftSmallint), TWordField (ftWord), TAutoIncField
//                    (ftAutoInc), TLargeintField (ftLargeint)
//   TFloatField      ftFloat; TCurrencyField ftCurrency
//   TBCDField        ftBCD: a currency value, size = decimals
//   TBooleanField    ftBoolean: "True" / "False"
//   TDateField, TTimeField, TDateTimeField
//                    ftDate, ftTime, ftDateTime: the short date format and
//                    the long time format of the process-wide settings
//   TBytesField      ftBytes, ftVarBytes: the bytes as they are
//   TBlobField       ftBlob and the other BLOB types (TMemoField for ftMemo):
//                    the content as text, through the dataset's BLOB stream
#pragma once

#include "Field.h"

#include <memory>

namespace tabula {

class TStringField : public TField {
public:
    explicit TStringField(int size) : TField(TFieldType::ftString, size) {}
    int DataSize() const override { return Size() + 1; }

protected:
    TVariant ValueOfData(const void* data) const override;
    void DataOfValue(const TVariant& value, void* data) const override;
    TVariant ParseText(const std::string& text) const override { return text; }
    bool IsTextual() const override { return true; }
};

class TIntegerField : public TField {
public:
    TIntegerField() : TIntegerField(TFieldType::ftInteger, INT32_MIN, INT32_MAX, 4) {}
    int DataSize() const override { return bytes_; }
    std::int64_t MinValue() const { return min_; }
    std::int64_t MaxValue() const { return max_; }

protected:
    TIntegerField(TFieldType type, std::int64_t min, std::int64_t max, int bytes)
        : TField(type, 0), min_(min), max_(max), bytes_(bytes) {}
    TVariant ValueOfData(const void* data) const override;
    void DataOfValue(const TVariant& value, void* data) const override;
    std::string FormatText(const TVariant& value) const override;
    TVariant ParseText(const std::string& text) const override;

private:
    std::int64_t min_;
    std::int64_t max_;
    int bytes_;
};

class TSmallintField : public TIntegerField {
public:
    TSmallintField() : TIntegerField(TFieldType::ftSmallint, INT16_MIN, INT16_MAX, 2) {}
};

class TWordField : public TIntegerField {
public:
    TWordField() : TIntegerField(TFieldType::ftWord, 0, UINT16_MAX, 2) {}
};

class TAutoIncField : public TIntegerField {
public:
    TAutoIncField() : TIntegerField(TFieldType::ftAutoInc, INT32_MIN, INT32_MAX, 4) {}
};

class TLargeintField : public TIntegerField {
public:
    TLargeintField() : TIntegerField(TFieldType::ftLargeint, INT64_MIN, INT64_MAX, 8) {}
};

class TFloatField : public TField {
public:
    TFloatField() : TField(TFieldType::ftFloat, 0) {}
    int DataSize() const override { return 8; }

protected:
    explicit TFloatField(TFieldType type) : TField(type, 0) {}
    TVariant ValueOfData(const void* data) const override;
    void DataOfValue(const TVariant& value, void* data) const override;
    std::string FormatText(const TVariant& value) const override;
    TVariant ParseText(const std::string& text) const override;
};

class TCurrencyField : public TFloatField {
public:
    TCurrencyField() : TFloatField(TFieldType::ftCurrency) {}
};

class TBCDField : public TField {
public:
    explicit TBCDField(int decimals) : TField(TFieldType::ftBCD, decimals) {}
    int DataSize() const override { return 8; }

protected:
    TVariant ValueOfData(const void* data) const override;
    void DataOfValue(const TVariant& value, void* data) const override;
    std::string FormatText(const TVariant& value) const override;
    TVariant ParseText(const std::string& text) const override;
};

class TBooleanField : public TField {
public:
    TBooleanField() : TField(TFieldType::ftBoolean, 0) {}
    int DataSize() const override { return 2; }

protected:
    TVariant ValueOfData(const void* data) const override;
    void DataOfValue(const TVariant& value, void* data) const override;
    std::string FormatText(const TVariant& value) const override;
    TVariant ParseText(const std::string& text) const override;
};

// Base of the date, time and date-time fields.
class TDateTimeField : public TField {
public:
    TDateTimeField() : TField(TFieldType::ftDateTime, 0) {}
    int DataSize() const override { return DataType() == TFieldType::ftDateTime ? 8 : 4; }

protected:
    explicit TDateTimeField(TFieldType type) : TField(type, 0) {}
    TVariant ValueOfData(const void* data) const override;
    void DataOfValue(const TVariant& value, void* data) const override;
    std::string FormatText(const TVariant& value) const override;
    TVariant ParseText(const std::string& text) const override;
};

class TDateField : public TDateTimeField {
public:
    TDateField() : TDateTimeField(TFieldType::ftDate) {}
};

class TTimeField : public TDateTimeField {
public:
    TTimeField() : TDateTimeField(TFieldType::ftTime) {}
};

class TBytesField : public TField {
public:
    explicit TBytesField(int size, TFieldType type = TFieldType::ftBytes) : TField(type, size) {}
    int DataSize() const override { return Size(); }

protected:
    TVariant ValueOfData(const void* data) const override;
    void DataOfValue(const TVariant& value, void* data) const override;
    TVariant ParseText(const std::string& text) const override { return text; }
    bool IsTextual() const override { return true; }
};

class TBlobField : public TField {
public:
    explicit TBlobField(TFieldType type = TFieldType::ftBlob) : TField(type, 0) {}
    int DataSize() const override { return 0; }
    // The whole content as text; Null when the field has no value.
    TVariant AsVariant() const override;
    // Replaces the content (Null or the empty text empties it).
    void SetAsVariant(const TVariant& value) override;
    // Copies the content into a stream / replaces it from a stream.
    void SaveToStream(TStream& stream) const;
    void LoadFromStream(TStream& stream);

protected:
    TVariant ValueOfData(const void*) const override { return {}; }
    void DataOfValue(const TVariant&, void*) const override {}
    TVariant ParseText(const std::string& text) const override { return text; }
    bool IsTextual() const override { return true; }
};

class TMemoField : public TBlobField {
public:
    TMemoField() : TBlobField(TFieldType::ftMemo) {}
};

// The field object for a definition; nullptr for types without a field
// class (ftUnknown, ftADT, ftArray, ftReference, ftDataSet).
std::unique_ptr<TField> CreateField(const TFieldDef& def);

} // namespace tabula
