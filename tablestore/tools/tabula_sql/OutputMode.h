// The three ways the shell prints the records of a result: every writer
// reads an open dataset from its first record to its end, through the
// dataset interface only (Fields, First/Next/Eof), so a table and a query
// result print alike.
//   box   aligned columns under a header and a rule, NULL as empty; text
//         decoded from Windows-1252 for the terminal;
//   csv   RFC 4180: a header row, fields quoted when they hold a comma,
//         quote, CR or LF, quotes doubled, lines ended by CRLF, NULL as
//         an empty field; text as stored (what .import reads back);
//   json  one object per result: {"columns": [{"name", "type", "size"}],
//         "rows": [[...], ...]}; NULL is null, numbers and booleans are
//         bare, text is decoded from Windows-1252 and escaped.
#pragma once

#include <iosfwd>
#include <string>

namespace tabula {
class TDataSet;
}

namespace tabula::shell {

enum class TOutputMode { Box, Csv, Json };

void WriteBox(std::ostream& out, TDataSet& data);
void WriteCsv(std::ostream& out, TDataSet& data);
void WriteJson(std::ostream& out, TDataSet& data);
void WriteResult(std::ostream& out, TDataSet& data, TOutputMode mode);

// One CSV field, quoted when it must be.
std::string CsvField(const std::string& text);
// A JSON string literal of UTF-8 text.
std::string JsonString(const std::string& utf8);

} // namespace tabula::shell
