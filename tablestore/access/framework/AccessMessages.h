// The fixed texts of the access layer's database errors, and the helpers
// that raise them.
//
// Texts are the system's own and are shown to the user unchanged; "%s" is
// replaced by the name concerned and "%d" by a number. Component misuse is
// always raised as EDatabaseError with one of these texts.
#pragma once

#include "DatabaseError.h"

#include <string>

namespace tabula::msg {

// Sessions and databases.
inline constexpr const char* kSessionNameInvalid = "Session name %s is not valid.";
inline constexpr const char* kSessionNameExists = "Session name %s already exists.";
inline constexpr const char* kSessionNameMissing = "Session name is missing.";
inline constexpr const char* kSessionActive = "Cannot perform this operation on an active session.";
inline constexpr const char* kAutoSessionActive =
    "Cannot perform this operation on the active auto-session.";
inline constexpr const char* kAutoSessionOnly =
    "The active auto-session can be the only active session.";
inline constexpr const char* kAutoSessionExists = "This auto-session already exists.";
inline constexpr const char* kDatabaseNameMissing = "Database name is missing.";
inline constexpr const char* kDatabaseNameInvalid = "Database name %s is not valid.";
inline constexpr const char* kDatabaseNameExists = "Database name %s already exists.";
inline constexpr const char* kDatabaseOpen = "Cannot perform this operation on an open database.";
inline constexpr const char* kTableNameMissing = "Missing table name.";
inline constexpr const char* kNoTableHandle = "Error creating table handle.";

// Record and field access.
inline constexpr const char* kNotEditing = "Dataset not in edit or insert mode";
inline constexpr const char* kFieldNotIndexed = "Field '%s' is not indexed and cannot be modified";
inline constexpr const char* kFieldReadOnly = "Field '%s' cannot be modified";
inline constexpr const char* kFieldIndexRange = "Field index out of range";
inline constexpr const char* kIndexFieldMissing = "Cannot access index field '%s'";
inline constexpr const char* kCircularLink = "Circular datalinks are not allowed";

// The dataset framework's own.
inline constexpr const char* kDataSetOpen = "Cannot perform this operation on an open dataset";
inline constexpr const char* kDataSetClosed = "Cannot perform this operation on a closed dataset";
inline constexpr const char* kFieldNotFound = "Field '%s' not found";
inline constexpr const char* kNotBrowsing = "Dataset not in browse mode";
inline constexpr const char* kDataSetEmpty = "Cannot perform this operation on an empty dataset";
inline constexpr const char* kDataSetReadOnly = "Cannot modify a read-only dataset";
inline constexpr const char* kFieldRequired = "Field '%s' must have a value";
inline constexpr const char* kNotInteger = "'%s' is not a valid integer value";
inline constexpr const char* kNotFloat = "'%s' is not a valid floating point value";
inline constexpr const char* kNotDate = "'%s' is not a valid date";
inline constexpr const char* kNotTime = "'%s' is not a valid time";
inline constexpr const char* kNotDateTime = "'%s' is not a valid date and time";
inline constexpr const char* kNotBoolean = "'%s' is not a valid boolean value for field '%s'";
inline constexpr const char* kValueRange =
    "%s is not a valid value for field '%s'. The allowed range is %s to %s";
inline constexpr const char* kFieldTypeMismatch = "Type mismatch for field '%s'";
inline constexpr const char* kNoDataSet = "Missing data source or dataset";
inline constexpr const char* kFieldDefNotFound = "Field definition '%s' not found";
inline constexpr const char* kDuplicateFieldName = "Duplicate field name '%s'";

// Replaces the first "%s" of format by arg1 and the next by arg2, and so on.
std::string Format(const char* format, const std::string& arg1 = {}, const std::string& arg2 = {},
                   const std::string& arg3 = {}, const std::string& arg4 = {});

[[noreturn]] void Raise(const char* text);
[[noreturn]] void Raise(const char* format, const std::string& arg1, const std::string& arg2 = {});

} // namespace tabula::msg
