// Writing a report's generated pages to files: a PDF document (each page
// drawn through the prepared pages' Draw onto QPdfWriter at its own paper
// size and orientation, so text stays selectable text with embedded fonts)
// and PNG images, one per page, at a chosen resolution.
//
// Nothing half-written remains on failure: every file is written to a
// temporary name beside its target and renamed into place. A failure throws
// ETrpExportError with a message naming the file.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace report {

class TrpEMFPages;

class ETrpExportError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

void ExportPdf(TrpEMFPages& pages, const std::string& fileName);
// Writes page-001.png, page-002.png, ... into directory (created when
// missing) and answers the file names written.
std::vector<std::string> ExportPng(TrpEMFPages& pages, const std::string& directory, int dpi = 96);

} // namespace report
