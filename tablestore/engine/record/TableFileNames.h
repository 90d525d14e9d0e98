// The three file names of a table, derived from one table path.
//
// Leading and trailing blanks are removed, any extension (the text from the
// last "." when that "." stands after the last "/") is dropped, and ".DAT",
// ".IDX" or ".BLB" is appended. "Data/ReportTableDetail.DAT",
// "Data/ReportTableDetail" and "Data/ReportTableDetail.xyz" all name the
// same table. The extensions stay upper case on every platform.
#pragma once

#include <string>
#include <string_view>

namespace tabula {

struct TTableFileNames {
    static constexpr std::string_view kDataExtension = ".DAT";
    static constexpr std::string_view kIndexExtension = ".IDX";
    static constexpr std::string_view kBlobExtension = ".BLB";

    std::string dataFile;
    std::string indexFile;
    std::string blobFile;

    static TTableFileNames FromTablePath(std::string_view tablePath);
    // The table path trimmed and without its extension.
    static std::string Stem(std::string_view tablePath);
    // Stem(tablePath) + extension.
    static std::string WithExtension(std::string_view tablePath, std::string_view extension);
};

} // namespace tabula
