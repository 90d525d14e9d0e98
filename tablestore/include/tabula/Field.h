// TField: one field of an open dataset, the object through which callers
// read and write a value (as text, number, date-time or variant).
//
// A field holds no value of its own: it asks its dataset for the bytes of
// the current buffer (TDataSet::GetFieldData / SetFieldData), so the same
// field object reads whatever record the dataset's state selects.
//
// Native data: the bytes a field exchanges with its dataset per type are
//   string          declared size + 1 bytes, zero-terminated
//   smallint, word  int16 / uint16           integer, auto-increment  int32
//   largeint        int64                    boolean  uint16 0 or 1
//   float, currency IEEE double              BCD      TCurrency (value × 10000)
//   date            int32 day number, 0001-01-01 = 1
//   time            int32 milliseconds since midnight
//   date-time       double: day number × 86400000 + milliseconds
//   bytes, varbytes declared size bytes
//   BLOB types      none: the content is reached through a BLOB stream.
// These equal the engine's value encodings except for BCD, which the
// dataset converts.
//
// Text conversion: assigning text converts it to the field's type with the
// process-wide format settings (an empty text makes a non-text field Null;
// an unreadable text fails with the framework's conversion message and
// changes nothing); reading a Null field as text gives the empty text.
#pragma once

#include "FieldDef.h"
#include "Variant.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace tabula {

class TDataSet;
class TStream;

enum class TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc };

class TField {
public:
    TField(TFieldType type, int size);
    virtual ~TField();
    TField(const TField&) = delete;
    TField& operator=(const TField&) = delete;

    const std::string& FieldName() const { return fieldName_; }
    void SetFieldName(const std::string& name) { fieldName_ = name; }
    // 1-based number of the field in the record; 0 for calculated and lookup fields.
    int FieldNo() const { return fieldNo_; }
    void SetFieldNo(int fieldNo) { fieldNo_ = fieldNo; }
    TFieldType DataType() const { return dataType_; }
    int Size() const { return size_; }
    // Bytes of the field's native data (see above).
    virtual int DataSize() const = 0;
    bool IsBlob() const { return IsBlobType(dataType_); }
    TDataSet* DataSet() const { return dataSet_; }

    TFieldKind FieldKind = TFieldKind::fkData;
    bool Calculated() const {
        return FieldKind == TFieldKind::fkCalculated || FieldKind == TFieldKind::fkLookup;
    }
    bool Required = false;
    bool ReadOnly = false;
    // Place of the field's present flag in the dataset's calculated area
    // (calculated and lookup fields; set when the dataset binds its fields).
    int Offset() const { return offset_; }

    // Events.
    std::function<void(TField&)> OnChange;
    std::function<void(TField&)> OnValidate;
    std::function<void(TField&, std::string& text, bool displayText)> OnGetText;
    std::function<void(TField&, const std::string& text)> OnSetText;
    bool HasGetTextHandler() const { return static_cast<bool>(OnGetText); }

    // Values of the record the dataset's state selects.
    bool IsNull() const;
    virtual TVariant AsVariant() const;
    virtual void SetAsVariant(const TVariant& value);
    std::string AsString() const;
    void SetAsString(const std::string& text);
    std::int64_t AsInteger() const;
    void SetAsInteger(std::int64_t value);
    double AsFloat() const;
    void SetAsFloat(double value);
    bool AsBoolean() const;
    void SetAsBoolean(bool value);
    TDateTime AsDateTime() const;
    void SetAsDateTime(TDateTime value);
    // The text for editing and for display: OnGetText when assigned, else AsString.
    std::string Text() const;
    std::string DisplayText() const;
    // OnSetText when assigned, else SetAsString.
    void SetText(const std::string& text);
    void Clear();
    // The field's text of a value (the empty text for Null), without
    // reading the dataset.
    std::string FormatTextOf(const TVariant& value) const {
        return VarIsNull(value) ? std::string() : FormatText(value);
    }

    // Native data of the current buffer; answers whether the value is
    // present. buffer may be null to ask only for presence.
    bool GetData(void* buffer) const;
    // Writes native data (null buffer: the value becomes Null).
    void SetData(const void* buffer);

protected:
    // The value of present native data.
    virtual TVariant ValueOfData(const void* data) const = 0;
    // Native data of a value that is not Null and not text (text fields also
    // receive text). The data buffer holds DataSize() zeroed bytes.
    virtual void DataOfValue(const TVariant& value, void* data) const = 0;
    // The text of a value that is not Null.
    virtual std::string FormatText(const TVariant& value) const;
    // The value a text stands for; Null for the empty text. Text fields
    // answer the text itself.
    virtual TVariant ParseText(const std::string& text) const = 0;
    // Whether the field's values are text (no conversion of text values).
    virtual bool IsTextual() const { return false; }

    [[noreturn]] void RaiseTypeMismatch() const;

private:
    friend class TDataSet;
    std::string fieldName_;
    int fieldNo_ = 0;
    TFieldType dataType_;
    int size_;
    TDataSet* dataSet_ = nullptr;
    int offset_ = 0;
    bool autoCreated_ = false; // a default field, destroyed when the dataset closes
};

// Numeric reading of a variant that is not Null and not text; false for text.
bool VariantToNumber(const TVariant& value, double& out);

} // namespace tabula
