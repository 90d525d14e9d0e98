// The summary report's components and variables.
#include "TSummaryReport.h"

#include "TrpDBDataSet.h"
#include "TrpReport.h"
#include "tabula/Component.h"
#include "tabula/TabulaTable.h"

#include <filesystem>

namespace morvane {

std::string QuotedTextLiteral(const std::string& value) {
    std::string literal = "'";
    for (char c : value) {
        literal += c;
        if (c == '\'')
            literal += '\'';
    }
    return literal + "'";
}

TSummaryReport::TSummaryReport(tabula::TComponent& owner, tabula::TTabulaTable& detailTable)
    // Owned components are deleted by the owner; these pointers never
    // outlive it, as the summary lives no longer than its owner.
    : dataSet_(new report::TrpDBDataSet(&owner)), report_(new report::TrpReport(&owner)) {
    dataSet_->SetName(kSummaryDataSetName);
    dataSet_->SetDataSet(&detailTable);
    report_->SetName("rpReport1");
    report_->Dataset = dataSet_;
    report_->InitialZoom = report::TrpPreviewZoom::pzDefault;
    report_->PreviewButtons = report::pbZoom | report::pbLoad | report::pbSave | report::pbPrint |
                              report::pbFind | report::pbHelp | report::pbExit;
}

TSummaryReport::~TSummaryReport() = default;

bool TSummaryReport::LoadTemplate(const std::string& fileName) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(fileName, error))
        return false;
    return report_->LoadFromFile(fileName);
}

void TSummaryReport::SetVariables(const std::string& companyId, const std::string& hashValue,
                                  int recordCount) {
    report::TrpVariables& variables = report_->Dictionary.Variables;
    variables.Set("comId", QuotedTextLiteral(companyId));
    variables.Set("hashValue", QuotedTextLiteral(hashValue));
    variables.Set("recordcount", QuotedTextLiteral(std::to_string(recordCount)));
}

std::string SummaryTemplatePath(const std::string& executableDirectory) {
    return (std::filesystem::path(executableDirectory) / "Report" / "PaymentDetail.rpf").string();
}

} // namespace morvane
