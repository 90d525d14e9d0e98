// The report table's components and its refill; see ReportTableFill.h.
#include "ReportTableFill.h"

#include "MessageSink.h"
#include "MorvaneWorkflow.h"
#include "RegistrationLayout.h"
#include "ReportTable.h"
#include "ResultGrid.h"
#include "TextLineReader.h"
#include "tabula/EngineError.h"
#include "tabula/Field.h"
#include "tabula/TabulaDatabase.h"
#include "tabula/TabulaQuery.h"
#include "tabula/TabulaTable.h"

#include <filesystem>

namespace morvane {

namespace {

// The bytes of a field span, or as many of them as the line holds.
std::string Cut(const std::string& line, layout::TFieldSpan span) {
    if (line.size() < span.Column)
        return {};
    return line.substr(span.Column - 1, span.Length);
}

void Assign(tabula::TTabulaTable& table, const char* field, const std::string& text) {
    table.FieldByName(field).SetAsString(text);
}

// Enables a dataset's attached controls again when the scope ends, also by
// an exception.
class TControlsDisabled {
public:
    explicit TControlsDisabled(tabula::TDataSet& dataSet) : dataSet_(dataSet) {
        dataSet_.DisableControls();
    }
    ~TControlsDisabled() { dataSet_.EnableControls(); }
    TControlsDisabled(const TControlsDisabled&) = delete;
    TControlsDisabled& operator=(const TControlsDisabled&) = delete;

private:
    tabula::TDataSet& dataSet_;
};

} // namespace

TReportTableFill::TReportTableFill()
    : database_(std::make_unique<tabula::TTabulaDatabase>()),
      table_(std::make_unique<tabula::TTabulaTable>()),
      query_(std::make_unique<tabula::TTabulaQuery>()) {
    // The names are applied as stored values: a namesake "DB" of another
    // window in the same session is then no error, and a dataset's lookup
    // finds the first one registered.
    database_->BeginLoading();
    database_->SetDatabaseName(kDatabaseName);
    database_->SetSessionName(kSessionName);
    database_->EndLoading();

    table_->BeginLoading();
    table_->SetDatabaseName(kDatabaseName);
    table_->SetSessionName(kSessionName);
    table_->SetTableName(kDetailTableName);
    table_->SetLockRetryCount(kLockRetryCount);
    table_->SetLockWaitTime(kLockWaitTime);
    table_->SetForceBufferFlush(false);
    table_->EndLoading();

    query_->BeginLoading();
    query_->SetDatabaseName(kDatabaseName);
    query_->SetSessionName(kSessionName);
    query_->SetLockRetryCount(kLockRetryCount);
    query_->SetLockWaitTime(kLockWaitTime);
    query_->EndLoading();
}

// The datasets go before the database they may still hold.
TReportTableFill::~TReportTableFill() {
    query_.reset();
    table_.reset();
    database_.reset();
}

void TReportTableFill::SetDirectory(const std::string& directory) {
    database_->SetDirectory(directory);
    directory_ = directory;
}

namespace {

bool Sound(tabula::TTabulaTable& table) {
    try {
        return table.CheckTable().Clean();
    } catch (const tabula::ETabulaEngineError&) {
        return false;
    }
}

} // namespace

bool TReportTableFill::MendReportTable() {
    tabula::TTabulaTable& table = *table_;
    table.SetActive(false);
    // A missing table is not mended here: the refill reports it as before.
    if (directory_.empty() ||
        !std::filesystem::exists(std::filesystem::path(directory_) / kReportTableFile))
        return false;
    if (Sound(table))
        return false;
    try {
        table.RepairTable();
    } catch (const tabula::ETabulaEngineError&) {
        // Not even the repair opens it; the rows are derived, make it anew.
    }
    if (!Sound(table))
        CreateReportTable(directory_);
    return true;
}

void TReportTableFill::RunSql(tabula::TTabulaQuery& query, const std::string& statement) {
    TControlsDisabled controls(query);
    query.Close();
    query.SetSQL({statement});
    query.Execute();
}

void TReportTableFill::EmptyReportTable() {
    RunSql(*query_, kDeleteStatement);
}

std::string TReportTableFill::ActionWord(char code) {
    switch (code) {
    case '1':
        return "Delete";
    case '2':
        return "Add";
    case '3':
        return "Force Add";
    case '4':
        return "Special Add";
    default:
        return {};
    }
}

void TReportTableFill::RefillReportTable(const std::string& inputPath, TResultGrid& grid,
                                         TMessageSink& messages) {
    MendReportTable();
    RunSql(*query_, kDeleteStatement);

    tabula::TTabulaTable& table = *table_;
    table.SetActive(false);
    table.SetExclusive(true);
    table.EmptyTable();
    table.SetExclusive(false);
    table.SetActive(true);

    // The file is read again here; no column of a row lies beyond a detail
    // record's length, so a longer line (the file changed since it was
    // checked) costs no more memory than a record.
    int counter = 0;
    TTextLineReader reader(inputPath);
    std::string line;
    std::size_t length = 0;
    while (reader.ReadLine(line, layout::kLongestRecord, length)) {
        if (Cut(line, layout::kRecordType) != layout::kDetailType)
            continue;
        ++counter;
        const std::string action = Cut(line, layout::kAction);
        table.Append();
        Assign(table, "No", std::to_string(counter));
        Assign(table, "Product", Cut(line, layout::kProductCode));
        Assign(table, "AccountNumber", Cut(line, layout::kAccountNumber));
        Assign(table, "AccountName", Cut(line, layout::kAccountName));
        Assign(table, "Ref1", Cut(line, layout::kReference1));
        Assign(table, "Action", ActionWord(action.empty() ? '\0' : action[0]));
        table.Post();
    }

    grid.SetStatusText(TResultGrid::kStatusSuccess);
    table.Close();
    messages.ShowMessage(TMessageKind::Information, TMorvaneWorkflow::kSuccessMessage);
}

void TReportTableFill::Install(TMorvaneWorkflow& road, TMessageSink& messages) {
    road.RefillReportTable = [this, &road, &messages] {
        RefillReportTable(road.Fields.FileInput, road.Grid(), messages);
    };
}

} // namespace morvane
