// .import TABLE FILE: appends the records of an RFC 4180 file to a table.
//
// The first record names the table's fields (matched without regard to
// case); each later record is appended through the table component, every
// value converted by the field from its text as INSERT converts text, an
// empty field left NULL. A record is posted whole or not at all. The first
// bad record stops the import: the error names its line (the line where the
// record starts, counting from 1) and the engine's reason, and says how
// many records went in before it; those stay in the table.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tabula::shell {

// Reads one CSV record after another: quoted fields may hold commas, quotes
// (doubled) and line breaks; CRLF and LF both end a record.
class TCsvReader {
public:
    explicit TCsvReader(std::istream& in) : in_(in) {}
    // The next record, or nullopt at the end of the input. A quoted field
    // left open at the end raises ECsvImport.
    std::optional<std::vector<std::string>> Next();
    // The line on which the record last returned began.
    std::int64_t RecordLine() const { return recordLine_; }

private:
    std::istream& in_;
    std::int64_t line_ = 1;
    std::int64_t recordLine_ = 0;
};

class ECsvImport : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Imports the file into directory/table and returns the number of records
// appended. Failures raise ECsvImport with the full message.
std::int64_t ImportCsv(const std::string& directory, const std::string& table,
                       const std::string& file);

} // namespace tabula::shell
