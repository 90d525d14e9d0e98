// TDataQuery: one SQL statement of a query component - parsed, resolved
// against its source tables (opened when preparing) and executed.
//
// States:
//   Empty --Prepare ok--> Prepared --Execute--> Executed
//   Empty --Prepare fails--> Empty (every table it opened is closed again)
//   Prepared/Executed --destruction--> tables closed
// Prepare on a statement that has produced a result answers kErrUnknownOsError and
// changes nothing. Execute may run again on a prepared statement.
//
// Operations answer an engine code (0 for success) where the statement
// itself decides on a failure; failures of the parser, the resolver, type
// checking and the tables are raised where they happen (ETabulaEngineError,
// ESqlConvertError for a number token the parser cannot convert). The
// caller raises a non-zero answer with CheckCode.
//
// Execution of INSERT, UPDATE and DELETE:
//   - the first source table is the target; it was opened shared, writable
//     and in physical record order when the statement was prepared;
//   - filters left on the source tables by an earlier run are dropped; the
//     WHERE condition is type-checked and must be boolean;
//   - the WHERE tree is split into the parts the target's indexes answer
//     (handed to the table as engine filters) and a residual condition that
//     is tested record by record;
//   - DELETE and UPDATE walk the target in physical order under one table
//     lock, which is released however the walk ends; deleted slots are not
//     revisited (the cursor stays on a deleted slot, so the next step
//     fetches the record after it);
//   - INSERT appends exactly one record under the table lock;
//   - the progress callback sees a 1-based counter of the records visited and
//     may abort; rows changed before a failure or an abort stay changed.
// Execution of SELECT: the result columns were typed when the statement was
// prepared, and it was decided whether the result is live
// (select/LiveResult.h): then Execute hands the WHERE condition to the
// source table's cursor, which is the result. Otherwise (canned) Execute
// walks the joined source tables and writes the answer table afresh
// (select/SelectExecution.h), which is then the result cursor: a temporary
// table without INTO (deleted when the statement goes), the INTO table
// otherwise.
//
// This header does not include the record manager's headers, so that the
// dataset components can use the statement without them.
#pragma once

#include "EngineCodes.h"
#include "SqlResolver.h"
#include "SqlStatement.h"
#include "SqlValue.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace tabula {

class TSourceDataFile;
class TAnswerTable;
class TLiveResult;
struct TFieldDescriptor;
class TDataFile;
struct TResultDataField;

class TDataQuery {
public:
    // Asked while a protected table is opened (TDataFile's password
    // callback): true to look for the password again.
    using TPasswordCallback = std::function<bool(void* context)>;
    // (counter, percentDone, abort): called once per record visited.
    using TProgressCallback =
        std::function<void(std::int64_t counter, std::uint16_t percentDone, bool& abort)>;

    TDataQuery();
    ~TDataQuery();
    TDataQuery(const TDataQuery&) = delete;
    TDataQuery& operator=(const TDataQuery&) = delete;

    // Database directory of relative table names: trimmed, "/" appended
    // when missing (an empty directory stays empty: the current directory).
    void SetDirectory(const std::string& path);
    const std::string& Directory() const { return directory_; }
    void SetPasswordCallback(void* session, TPasswordCallback callback);
    void SetProgressCallback(TProgressCallback callback) { progress_ = std::move(callback); }

    // Passed on at once to every open source table.
    void SetLockRetryCount(std::uint8_t count);
    void SetLockWaitTime(std::uint16_t ms);
    void SetStrictChangeDetection(bool strict) { strict_ = strict; }
    void SetRequestLive(bool live) { requestLive_ = live; }
    std::uint8_t LockRetryCount() const { return lockRetryCount_; }
    std::uint16_t LockWaitTime() const { return lockWaitTime_; }

    int Prepare(const std::string& text);
    // Gives the markers the values of a binding image (ParamBinding.h) in
    // order of appearance; markers past the last value keep none. More
    // values than markers: kErrSql "Internal parameter error".
    int BindParameters(std::size_t count, std::span<const std::uint8_t> descriptors,
                       std::span<const std::uint8_t> values);
    int Execute();

    bool Prepared() const { return prepared_; }
    bool Writable() const { return statement_.writable; }
    const TSqlStatement& Statement() const { return statement_; }
    int ParameterCount() const { return static_cast<int>(statement_.parameters.size()); }
    TSourceDataFile& Source(int index) { return *sources_.at(static_cast<std::size_t>(index)); }
    int SourceCount() const { return static_cast<int>(sources_.size()); }
    // What the last execution handed to the target: its engine filters, and
    // whether a residual condition was left to test record by record.
    int HandedFilterCount() const { return static_cast<int>(targetFilters_.size()); }
    bool HasResidualCondition() const { return residual_ != nullptr; }
    // The result cursor of an executed SELECT (nullptr before that, and for
    // other statements). It belongs to the statement.
    TDataFile* ResultCursor();
    // Whether the result is live: the source table's own cursor, editable.
    bool LiveResult() const { return live_ != nullptr; }
    // A live result's fields as the dataset shows them: one descriptor per
    // result column, named as the column, numbered as the cursor's field
    // (empty for a canned result, whose cursor has exactly these fields).
    std::vector<TFieldDescriptor> ResultView() const;

private:
    void OpenSources();
    void CloseSources();
    void StartExecution();
    void ExecuteDelete();
    void ExecuteUpdate();
    void ExecuteInsert();
    std::vector<TSourceDataFile*> SourcePointers();
    void PrepareSelect();
    void ExecuteSelect();
    // Walks the target in physical order under its table lock and calls
    // rowAction for every record that passes the residual condition.
    void WalkTarget(const std::function<void()>& rowAction);
    bool ResidualAccepts() const;
    TSqlValue ColumnValue(const struct TSqlNode& column) const;
    // Evaluates the assigned values and writes them into the target buffer.
    void WriteTargets();

    std::string directory_;
    std::uint8_t lockRetryCount_ = 15;
    std::uint16_t lockWaitTime_ = 100;
    bool strict_ = false;
    bool requestLive_ = false;
    void* passwordSession_ = nullptr;
    TPasswordCallback passwordCallback_;
    TProgressCallback progress_;

    TSqlStatement statement_;
    std::vector<std::unique_ptr<TSourceDataFile>> sources_;
    std::unique_ptr<TSqlResolver> resolver_;
    TSqlNodePtr residual_;
    std::vector<int> targetFilters_; // engine filter handles added to the target
    std::vector<TResultDataField> resultFields_;
    std::unique_ptr<TAnswerTable> answer_;
    bool prepared_ = false;
    bool executed_ = false;
    bool resultProduced_ = false;
    std::unique_ptr<TLiveResult> live_;
};

} // namespace tabula
