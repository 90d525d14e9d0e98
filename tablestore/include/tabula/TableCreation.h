// CreateTable: a new, empty table made from a definition in the dataset
// framework's vocabulary - field names, framework types and sizes, indexes
// named by their fields - so that no caller outside the table store needs
// the stored type codes or descriptor layouts.
//
// Fields are numbered 1, 2, ... in the order of TTableSpec::Fields. Size
// means what it means in a field definition: the declared length of
// ftString, ftBytes and ftVarBytes (1 to 250), the number of decimals of
// ftBCD, nothing for every other type. Required marks a field that every
// posted record must fill.
//
// The primary index lists its key fields in PrimaryIndex.Fields; with no
// fields the table keeps its records in physical order. Its name is not
// stored. Each secondary index needs a name. Field names in index lists are
// matched without regard to case.
//
// DeleteTable removes a table again (below).
//
// A table that already exists at the path is replaced by the new, empty one
// (callers that must keep one check first, as the report table's creation
// and the shell's .create do).
//
// Failures raise, and leave no file behind:
//   a framework type without a stored form (ftUnknown, ftLargeint, ftADT,
//   ...), a bad size or name: the engine's own creation errors
//   (ETabulaEngineError, as the record manager validates every definition);
//   an index field that is not a field of the table: ETabulaEngineError
//   kErrInvalidField with the field's name.
#pragma once

#include "FieldDef.h"
#include "IndexDef.h"

#include <string>
#include <vector>

namespace tabula {

struct TTableSpec {
    TFieldDefs Fields;
    TIndexDef PrimaryIndex;
    std::vector<TIndexDef> SecondaryIndexes;
    std::string Description;
};

// Creates the table's files at tablePath (a path without extension, or
// with ".DAT") and closes them again.
void CreateTable(const std::string& tablePath, const TTableSpec& spec);

// Deletes the data, index and BLOB files of the table at tablePath. The
// table is first opened exclusively, so a table that another user has open
// (or that does not exist, or whose password is not known) is left alone and
// the open's engine error is raised.
void DeleteTable(const std::string& tablePath);

} // namespace tabula
