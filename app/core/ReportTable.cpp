// Creation of the report table through the record manager.
#include "ReportTable.h"

#include "DataFile.h"
#include "DataFileFormat.h"
#include "IndexDescriptor.h"
#include "TableDefinition.h"

#include <filesystem>

namespace morvane {

namespace {

tabula::TFieldDescriptor Field(int number, const char* name, std::uint8_t type, int size = 0) {
    tabula::TFieldDescriptor f;
    f.fieldNumber = static_cast<std::int16_t>(number);
    f.name = name;
    f.type = type;
    f.declaredSize = static_cast<std::uint8_t>(size);
    return f;
}

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
    using namespace tabula;
    TTableDefinition definition;
    definition.fields = {
        Field(1, "No", datafmt::kFtInt32),
        Field(2, "Product", datafmt::kFtString, kReportProductSize),
        Field(3, "AccountNumber", datafmt::kFtString, kReportAccountNumberSize),
        Field(4, "AccountName", datafmt::kFtString, kReportAccountNameSize),
        Field(5, "Ref1", datafmt::kFtString, kReportRef1Size),
        Field(6, "Action", datafmt::kFtString, kReportActionSize),
    };
    TIndexDescriptor primary;
    primary.fieldCount = 1;
    primary.fieldNumbers[0] = 1;
    primary.unique = true;

    TDataFile file;
    file.SetFileName(TablePath(directory));
    file.SetExclusive(true);
    file.CreateTable(definition, primary, {});
}

bool EnsureReportTable(const std::string& directory) {
    std::error_code error;
    if (std::filesystem::exists(TablePath(directory) + ".DAT", error))
        return false;
    CreateReportTable(directory);
    return true;
}

} // namespace morvane
