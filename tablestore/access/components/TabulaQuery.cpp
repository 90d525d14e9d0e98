// TTabulaQuery: the query component.
#include "TabulaQuery.h"

#include "AccessMessages.h"
#include "DataFile.h"
#include "DataQuery.h"
#include "DataSource.h"
#include "EngineError.h"
#include "Field.h"
#include "FieldDescriptor.h"
#include "ParamBinding.h"
#include "ParamImage.h"
#include "ParamScan.h"
#include "TabulaDatabase.h"
#include "TabulaSession.h"
#include "TextBlanks.h"

namespace tabula {

namespace {

constexpr const char* kNoSqlStatement = "No SQL statement available";
// A statement text shorter than this is no statement.
constexpr std::size_t kMinStatementLength = 2;

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            text += '\n';
        text += lines[i];
    }
    return text;
}

} // namespace

// ---- Data link ----------------------------------------------------------------------

void TQueryDataLink::ActiveChanged() {
    if (Active())
        query_.SourceRecordChanged();
}

void TQueryDataLink::RecordChanged(TField* field) {
    if (field == nullptr)
        query_.SourceRecordChanged();
}

void TTabulaQuery::SourceRecordChanged() {
    if (!Active() || dataSource_ == nullptr || dataSource_->DataSet() == nullptr)
        return;
    if (dataSource_->DataSet()->State() == TDataSetState::dsSetKey)
        return;
    DisableControls();
    try {
        Close();
        Open();
    } catch (...) {
        EnableControls();
        throw;
    }
    EnableControls();
}

// ---- Component ------------------------------------------------------------------------

TTabulaQuery::TTabulaQuery(TComponent* owner) : TTabulaDBDataSet(owner) {}

TTabulaQuery::~TTabulaQuery() {
    MarkDestroying();
    dataLink_.SetDataSource(nullptr);
    // An open result is closed while its cursor still exists: the cursor
    // belongs to the statement.
    try {
        Close();
    } catch (const std::exception&) {
        DetachCursor();
    }
    statement_.reset();
}

void TTabulaQuery::Loaded() {
    TTabulaDBDataSet::Loaded();
}

// ---- SQL and parameters ----------------------------------------------------------------

void TTabulaQuery::SetSQL(const std::vector<std::string>& lines) {
    if (lines == sql_)
        return;
    Disconnect();
    sql_ = lines;
    SqlChanged();
}

void TTabulaQuery::ClearSQL() {
    sql_.clear();
    SqlChanged();
}

void TTabulaQuery::AddSQL(const std::string& line) {
    sql_.push_back(line);
    SqlChanged();
}

void TTabulaQuery::SqlChanged() {
    const TParamScan scan = ScanQueryParams(JoinLines(sql_));
    if (Loading()) {
        text_ = scan.text;
        return;
    }
    Disconnect();
    paramImage_.clear();
    if (paramCheck_) {
        // A list that cannot be built leaves the old one in place; the text
        // itself is still taken.
        try {
            TTabulaParams list;
            for (const std::string& name : scan.names)
                list.CreateParam(TFieldType::ftUnknown, name, TParamType::ptUnknown);
            list.AssignValues(params_);
            params_ = std::move(list);
        } catch (const std::exception&) {
        }
    }
    text_ = scan.text;
    DataEvent(TDataEvent::dePropertyChange);
}

void TTabulaQuery::LoadParamData(std::span<const std::uint8_t> image) {
    ReadParamImage(image, params_);
    paramImage_.assign(image.begin(), image.end());
}

std::vector<std::uint8_t> TTabulaQuery::ParamData() const {
    return WriteParamImage(params_);
}

void TTabulaQuery::SetDataSource(TDataSource* source) {
    if (source != nullptr && (source->DataSet() == this || source->IsLinkedTo(this)))
        msg::Raise(msg::kCircularLink);
    dataSource_ = source;
    dataLink_.SetDataSource(source);
}

// ---- Settings passed on to the statement ---------------------------------------------------

void TTabulaQuery::SetRequestLive(bool live) {
    requestLive_ = live;
    if (statement_)
        statement_->SetRequestLive(live);
}

void TTabulaQuery::SetLockRetryCount(std::uint8_t count) {
    lockRetryCount_ = count;
    if (statement_)
        statement_->SetLockRetryCount(count);
}

void TTabulaQuery::SetLockWaitTime(std::uint16_t ms) {
    lockWaitTime_ = ms;
    if (statement_)
        statement_->SetLockWaitTime(ms);
}

void TTabulaQuery::SetStrictChangeDetection(bool strict) {
    strict_ = strict;
    if (statement_)
        statement_->SetStrictChangeDetection(strict);
}

// ---- Statement life cycle ---------------------------------------------------------------------

void TTabulaQuery::Prepare() {
    SetUsageFlag(UsePrepared, true);
    try {
        PrepareStatement();
    } catch (...) {
        SetUsageFlag(UsePrepared, false);
        throw;
    }
}

void TTabulaQuery::Unprepare() {
    SetUsageFlag(UsePrepared, false);
    UnprepareStatement();
}

void TTabulaQuery::PrepareStatement() {
    // Opening prepares from within the opening state, so the test is for a
    // cursor, not for an active dataset.
    if (IsCursorOpen())
        msg::Raise(msg::kDataSetOpen);
    if (statement_)
        return;
    if (text_.size() < kMinStatementLength)
        msg::Raise(kNoSqlStatement);
    auto statement = std::make_unique<TDataQuery>();
    statement->SetStrictChangeDetection(strict_);
    statement->SetLockRetryCount(lockRetryCount_);
    statement->SetLockWaitTime(lockWaitTime_);
    statement->SetRequestLive(requestLive_);
    TTabulaDatabase* database = Database();
    if (database != nullptr) {
        statement->SetDirectory(std::string(TrimSpaces(database->GetDirectory())));
        if (TTabulaSession* session = database->Session()) {
            statement->SetPasswordCallback(session, [](void* context) {
                return static_cast<TTabulaSession*>(context)->RequestPassword();
            });
        }
    }
    // The password callback serves the tables opened while preparing only.
    try {
        CheckCode(statement->Prepare(text_));
    } catch (...) {
        statement->SetPasswordCallback(nullptr, {});
        throw;
    }
    statement->SetPasswordCallback(nullptr, {});
    statement_ = std::move(statement);
}

void TTabulaQuery::UnprepareStatement() {
    // The result cursor goes with the statement: an open result closes
    // first, so the dataset never holds a cursor that is gone.
    if (IsCursorOpen() && !Destroying())
        Close();
    statement_.reset();
}

void TTabulaQuery::Disconnect() {
    Close();
    UnprepareStatement();
}

void TTabulaQuery::SetUsageFlag(TUsageFlag flag, bool on) {
    TTabulaDBDataSet::SetUsageFlag(flag, on);
    if (!on && UsageFlags() == 0)
        UnprepareStatement();
}

void TTabulaQuery::TakeDataSourceValues() {
    if (dataSource_ == nullptr || dataSource_->DataSet() == nullptr)
        return;
    TDataSet& master = *dataSource_->DataSet();
    for (int i = 0; i < params_.Count(); ++i) {
        TTabulaParam& param = params_[i];
        if (param.Bound())
            continue;
        const TField& field = master.FieldByName(param.Name());
        param.SetValueOfType(field.AsVariant(), field.DataType());
        param.SetBound(false);
    }
}

void TTabulaQuery::BindParams() {
    const TParamBinding binding = BuildParamBinding(params_);
    CheckCode(statement_->BindParameters(binding.count, binding.descriptors, binding.values));
}

void TTabulaQuery::RunStatement() {
    if (sql_.empty())
        msg::Raise(kNoSqlStatement);
    PrepareStatement();
    TakeDataSourceValues();
    if (params_.Count() > 0)
        BindParams();
    // Progress asks the table for its record count at every row; without a
    // handler nobody reads it, so the statement gets no callback at all.
    if (OnQueryProgress)
        statement_->SetProgressCallback(
            [this](std::int64_t counter, std::uint16_t percent, bool& abort) {
                if (OnQueryProgress)
                    OnQueryProgress(*this, static_cast<int>(counter), percent, abort);
            });
    int code = 0;
    try {
        code = statement_->Execute();
    } catch (...) {
        if (statement_)
            statement_->SetProgressCallback({});
        throw;
    }
    statement_->SetProgressCallback({});
    CheckCode(code);
}

void TTabulaQuery::Execute() {
    CheckInactive();
    SetUsageFlag(UseExecute, true);
    try {
        RunStatement();
    } catch (...) {
        SetUsageFlag(UseExecute, false);
        throw;
    }
    SetUsageFlag(UseExecute, false);
}

bool TTabulaQuery::CanModify() const {
    return statement_ && statement_->LiveResult() && TTabulaDBDataSet::CanModify();
}

void TTabulaQuery::InternalOpen() {
    SetUsageFlag(UseCursor, true);
    try {
        RunStatement();
        // INSERT, UPDATE and DELETE hand back no result cursor.
        TDataFile* cursor = statement_->ResultCursor();
        if (!cursor)
            msg::Raise(msg::kNoTableHandle);
        AttachCursor(*cursor, statement_->ResultView());
    } catch (...) {
        DetachCursor();
        SetUsageFlag(UseCursor, false);
        throw;
    }
}

void TTabulaQuery::AfterCursorBind() {
    for (int i = 0; i < FieldCount(); ++i) {
        TField& field = Fields(i);
        if (field.FieldNo() > 0 && Cursor()->GetFieldDescriptor(field.FieldNo()).IsCalculated())
            field.ReadOnly = true;
    }
}

void TTabulaQuery::InternalClose() {
    DetachCursor();
    SetUsageFlag(UseCursor, false);
}

} // namespace tabula
