// TTabulaParam and TTabulaParams: the parameters of a query's statement.
//
// A parameter has a name, a kind (TParamType), a data type (a framework
// field type), a value, a null flag and a bound flag. The value is held as
// a TVariant; the null flag is the value being Null. Assigning a value
// through one of the typed setters sets the data type the way the
// framework's parameters do (AsString -> ftString, AsInteger -> ftInteger,
// AsFloat -> ftFloat, AsCurrency -> ftCurrency, AsBCD -> ftBCD, AsDate ->
// ftDate, ...) and marks the parameter bound; Clear makes the value Null and
// keeps the data type.
//
// The list keeps its parameters in order of appearance in the statement.
// Names are looked up without regard to case; AssignValues matches names
// exactly. Two lists are equal when they hold the same number of parameters
// and each pair agrees in name, kind, data type, value (its kind and its
// content), null flag and bound flag.
#pragma once

#include "FieldDef.h"
#include "Variant.h"

#include <memory>
#include <string>
#include <vector>

namespace tabula {

namespace msg {
inline constexpr const char* kParamNotFound = "Parameter '%s' not found";
inline constexpr const char* kParamsUnloadable = "Unable to load bind parameters";
// "%s" is the parameter's name, "%d" the limit.
inline constexpr const char* kParamTooLarge =
    "Parameter '%s', cannot save data larger than %d bytes";
inline constexpr const char* kFieldTypeUnknown = "Field '%s' is of unknown type";
inline constexpr const char* kFieldTypeUnsupported = "Field '%s' is of an unsupported type";
inline constexpr const char* kNoParamValue = "No value for parameter '%s'";
} // namespace msg

enum class TParamType : std::uint8_t { ptUnknown, ptInput, ptOutput, ptInputOutput, ptResult };

class TTabulaParam {
public:
    TTabulaParam() = default;
    TTabulaParam(std::string name, TParamType kind, TFieldType dataType = TFieldType::ftUnknown)
        : name_(std::move(name)), paramType_(kind), dataType_(dataType) {}

    const std::string& Name() const { return name_; }
    void SetName(const std::string& name) { name_ = name; }
    TParamType ParamType() const { return paramType_; }
    void SetParamType(TParamType kind) { paramType_ = kind; }
    TFieldType DataType() const { return dataType_; }
    void SetDataType(TFieldType type) { dataType_ = type; }
    bool Bound() const { return bound_; }
    void SetBound(bool bound) { bound_ = bound; }
    bool IsNull() const { return VarIsNull(value_); }

    const TVariant& Value() const { return value_; }
    // Sets the value as it is, with the data type it implies (Null keeps the
    // data type), and marks the parameter bound.
    void SetValue(const TVariant& value);
    // Sets value and data type together (used when a value is read back
    // from its stored form or copied from a field); marks it bound.
    void SetValueOfType(const TVariant& value, TFieldType type);

    void SetAsString(const std::string& text);
    void SetAsMemo(const std::string& text);
    void SetAsSmallInt(std::int16_t value);
    void SetAsWord(std::uint16_t value);
    void SetAsInteger(std::int32_t value);
    void SetAsFloat(double value);
    void SetAsCurrency(double value);
    // A currency value (value × 10000), kept exactly.
    void SetAsBCD(TCurrency scaled);
    void SetAsBoolean(bool value);
    void SetAsDate(TDateTime value);
    void SetAsTime(TDateTime value);
    void SetAsDateTime(TDateTime value);
    // Value := Null, data type kept, bound flag set.
    void Clear();

    // Readers; a Null value reads as the zero of the kind asked for.
    std::string AsString() const;
    std::int64_t AsInteger() const;
    double AsFloat() const;
    bool AsBoolean() const;
    TDateTime AsDateTime() const;
    TCurrency AsCurrency() const; // value × 10000

    // Copies the whole parameter (name, kind, type, value, flags).
    void Assign(const TTabulaParam& other) { *this = other; }
    bool operator==(const TTabulaParam& other) const;

private:
    std::string name_;
    TParamType paramType_ = TParamType::ptUnknown;
    TFieldType dataType_ = TFieldType::ftUnknown;
    TVariant value_;
    bool bound_ = false;
};

class TTabulaParams {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    bool IsEmpty() const { return items_.empty(); }
    TTabulaParam& operator[](int index) { return items_.at(static_cast<std::size_t>(index)); }
    const TTabulaParam& operator[](int index) const {
        return items_.at(static_cast<std::size_t>(index));
    }

    // Appends a parameter and answers it.
    TTabulaParam& CreateParam(TFieldType dataType, const std::string& name, TParamType kind);
    void Clear() { items_.clear(); }
    // nullptr when no parameter has the name (compared without regard to case).
    TTabulaParam* FindParam(const std::string& name);
    const TTabulaParam* FindParam(const std::string& name) const;
    // As FindParam; "Parameter '%s' not found" when there is none.
    TTabulaParam& ParamByName(const std::string& name);
    const TTabulaParam& ParamByName(const std::string& name) const;
    // For every parameter of source whose name equals (case-sensitively)
    // the name of one of this list's parameters, that parameter becomes a
    // copy of it.
    void AssignValues(const TTabulaParams& source);

    bool operator==(const TTabulaParams& other) const = default;

private:
    std::vector<TTabulaParam> items_;
};

} // namespace tabula
