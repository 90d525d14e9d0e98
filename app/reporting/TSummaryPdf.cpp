// The summary report as a PDF file; see TSummaryPdf.h.
#include "TSummaryPdf.h"

#include "THeadlessGui.h"
#include "TSummaryReport.h"
#include "TrpPageExport.h"
#include "TrpReport.h"
#include "TrpReportGeneration.h"
#include "tabula/Component.h"
#include "tabula/TabulaTable.h"

#include <stdexcept>

namespace morvane {

void WriteSummaryPdf(tabula::TTabulaTable& detailTable, const std::string& templateFile,
                     const std::string& companyId, const std::string& hashValue,
                     const std::string& pdfFile) {
    // The application object comes first: the report's pages and fonts need it.
    THeadlessGui gui;
    tabula::TComponent owner;
    TSummaryReport summary(owner, detailTable);
    detailTable.Open();
    const int recordCount = detailTable.RecordCount();
    if (!summary.LoadTemplate(templateFile))
        throw std::runtime_error("report template not found: " + templateFile);
    summary.SetVariables(companyId, hashValue, recordCount);
    report::TrpReport& report = summary.rpReport1();
    if (!report::BuildPages(report))
        throw std::runtime_error("report generation was cancelled");
    if (!report::LastGenerationError().empty())
        throw std::runtime_error(report::LastGenerationError());
    report::ExportPdf(report.EMFPages(), pdfFile);
}

} // namespace morvane
