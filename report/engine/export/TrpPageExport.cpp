// Placeholder until page export lands: writes nothing and says so.
#include "TrpPageExport.h"

namespace report {

namespace {
constexpr const char* kNotAvailable = "Page export is not available in this build: cannot write ";
}

void ExportPdf(TrpEMFPages& /*pages*/, const std::string& fileName) {
    throw ETrpExportError(kNotAvailable + fileName);
}

std::vector<std::string> ExportPng(TrpEMFPages& /*pages*/, const std::string& directory,
                                   int /*dpi*/) {
    throw ETrpExportError(kNotAvailable + directory);
}

} // namespace report
