// TTableDefinition: validation of a new table's definition.
#include "TableDefinition.h"

#include "EngineCodes.h"
#include "EngineError.h"
#include "FieldText.h"
#include "TableLocale.h"
#include "TextBlanks.h"

#include <memory>
#include <optional>

namespace tabula {

using namespace datafmt;

namespace {

bool IsNameLetter(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= 129 && c <= 254);
}

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 'a' + 'A');
        if (x != y)
            return false;
    }
    return true;
}

std::string NormalisedName(const std::string& name) {
    return std::string(TrimSpaces(name).substr(0, kMaxFieldNameLength));
}

bool HasDeclaredSize(std::uint8_t type) {
    return type == kFtString || type == kFtBytes || type == kFtVarBytes;
}

} // namespace

TDataHeader TTableDefinition::Validate(const std::string& dataFileName) {
    // ---- Table limits -----------------------------------------------------------
    const std::string trimmedPassword(TrimSpaces(password));
    if (isProtected && (trimmedPassword.empty() || trimmedPassword.size() > kMaxPasswordLength))
        RaiseEngineError(kErrInvalidPassword, dataFileName);
    std::unique_ptr<TTableLocale> locale;
    if (localeId != 0)
        locale = std::make_unique<TTableLocale>(localeId, dataFileName); // kErrLanguageDriver
    if (fields.empty() || fields.size() > static_cast<std::size_t>(kMaxFields))
        RaiseEngineError(kErrFieldLimits, dataFileName);
    if (secondaryIndexCount > kMaxSecondaryIndexes)
        RaiseEngineError(kErrIndexLimits, dataFileName);
    if (blobBlockSize < kMinBlobBlockSize)
        RaiseEngineError(kErrBlobLimits, dataFileName);
    int blobFields = 0;
    long recordSize = static_cast<long>(kRecFields);
    for (const TFieldDescriptor& field : fields) {
        if (field.type == kFtBlob)
            ++blobFields;
        if (!field.IsAutoIncrement()) {
            // Every type but the sized ones will get declared size 0.
            const int declared = HasDeclaredSize(field.type) ? field.declaredSize : 0;
            recordSize += TFieldDescriptor::StoredSizeOf(field.type, declared) + 1;
        }
    }
    if (blobFields > kMaxBlobFields)
        RaiseEngineError(kErrBlobLimits, dataFileName);
    if (recordSize > kMaxRecordSize)
        RaiseEngineError(kErrMaxRecordSize, dataFileName);

    // ---- Descriptors --------------------------------------------------------------
    // The locale's settings only matter for a field that carries a text to
    // check; deriving them is the costly part of a locale.
    std::optional<TFormatSettings> formats;
    bool autoIncrementSeen = false;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        TFieldDescriptor& field = fields[i];
        field.name = NormalisedName(field.name);
        if (field.name.empty() || !IsNameLetter(static_cast<unsigned char>(field.name[0])))
            RaiseEngineError(kErrInvalidFieldName, dataFileName, field.name);
        for (std::size_t j = 0; j < fields.size(); ++j)
            if (j != i && SameName(field.name, NormalisedName(fields[j].name)))
                RaiseEngineError(kErrInvalidFieldName, dataFileName, field.name);
        for (std::size_t j = 0; j < fields.size(); ++j)
            if (j != i && fields[j].fieldNumber == field.fieldNumber)
                RaiseEngineError(kErrInvalidFieldDefinition, dataFileName, field.name);
        if (field.type == kFtNone)
            RaiseEngineError(kErrInvalidFieldDefinition, dataFileName, field.name);
        if (field.IsAutoIncrement()) {
            if (autoIncrementSeen)
                RaiseEngineError(kErrInvalidFieldDefinition, dataFileName, field.name);
            autoIncrementSeen = true;
        }
        if (HasDeclaredSize(field.type)) {
            if (field.declaredSize > kMaxDeclaredSize)
                RaiseEngineError(kErrInvalidFieldDefinition, dataFileName, field.name);
        } else {
            field.declaredSize = 0;
        }
        for (const std::string* text : {&field.defaultValue, &field.minimum, &field.maximum}) {
            if (text->empty())
                continue; // an empty text sets no value, limit or default
            if (!formats)
                formats = locale ? locale->Formats() : TFormatSettings::Global();
            if (!TFieldText::IsAcceptable(field, *text, *formats))
                RaiseEngineError(kErrInvalidValidityCheck, dataFileName, field.name);
        }
        if (field.type != kFtBcd)
            field.declaredDecimals = 0;
        field.calculated = 0;
    }
    const int finalRecordSize = AssignFieldOffsets(fields);

    TDataHeader header;
    header.blobBlockSize = blobBlockSize;
    header.version = kDataVersion;
    header.freeChainHead = 0;
    header.nextRecordNumber = 1;
    header.lastAutoIncrement = 0;
    header.recordSize = static_cast<std::uint16_t>(finalRecordSize);
    header.fieldCount = static_cast<std::uint16_t>(fields.size());
    header.blobFieldCount = static_cast<std::int16_t>(blobFields);
    header.description = description.substr(0, kMaxDescriptionLength);
    header.protectedFlag = isProtected ? 1 : 0;
    header.password = isProtected ? trimmedPassword : std::string();
    header.SetLocaleId(localeId);
    return header;
}

} // namespace tabula
