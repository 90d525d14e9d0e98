// TSourceDataFile: one source table of a statement - the table as written in
// the statement, its own open TDataFile and a record buffer that the
// statement reads rows into - seen by name resolution and type checking as
// an ISqlSourceTable.
//
// States:
//   Closed --Open--> Open --Close (or destruction)--> Closed
// While Open, Field(n) describes the n-th working field of the data file and
// Buffer() holds RecordBufferSize() bytes; a column value is read from the
// buffer as it was last filled (NextRecord, GetCurrentRecord, InitRecord).
// The table is never opened exclusively: a statement shares its tables with
// every other user, and its writes take the record manager's locks.
#pragma once

#include "DataFile.h"
#include "SqlSource.h"
#include "SqlValue.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace tabula {

struct TSourceOpenSettings {
    bool writable = false;
    std::uint8_t lockRetryCount = 15;
    std::uint16_t lockWaitTime = 100;
    bool strictChangeDetection = false;
    TDataFile::TPasswordCallback passwordCallback;
    void* passwordContext = nullptr;
};

class TSourceDataFile : public ISqlSourceTable {
public:
    TSourceDataFile(std::string tablePath, bool inMemory, std::string correlation);
    ~TSourceDataFile() override;

    // Opens the table shared, in physical record order, with the settings.
    void Open(const TSourceOpenSettings& settings);
    void Close();
    bool IsOpen() const { return file_ != nullptr; }

    const std::string& TablePath() const { return tablePath_; }
    bool InMemory() const { return inMemory_; }
    const std::string& Correlation() const { return correlation_; }
    TDataFile& File() { return *file_; }
    std::span<std::uint8_t> Buffer() { return buffer_; }

    int FieldCount() const override { return static_cast<int>(fields_.size()); }
    const TSqlSourceField& Field(int number) const override;

    // The value of a field in the record buffer: its type's zero value with
    // the null flag set when the field is null. Other types (BLOB
    // references, bytes) carry their stored bytes as they are.
    TSqlValue ColumnValue(int fieldNumber) const { return ColumnValueIn(fieldNumber, buffer_); }
    // The same from another image of this table.
    TSqlValue ColumnValueIn(int fieldNumber, std::span<const std::uint8_t> image) const;
    // The content of a BLOB field of the record in the buffer, read from
    // the table's BLOB file (empty for a null field). A chain that cannot be
    // read raises its engine code. The buffer is left as it is.
    std::vector<std::uint8_t> BlobContent(int fieldNumber);

    // A calculated field on the table's cursor (the record buffer grows
    // with the calculated area); answers its field number. Name resolution
    // keeps seeing the table's own fields only.
    int AddCalculatedField(const TFieldDescriptor& field, TDataFile::TCalculation calculation);
    void RemoveCalculatedField(int fieldNumber);

    // Lock settings changed while the statement exists reach the open table.
    void ApplyLockSettings(std::uint8_t retryCount, std::uint16_t waitTime);

private:
    std::string tablePath_;
    bool inMemory_;
    std::string correlation_;
    std::unique_ptr<TDataFile> file_;
    std::vector<std::uint8_t> buffer_;
    std::vector<TSqlSourceField> fields_;
};

} // namespace tabula
