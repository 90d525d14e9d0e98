// TTableDefinition: what a new table is made of, and its validation.
//
// Validate() checks the definition in a fixed order and raises the first
// failure; callers (the record manager's CreateTable) rely on that order:
//
//   table limits, before any descriptor:
//     protected table whose trimmed password is not 1..15 characters  kErrInvalidPassword
//     non-zero locale that does not exist                             kErrLanguageDriver
//     field count outside 1..1024                                      kErrFieldLimits
//     more than 30 secondary indexes                                   kErrIndexLimits
//     BLOB block size below 64                                         kErrBlobLimits
//     more than 32 BLOB fields                                         kErrBlobLimits
//     record size above 65535                                          kErrMaxRecordSize
//   then per descriptor, in order:
//     name (trimmed, cut to 30) empty or not starting with a letter   kErrInvalidFieldName
//     name equal to another's, ignoring case                          kErrInvalidFieldName
//     field number equal to another's                                 kErrInvalidFieldDefinition
//     type code 0, or a second auto-increment field                   kErrInvalidFieldDefinition
//     string, bytes or variable bytes declared larger than 250        kErrInvalidFieldDefinition
//     default, minimum or maximum text not acceptable for the type    kErrInvalidValidityCheck
//
// On success the descriptors are normalised (trimmed names, declared size 0
// for fixed-size types, decimals 0 except for BCD, stored sizes, offsets,
// calculated flag cleared) and the new file's header is returned.
//
// A second auto-increment field is refused because both would live in the
// same four bytes of the record prefix and silently overwrite each other.
#pragma once

#include "DataHeader.h"
#include "FieldDescriptor.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tabula {

struct TTableDefinition {
    std::uint32_t localeId = 0; // 0: no locale
    std::vector<TFieldDescriptor> fields;
    int secondaryIndexCount = 0;
    std::uint32_t blobBlockSize = datafmt::kDefaultBlobBlockSize;
    std::string description;
    std::string password;
    bool isProtected = false;

    TDataHeader Validate(const std::string& dataFileName);
};

} // namespace tabula
