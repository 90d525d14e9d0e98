// WriteSummaryPdf: the summary report of the last clean run as a PDF file,
// without windows, along the road Print takes: the report components over
// the report table (TSummaryReport), the template file, the three
// variables, generation (BuildPages), then the page export, which writes a
// temporary file beside the target and renames it into place.
//
// Unlike Print, a missing template is an error here: a report without its
// layout would be an empty document. Failures throw std::runtime_error (or
// the table store's and the engine's own errors) with a message that names
// the file concerned; nothing is left at the target then.
#pragma once

#include <string>

namespace tabula {
class TTabulaTable;
}

namespace morvane {

void WriteSummaryPdf(tabula::TTabulaTable& detailTable, const std::string& templateFile,
                     const std::string& companyId, const std::string& hashValue,
                     const std::string& pdfFile);

} // namespace morvane
