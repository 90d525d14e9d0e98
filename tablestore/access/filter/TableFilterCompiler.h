// The compiler of a table's Filter text: the text is compiled with the
// dataset's filter options into the binary filter expression, read back
// against the open file's field types, and built into an engine filter tree
// whose leaves an index answers where one can (TSqlFilterBuilder), the rest
// being tested record by record. The result is registered with the file,
// inactive; the table activates it while filters apply.
//
// The text is compiled against the dataset's fields; only fields the data
// file knows by the same number may appear, which holds for data fields and
// internal calculated fields of a table (FilterExpr refuses the others).
#pragma once

namespace tabula {

class TDataSet;
class TDataFile;

// The handle of the new filter (TDataFile::AddFilter), or -1 for an empty
// text. A faulty text raises EDatabaseError with FilterExpr's message and
// adds nothing.
int CompileTableFilter(TDataSet& dataSet, TDataFile& file);

} // namespace tabula
