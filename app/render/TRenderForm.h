// TRenderForm: the headless stand-in of the validation window's components,
// so that a template finds by name what it finds on the window:
//   TabulaDatabase  database "DB" of session "Default" on the data directory
//   dbDetailReport  table "ReportTableDetail.DAT" of database "DB", opened
//                   read-only (the renderer never changes the table)
//   rpDBDataSet1    report dataset link over dbDetailReport  } through
//   rpReport1       the report                              } TSummaryReport
// The form owns them all as their component owner; the datasets are created
// after the database and so are deleted before it.
#pragma once

#include "TSummaryReport.h"
#include "tabula/Component.h"

#include <memory>
#include <string>

namespace tabula {
class TTabulaDatabase;
class TTabulaTable;
} // namespace tabula

namespace morvane {

class TRenderForm : public tabula::TComponent {
public:
    static constexpr const char* kFormName = "fmMorvane";
    static constexpr const char* kTableComponentName = "dbDetailReport";

    explicit TRenderForm(const std::string& dataDirectory);
    ~TRenderForm() override;

    tabula::TTabulaTable& dbDetailReport() { return *table_; }
    TSummaryReport& Summary() { return *summary_; }

private:
    tabula::TTabulaDatabase* database_;
    tabula::TTabulaTable* table_;
    std::unique_ptr<TSummaryReport> summary_;
};

} // namespace morvane
