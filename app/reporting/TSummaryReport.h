// TSummaryReport: the report-side components of the validation window, owned
// by one component so that a template's data sources find them by name:
//   rpDBDataSet1  report dataset link over the report table dbDetailReport
//   rpReport1     the report, dataset rpDBDataSet1, initial zoom default,
//                 preview buttons zoom, load, save, print, find, help, exit
// The report table is borrowed: the window passes its own dbDetailReport,
// the headless renderer and the command-line checker one they opened on
// DIR/ReportTableDetail (OpenDetailTable).
//
// The desktop program's Print, `morvane-check --report` and
// `morvane-report` all render through this class, so they print the same
// summary.
#pragma once

#include <memory>
#include <string>

namespace tabula {
class TComponent;
class TTabulaDatabase;
class TTabulaTable;
} // namespace tabula

namespace report {
class TrpDBDataSet;
class TrpReport;
} // namespace report

namespace morvane {

// The report dataset link's name: the template's master data band names it
// as its data source.
inline constexpr const char* kSummaryDataSetName = "rpDBDataSet1";

// value in single quotes with every single quote doubled, so that the report
// engine evaluates it as that text (O'NEIL -> 'O''NEIL').
std::string QuotedTextLiteral(const std::string& value);

class TSummaryReport {
public:
    // owner holds the components (the window, or a component of the
    // caller's); detailTable is the report table the dataset link walks.
    TSummaryReport(tabula::TComponent& owner, tabula::TTabulaTable& detailTable);
    ~TSummaryReport();

    report::TrpReport& rpReport1() { return *report_; }
    report::TrpDBDataSet& rpDBDataSet1() { return *dataSet_; }

    // Loads the template file; false (and the current template kept) when
    // the file does not exist. A damaged file throws the engine's error.
    bool LoadTemplate(const std::string& fileName);
    // The summary's variables, in this order: comId, hashValue, recordcount,
    // each as a quoted text literal.
    void SetVariables(const std::string& companyId, const std::string& hashValue,
                      int recordCount);

private:
    report::TrpDBDataSet* dataSet_;
    report::TrpReport* report_;
};

// "Report/PaymentDetail.rpf" beside the executable whose directory is given.
std::string SummaryTemplatePath(const std::string& executableDirectory);

} // namespace morvane
