// TAnswerTable: the table a canned SELECT result is written into - created
// through the record manager from the result columns, opened exclusively,
// filled row by row and handed out as the result cursor.
//
// Layout: description "Query Result Set"; one field per result column;
// BLOB block size kAnswerBlobBlockSize; the statement's locale. A table
// without INTO is temporary: it lives in memory under a name no other
// statement of the process uses, and is deleted when it is closed. An
// INTO table is created under its name (replacing a table of that name)
// and stays.
//
// States: Created (open, exclusive, positioned before the first row)
//   --Append--> Created --destruction--> closed (temporary: deleted)
#pragma once

#include "DataFile.h"
#include "SqlValue.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tabula {

inline constexpr std::uint32_t kAnswerBlobBlockSize = 512;
inline constexpr const char* kAnswerDescription = "Query Result Set";

class TAnswerTable {
public:
    // path empty: a temporary table.
    TAnswerTable(const std::string& path, bool inMemory,
                 const std::vector<TFieldDescriptor>& fields, std::uint32_t localeId);
    ~TAnswerTable();
    TAnswerTable(const TAnswerTable&) = delete;
    TAnswerTable& operator=(const TAnswerTable&) = delete;

    // Appends one row; values[i] goes into field i + 1. A NULL value, or one
    // that the field cannot hold (a BLOB reference of another table), is
    // written as null.
    void Append(const std::vector<TSqlValue>& values);
    // Positions the cursor before the first row in physical order.
    void Rewind();
    TDataFile& File() { return *file_; }
    const std::string& Path() const { return path_; }
    bool Temporary() const { return temporary_; }

private:
    std::string path_;
    bool temporary_;
    std::unique_ptr<TDataFile> file_;
    std::vector<std::uint8_t> buffer_;
};

} // namespace tabula
