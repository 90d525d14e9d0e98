// The shell's meta-commands, each a line starting with ".":
//   .tables                 the tables of the directory, one name a line
//   .schema TABLE           the table's definition, written as the .create
//                           command that makes it again (fields with type,
//                           size, decimals and NOT NULL; primary key and
//                           indexes with their options)
//   .create TABLE (...)     a new table (CreateParser.h)
//   .import TABLE FILE      appends the records of a CSV file (CsvImport.h)
//   .verify TABLE           the consistency check; findings are a failure
//   .drop TABLE             deletes the table's files
//   .help                   this list
//   .quit                   ends the session
// A trailing ";" is allowed. An unknown command or a wrong number of
// arguments fails with a message naming the command.
#pragma once

#include <string>

namespace tabula::shell {

class TShell;

void RunMetaCommand(TShell& shell, const std::string& line);

extern const char* const kShellHelp;

} // namespace tabula::shell
