// The report table ReportTableDetail: the application's definition of it
// and its creation in a directory through the table store.
//
// Layout (one row per detail record of a clean registration file):
//
//   field          type              size   source
//   No             32-bit integer           ordinal of the detail record, from 1
//   Product        string            3      columns 42-44
//   AccountNumber  string            25     columns 45-69
//   AccountName    string            70     columns 70-139
//   Ref1           string            20     columns 147-166
//   Action         string            11     the action word; "Special Add" is the longest
//
// Each text field is exactly as wide as the registration file's column (or
// the longest action word): assigning a longer text would cut it, and a
// wider field would only make every record longer. The primary index is on
// No, so the rows are read back in file order and a repeated ordinal is
// refused as a duplicate key.
#pragma once

#include <string>

namespace morvane {

// The table's name as the validation window's table component names it.
inline constexpr const char* kReportTableName = "ReportTableDetail";
inline constexpr const char* kReportTableFile = "ReportTableDetail.DAT";

// Field sizes of the text fields.
inline constexpr int kReportProductSize = 3;
inline constexpr int kReportAccountNumberSize = 25;
inline constexpr int kReportAccountNameSize = 70;
inline constexpr int kReportRef1Size = 20;
inline constexpr int kReportActionSize = 11;

// Creates (or re-creates, empty) ReportTableDetail.DAT and .IDX in
// directory. Engine failures pass on as ETabulaEngineError.
void CreateReportTable(const std::string& directory);

// Creates the table only when its data file is missing; answers whether it
// created it.
bool EnsureReportTable(const std::string& directory);

} // namespace morvane
