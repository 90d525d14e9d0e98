// The headless renderer's components; see TRenderForm.h.
#include "TRenderForm.h"

#include "ReportTableFill.h"
#include "tabula/TabulaDatabase.h"
#include "tabula/TabulaTable.h"

namespace morvane {

TRenderForm::TRenderForm(const std::string& dataDirectory)
    // Owned components are deleted by this form, last created first.
    : database_(new tabula::TTabulaDatabase(this)), table_(new tabula::TTabulaTable(this)) {
    SetName(kFormName);
    // Stored values, applied as the window definition applies them.
    database_->BeginLoading();
    database_->SetName("TabulaDatabase");
    database_->SetDatabaseName(TReportTableFill::kDatabaseName);
    database_->SetSessionName(TReportTableFill::kSessionName);
    database_->SetDirectory(dataDirectory);
    database_->EndLoading();

    table_->BeginLoading();
    table_->SetName(kTableComponentName);
    table_->SetDatabaseName(TReportTableFill::kDatabaseName);
    table_->SetSessionName(TReportTableFill::kSessionName);
    table_->SetTableName(TReportTableFill::kDetailTableName);
    table_->SetLockRetryCount(TReportTableFill::kLockRetryCount);
    table_->SetLockWaitTime(TReportTableFill::kLockWaitTime);
    table_->SetReadOnly(true);
    table_->EndLoading();

    summary_ = std::make_unique<TSummaryReport>(*this, *table_);
}

// The summary holds only pointers to components this form deletes.
TRenderForm::~TRenderForm() = default;

} // namespace morvane
