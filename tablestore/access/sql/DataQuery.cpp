// TDataQuery: preparing and executing one statement.
#include "DataQuery.h"

#include "EngineCodes.h"
#include "EngineError.h"
#include "ParamBinding.h"
#include "SourceDataFile.h"
#include "SqlConvert.h"
#include "SqlError.h"
#include "SqlEvaluate.h"
#include "SqlFilterBuilder.h"
#include "SqlParser.h"
#include "SqlTypeCheck.h"
#include "TextBlanks.h"
#include "UserLocale.h"
#include "select/AnswerTable.h"
#include "select/LiveResult.h"
#include "select/ResultField.h"
#include "select/SelectExecution.h"

#include <algorithm>
#include <exception>
#include <optional>

namespace tabula {

namespace {

// Releases the target's table lock however the walk ends. A failure to
// unlock while another failure is on its way is dropped: the first failure
// is the one the caller must see.
class TTableLockScope {
public:
    explicit TTableLockScope(TDataFile& file) : file_(file) { file_.LockTable(); }
    ~TTableLockScope() noexcept(false) {
        if (std::uncaught_exceptions() > pending_) {
            try {
                file_.UnlockTable();
            } catch (...) {
            }
        } else {
            file_.UnlockTable();
        }
    }
    TTableLockScope(const TTableLockScope&) = delete;
    TTableLockScope& operator=(const TTableLockScope&) = delete;

private:
    TDataFile& file_;
    int pending_ = std::uncaught_exceptions();
};

} // namespace

TDataQuery::TDataQuery() = default;

TDataQuery::~TDataQuery() {
    CloseSources();
}

void TDataQuery::SetDirectory(const std::string& path) {
    directory_ = TrimSpaces(path);
    if (!directory_.empty() && directory_.back() != '/')
        directory_ += '/';
}

void TDataQuery::SetPasswordCallback(void* session, TPasswordCallback callback) {
    passwordSession_ = session;
    passwordCallback_ = std::move(callback);
}

void TDataQuery::SetLockRetryCount(std::uint8_t count) {
    lockRetryCount_ = count;
    for (auto& s : sources_)
        s->ApplyLockSettings(lockRetryCount_, lockWaitTime_);
}

void TDataQuery::SetLockWaitTime(std::uint16_t ms) {
    lockWaitTime_ = ms;
    for (auto& s : sources_)
        s->ApplyLockSettings(lockRetryCount_, lockWaitTime_);
}

int TDataQuery::Prepare(const std::string& text) {
    if (resultProduced_)
        return kErrUnknownOsError;
    CloseSources();
    prepared_ = false;
    executed_ = false;
    try {
        statement_ = TSqlParser().Parse(text);
        if (statement_.kind == TSqlStatementKind::Select && requestLive_ && !statement_.hasInto)
            statement_.writable = true;
        OpenSources();
        std::vector<const ISqlSourceTable*> tables;
        for (auto& s : sources_)
            tables.push_back(s.get());
        resolver_ = std::make_unique<TSqlResolver>(statement_, std::move(tables));
        resolver_->Resolve();
        if (statement_.kind == TSqlStatementKind::Select)
            PrepareSelect();
    } catch (...) {
        CloseSources();
        statement_ = TSqlStatement();
        throw;
    }
    prepared_ = true;
    return 0;
}

void TDataQuery::OpenSources() {
    TSourceOpenSettings settings;
    settings.writable = statement_.writable;
    settings.lockRetryCount = lockRetryCount_;
    settings.lockWaitTime = lockWaitTime_;
    settings.strictChangeDetection = strict_;
    settings.passwordCallback = passwordCallback_;
    settings.passwordContext = passwordSession_;
    for (const TSqlTableRef& t : statement_.tables) {
        auto source = std::make_unique<TSourceDataFile>(SqlTablePath(directory_, t.tableText),
                                                        t.inMemory, t.correlation);
        source->Open(settings);
        sources_.push_back(std::move(source));
    }
}

void TDataQuery::CloseSources() {
    live_.reset();
    answer_.reset(); // a temporary answer table is deleted here
    resultFields_.clear();
    resolver_.reset();
    residual_.reset();
    targetFilters_.clear();
    sources_.clear(); // each source closes its table
}

int TDataQuery::BindParameters(std::size_t count, std::span<const std::uint8_t> descriptors,
                               std::span<const std::uint8_t> values) {
    BindParamMarkers(DecodeParamBinding(count, descriptors, values), statement_.parameters);
    return 0;
}

TSqlValue TDataQuery::ColumnValue(const TSqlNode& column) const {
    return sources_.at(static_cast<std::size_t>(column.tableIndex))
        ->ColumnValue(column.fieldNumber);
}

bool TDataQuery::ResidualAccepts() const {
    if (!residual_)
        return true;
    TSqlEvalContext context;
    context.columnValue = [this](const TSqlNode& column) { return ColumnValue(column); };
    context.localeId = sources_.front()->File().Header().LocaleId();
    return SqlIsTrue(SqlEvaluate(*residual_, context));
}

void TDataQuery::StartExecution() {
    if (statement_.kind == TSqlStatementKind::Insert)
        return;
    TDataFile& target = sources_.front()->File();
    for (int handle : targetFilters_)
        target.DropFilter(handle);
    targetFilters_.clear();
    residual_.reset();
    if (!statement_.where)
        return;
    SqlTypeCheckCondition(*statement_.where, *resolver_);
    // The parts of the condition that the target's indexes answer become
    // engine filters on it; the rest is tested record by record.
    TSqlFilterBuilder builder(target, target.Header().LocaleId(), true);
    TSqlConditionSplit split = SqlSplitCondition(statement_.where, 0, builder);
    for (TSqlTableFilter& filter : split.handed) {
        const int handle = target.AddFilter(std::move(filter.node));
        targetFilters_.push_back(handle);
        target.ActivateFilter(handle);
    }
    residual_ = split.residual;
}

std::vector<TSourceDataFile*> TDataQuery::SourcePointers() {
    std::vector<TSourceDataFile*> sources;
    for (auto& s : sources_)
        sources.push_back(s.get());
    return sources;
}

void TDataQuery::PrepareSelect() {
    resultFields_ = BuildResultFields(statement_, SourcePointers(), *resolver_);
    TSourceDataFile& first = *sources_.front();
    if (const std::optional<int> index = TLiveResult::LiveIndex(statement_, first.File()))
        live_ = std::make_unique<TLiveResult>(statement_, first, resultFields_, *index,
                                              first.File().Header().LocaleId());
}

std::vector<TFieldDescriptor> TDataQuery::ResultView() const {
    return live_ ? live_->View() : std::vector<TFieldDescriptor>{};
}

void TDataQuery::ExecuteSelect() {
    if (statement_.where)
        SqlTypeCheckCondition(*statement_.where, *resolver_);
    if (live_) {
        live_->Execute();
        resultProduced_ = true;
        return;
    }
    answer_.reset();
    const std::string path =
        statement_.hasInto ? SqlTablePath(directory_, statement_.intoName) : std::string();
    const std::uint32_t localeId = sources_.front()->File().Header().LocaleId();
    answer_ = std::make_unique<TAnswerTable>(path, statement_.intoMemory,
                                             TAnswerTable::LayoutFor(statement_, resultFields_),
                                             UserDefaultLocaleId());
    ExecuteCannedSelect(statement_, SourcePointers(), resultFields_, localeId, *answer_, progress_);
    resultProduced_ = true;
}

TDataFile* TDataQuery::ResultCursor() {
    if (live_)
        return resultProduced_ ? &live_->Cursor() : nullptr;
    return answer_ ? &answer_->File() : nullptr;
}

int TDataQuery::Execute() {
    if (!prepared_)
        return kErrInvalidHandle;
    if (statement_.kind == TSqlStatementKind::Select) {
        ExecuteSelect();
        executed_ = true;
        return 0;
    }
    StartExecution();
    switch (statement_.kind) {
    case TSqlStatementKind::Delete:
        ExecuteDelete();
        break;
    case TSqlStatementKind::Update:
        ExecuteUpdate();
        break;
    case TSqlStatementKind::Insert:
        ExecuteInsert();
        break;
    case TSqlStatementKind::Select:
        break;
    }
    executed_ = true;
    return 0;
}

void TDataQuery::WalkTarget(const std::function<void()>& rowAction) {
    TSourceDataFile& source = *sources_.front();
    TDataFile& target = source.File();
    TTableLockScope lock(target);
    bool aborted = false;
    target.GotoFirst();
    std::int64_t counter = 1;
    std::int64_t lastPosition = target.RecordPosition();
    while (!aborted && target.NextRecord(source.Buffer()) == 0) {
        const std::int64_t position = target.RecordPosition();
        if (position != lastPosition) {
            ++counter;
            lastPosition = position;
            if (progress_) {
                const std::int64_t count = target.RecordCount();
                // An emptied table reports everything done rather than
                // dividing by zero.
                const std::int64_t percent = count > 0 ? counter * 100 / count : 100;
                progress_(counter,
                          static_cast<std::uint16_t>(std::clamp<std::int64_t>(percent, 0, 65535)),
                          aborted);
            }
        }
        if (ResidualAccepts())
            rowAction();
    }
}

void TDataQuery::ExecuteDelete() {
    TDataFile& target = sources_.front()->File();
    WalkTarget([&] { target.DeleteRecord(false); });
}

void TDataQuery::WriteTargets() {
    TSourceDataFile& source = *sources_.front();
    TDataFile& target = source.File();
    TSqlEvalContext context;
    context.columnValue = [this](const TSqlNode& column) { return ColumnValue(column); };
    context.localeId = target.Header().LocaleId();
    for (std::size_t i = 0; i < statement_.targetColumns.size(); ++i) {
        const TSqlNode& column = *statement_.targetColumns[i];
        const TSqlNode& valueNode = *statement_.values[i];
        const TSqlValue value = SqlEvaluate(valueNode, context);
        const TFieldDescriptor field = target.GetFieldDescriptor(column.fieldNumber);
        // A NULL assigned by the statement makes the column null, whatever
        // its type: writing the zero bytes would store a present zero.
        if (value.IsNull()) {
            target.WriteNullField(column.fieldNumber, source.Buffer());
            continue;
        }
        const auto bytes = SqlConvertToColumn(value, field);
        if (!bytes)
            RaiseSqlError(SqlTypeMismatchMessage(field.name, valueNode.name, statement_.kind));
        target.WriteField(column.fieldNumber, source.Buffer(), *bytes);
    }
}

void TDataQuery::ExecuteUpdate() {
    for (auto& v : statement_.values)
        SqlTypeCheck(*v, "values", *resolver_);
    TSourceDataFile& source = *sources_.front();
    TDataFile& target = source.File();
    WalkTarget([&] {
        if (target.GetCurrentRecord(source.Buffer(), true) != 0)
            return;
        WriteTargets();
        target.UpdateRecord(source.Buffer(), true, false);
    });
}

void TDataQuery::ExecuteInsert() {
    for (auto& v : statement_.values)
        SqlTypeCheck(*v, "values", *resolver_);
    TSourceDataFile& source = *sources_.front();
    TDataFile& target = source.File();
    TTableLockScope lock(target);
    target.InitRecord(source.Buffer());
    WriteTargets();
    target.AppendRecord(source.Buffer());
}

} // namespace tabula
