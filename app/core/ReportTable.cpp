// Creation of the report table through the table store's table-creation
// interface.
#include "ReportTable.h"

#include "tabula/TableCreation.h"

#include <filesystem>

namespace morvane {

namespace {

std::string TablePath(const std::string& directory) {
    if (directory.empty())
        return kReportTableName;
    std::string path = directory;
    if (path.back() != '/')
        path += '/';
    return path + kReportTableName;
}

} // namespace

void CreateReportTable(const std::string& directory) {
    using tabula::TFieldType;
    tabula::TTableSpec spec;
    spec.Fields.Add("No", TFieldType::ftInteger);
    spec.Fields.Add("Product", TFieldType::ftString, kReportProductSize);
    spec.Fields.Add("AccountNumber", TFieldType::ftString, kReportAccountNumberSize);
    spec.Fields.Add("AccountName", TFieldType::ftString, kReportAccountNameSize);
    spec.Fields.Add("Ref1", TFieldType::ftString, kReportRef1Size);
    spec.Fields.Add("Action", TFieldType::ftString, kReportActionSize);
    spec.PrimaryIndex.Fields = "No";
    spec.PrimaryIndex.Unique = true;
    tabula::CreateTable(TablePath(directory), spec);
}

bool EnsureReportTable(const std::string& directory) {
    std::error_code error;
    if (std::filesystem::exists(TablePath(directory) + ".DAT", error))
        return false;
    CreateReportTable(directory);
    return true;
}

} // namespace morvane
