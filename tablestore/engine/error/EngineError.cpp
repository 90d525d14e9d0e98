// The engine's message table and the raise path of engine errors.
//
// Messages are composed from the code and the error context of the current
// engine session: F is the data file name, Fld the field name, I the index
// name, S the SQL explanation. The composed text is cut to 127 characters.
#include "EngineError.h"

#include "EngineCodes.h"
#include "FileSession.h"

namespace tabula {

namespace {

std::string ComposeMessage(int code, const TErrorContext& c) {
    const std::string& F = c.FileName;
    const std::string& Fld = c.FieldName;
    const std::string& I = c.IndexName;
    const std::string& S = c.SqlText;
    switch (code) {
    case 8705:
        return "Beginning of file encountered in data file " + F;
    case 8706:
        return "End of file encountered in data file " + F;
    case 8708:
        return "Key not found in index " + I + " of data file " + F;
    case 8710:
        return "Record not found in data file " + F;
    case 8711:
        return "End of blob data in data file " + F + " reached prematurely";
    case 8961:
        return "Header information corrupt in data file " + F;
    case 8962:
        return "Data record buffers corrupt in data file " + F;
    case 8963:
        return "BLOB block buffers corrupt in data file " + F;
    case 8965:
        return "Index page buffers corrupt in data file " + F;
    case 9217:
        return "Error reading from data file " + F;
    case 9218:
        return "Error writing to data file " + F;
    case 9219:
        return "Error writing to data file " + F + "; the table may be damaged";
    case 9220:
        return "Cannot delete data file " + F;
    case 9221:
        return "Error accessing file header information for data file " + F;
    case 9477:
        return "Maximum record size exceeded in data file " + F;
    case 9479:
        return "The data file " + F + " is full and cannot contain any more data";
    case 9482:
        return "Too many filters defined for data file " + F;
    case 9487:
        return "Maximum or minimum limits on number of indexes or fields in an index exceeded "
               "in data file " +
               F;
    case 9492:
        return "Maximum or minimum limits on number of fields or field size exceeded in data "
               "file " +
               F;
    case 9494:
        return "Too many blobs opened in data file " + F;
    case 9498:
        return "Too many blob fields or invalid blob block size specified for data file " + F;
    case 9729:
        return "Duplicate key found in index " + I + " of data file " + F;
    case 9730:
        return "The value for the field " + Fld + " in data file " + F +
               " is below the minimum allowable value";
    case 9731:
        return "The value for the field " + Fld + " in data file " + F +
               " is above the maximum allowable value";
    case 9732:
        return "A value must be provided for the field " + Fld + " in data file " + F;
    case 9985:
        return "Invalid field number or name " + Fld + " specified for data file " + F;
    case 9993:
        return "A primary index is already defined for data file " + F +
               " and cannot be added again";
    case 9998:
        return "Invalid blob offset into data file " + F + " specified";
    case 10000:
        return "Invalid field definition specified for the field " + Fld + " in data file " + F;
    case 10006:
        return "Invalid default, min or max validity check, or expression specified for " + Fld +
               " in data file " + F;
    case 10010:
        return "The secondary index name is missing or not specified for data file " + F;
    case 10015:
        // The missing blank before "is" is part of the established text.
        return "Password provided for data file " + F + "is invalid";
    case 10022:
        return "Invalid secondary index name " + I + " specified for data file " + F;
    case 10023:
        return "Invalid field number " + Fld + " specified in index " + I + " for data file " + F;
    case 10026:
        return "Invalid key size specified in index " + I + " for data file " + F;
    case 10027:
        return "The secondary index " + I + " already exists for data file " + F;
    case 10029:
        return "Invalid blob length in data file " + F;
    case 10030:
        return "Invalid blob handle for data file " + F + " specified";
    case 10031:
        return "Data file " + F + " is already in use";
    case 10038:
        return "Invalid or duplicate field name " + Fld + " specified for data file " + F;
    case 10050:
        return "Invalid filter handle specified for data file " + F;
    case 10051:
        return "Invalid filter expression specified for data file " + F;
    case 10055:
        return "The primary index cannot be removed from data file " + F;
    case 10241:
        return "The data file " + F + " is already locked by another user";
    case 10242:
        return "Cannot unlock data file or record in data file " + F;
    case 10249:
        return "General lock failure with data file " + F;
    case 10253:
        return "Data file " + F + " must be opened exclusively";
    case 10258:
        return "Record in data file " + F + " is in use by another user";
    case 10498:
        return "Insufficient rights to data file " + F + ", a password is required";
    case 10753:
        return "Invalid blob field " + Fld + " specified for data file " + F;
    case 10758:
        return "Tabula engine not initialized";
    case 11010:
        return "Invalid path or file name for data file " + F;
    case 11012:
        return "Too many files open while attempting to open data file " + F;
    case 11013:
        return "Access denied to data file " + F;
    case 11014:
        return "Invalid file handle for data file " + F;
    case 11016:
        return "There is insufficient operating system memory available for the current "
               "operation";
    case 11017:
        return "Invalid length for in-memory data file " + F;
    case 11023:
        return "Access denied to logical operating system device for data file " + F;
    case 11025:
        return "Data file " + F + " has been moved";
    case 11047:
        return "An unknown operating system error occurred with data file " + F;
    case 11949:
        return "SQL - " + S;
    case 12035:
        return "Data file " + F + " is not the correct version";
    case 12292:
        return "Invalid field type specified for index " + I + " in data file " + F;
    case 15878:
        return "The language driver for data file " + F + " is not available or installed";
    default:
        return "Unknown error occurred with data file " + F;
    }
}

std::string Cut(std::string text, std::size_t max) {
    if (text.size() > max)
        text.resize(max);
    return text;
}

const TErrorContext& CurrentContext() {
    static const TErrorContext empty;
    TFileSession* session = CurrentSessionOrNull();
    return session ? session->ErrorContext() : empty;
}

} // namespace

ETabulaEngineError::ETabulaEngineError(int code)
    : ETabulaEngineError(code, EngineErrorMessage(code)) {}

ETabulaEngineError::ETabulaEngineError(int code, const TErrorContext& context)
    : ETabulaEngineError(code, EngineErrorMessage(code, context)) {}

ETabulaEngineError::ETabulaEngineError(int code, std::string text)
    : EDatabaseError("Tabula Engine Error # " + std::to_string(code) + " " + text), code_(code),
      text_(std::move(text)) {
    errors_.push_back(TTabulaError{code, text_});
}

std::string EngineErrorMessage(int code, const TErrorContext& context) {
    return Cut(ComposeMessage(code, context), kErrorTextMax);
}

std::string EngineErrorMessage(int code) {
    return EngineErrorMessage(code, CurrentContext());
}

void RaiseEngineError(int code, const std::string& dataFileName, const std::string& fieldName,
                      const std::string& sqlExplanation, const std::string& indexName) {
    if (code == kErrNotInitialized)
        throw ETabulaEngineError(code, TErrorContext{});
    TErrorContext context{Cut(fieldName, kErrorContextMax), Cut(dataFileName, kErrorContextMax),
                          Cut(sqlExplanation, kErrorContextMax), Cut(indexName, kErrorContextMax)};
    if (TFileSession* session = CurrentSessionOrNull()) {
        session->SetLastError(code, context);
        throw ETabulaEngineError(code);
    }
    throw ETabulaEngineError(code, context);
}

void RaiseCode(int code) {
    throw ETabulaEngineError(code);
}

void CheckCode(int code) {
    if (code != 0)
        RaiseCode(code);
}

} // namespace tabula
