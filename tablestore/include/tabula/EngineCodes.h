// The engine's error codes.
//
// Every failure the table store detects is reported as one of these 16-bit
// codes (raised through RaiseEngineError, or returned by navigation
// operations). The codes are part of the engine's public contract: callers
// and stored answers rely on their numeric values, so they never change.
// The message of each code lives in EngineError.cpp.
#pragma once

namespace tabula {

// Navigation results, normally returned rather than raised.
inline constexpr int kErrBeginningOfFile = 8705;
inline constexpr int kErrEndOfFile = 8706;
inline constexpr int kErrKeyNotFound = 8708;
inline constexpr int kErrRecordNotFound = 8710;
inline constexpr int kErrEndOfBlob = 8711;

// Damaged structures.
inline constexpr int kErrHeaderCorrupt = 8961;
inline constexpr int kErrRecordBuffersCorrupt = 8962;
inline constexpr int kErrBlobBuffersCorrupt = 8963;
inline constexpr int kErrIndexBuffersCorrupt = 8965;

// Input/output.
inline constexpr int kErrReadError = 9217;
inline constexpr int kErrWriteError = 9218;
// A write failed and the files could not be put back as they were before
// the operation: the table may be damaged until the journal is rolled back
// or the table is repaired.
inline constexpr int kErrTableDamaged = 9219;
inline constexpr int kErrDeleteError = 9220;
inline constexpr int kErrHeaderAccess = 9221;

// Limits.
inline constexpr int kErrMaxRecordSize = 9477;
inline constexpr int kErrFileFull = 9479;
inline constexpr int kErrTooManyFilters = 9482;
inline constexpr int kErrIndexLimits = 9487;
inline constexpr int kErrFieldLimits = 9492;
inline constexpr int kErrTooManyBlobs = 9494;
inline constexpr int kErrBlobLimits = 9498;

// Values and definitions.
inline constexpr int kErrDuplicateKey = 9729;
inline constexpr int kErrBelowMinimum = 9730;
inline constexpr int kErrAboveMaximum = 9731;
inline constexpr int kErrValueRequired = 9732;
inline constexpr int kErrInvalidField = 9985;
inline constexpr int kErrPrimaryIndexExists = 9993;
inline constexpr int kErrInvalidBlobOffset = 9998;
inline constexpr int kErrInvalidFieldDefinition = 10000;
inline constexpr int kErrInvalidValidityCheck = 10006;
inline constexpr int kErrIndexNameMissing = 10010;
inline constexpr int kErrInvalidPassword = 10015;
inline constexpr int kErrInvalidIndexName = 10022;
inline constexpr int kErrInvalidIndexField = 10023;
inline constexpr int kErrInvalidKeySize = 10026;
inline constexpr int kErrIndexExists = 10027;
inline constexpr int kErrInvalidBlobLength = 10029;
inline constexpr int kErrInvalidBlobHandle = 10030;
inline constexpr int kErrFileInUse = 10031;
inline constexpr int kErrInvalidFieldName = 10038;
inline constexpr int kErrInvalidFilterHandle = 10050;
inline constexpr int kErrInvalidFilterExpression = 10051;
inline constexpr int kErrPrimaryIndexRemoval = 10055;

// Locking and access.
inline constexpr int kErrTableLocked = 10241;
inline constexpr int kErrUnlockFailed = 10242;
inline constexpr int kErrLockFailure = 10249;
inline constexpr int kErrMustBeExclusive = 10253;
inline constexpr int kErrRecordLocked = 10258;
inline constexpr int kErrPasswordRequired = 10498;
inline constexpr int kErrInvalidBlobField = 10753;
inline constexpr int kErrNotInitialized = 10758;

// Operating system (see MapOsError in FileHandler.h).
inline constexpr int kErrInvalidPath = 11010;
inline constexpr int kErrTooManyFiles = 11012;
inline constexpr int kErrAccessDenied = 11013;
inline constexpr int kErrInvalidHandle = 11014;
inline constexpr int kErrOutOfMemory = 11016;
inline constexpr int kErrInvalidMemoryLength = 11017;
inline constexpr int kErrInvalidDevice = 11023;
inline constexpr int kErrFileMoved = 11025;
inline constexpr int kErrUnknownOsError = 11047;

// SQL, versions, indexes, locales.
inline constexpr int kErrSql = 11949;
inline constexpr int kErrWrongVersion = 12035;
inline constexpr int kErrInvalidIndexFieldType = 12292;
inline constexpr int kErrLanguageDriver = 15878;

} // namespace tabula
