// TTabulaQuery: the query component - one SQL statement held as lines of
// text, with its parameters, run against the tables of its database.
//
// The lines of SQL are joined with line breaks; the statement object only
// sees the text after the parameter rewrite (ParamScan.h), where named
// parameters are "?" markers. Any change of the lines disconnects the query
// (closes and unprepares it), drops the stored parameter image and, with
// ParamCheck on, rebuilds Params from the new text keeping the values of
// parameters whose names stay. While loading, only the rewrite happens.
//
// States:
//   unprepared --PrepareStatement--> prepared (statement object exists,
//   its source tables are open) --RunStatement--> executed
//   prepared/executed --UnprepareStatement, Disconnect, SQL change,
//   clearing the last usage flag--> unprepared
// Execute holds UseExecute only while it runs; clearing it (also on
// failure) unprepares the query when no other usage flag is set, so after
// Execute the statement is freed and its tables are closed.
//
// LockRetryCount, LockWaitTime and StrictChangeDetection reach a statement
// that exists at once. Opening the query as a dataset runs the statement
// and presents its result cursor (holding UseCursor while open); a
// statement that produces none fails with "Error creating table handle."
// after it ran. Closing the query detaches the cursor and clears
// UseCursor, which frees the statement (and deletes a temporary answer
// table) unless Prepare holds it.
#pragma once

#include "DataLink.h"
#include "TabulaDBDataSet.h"
#include "TabulaParams.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace tabula {

class TDataQuery;
class TDataSource;
class TTabulaQuery;

// Follows the parameter data source: reopens an open query when the
// source's dataset opens or moves to another record.
class TQueryDataLink : public TDataLink {
public:
    explicit TQueryDataLink(TTabulaQuery& query) : query_(query) {}

protected:
    void ActiveChanged() override;
    void RecordChanged(TField* field) override;
    void DataSetChanged() override { RecordChanged(nullptr); }
    void DataSetScrolled() override { RecordChanged(nullptr); }

private:
    TTabulaQuery& query_;
};

class TTabulaQuery : public TTabulaDBDataSet {
public:
    using TQueryProgress = std::function<void(TTabulaQuery& sender, int currentRecord,
                                              std::uint16_t percentDone, bool& abortQuery)>;

    explicit TTabulaQuery(TComponent* owner = nullptr);
    ~TTabulaQuery() override;

    // ---- SQL ------------------------------------------------------------------------
    const std::vector<std::string>& SQL() const { return sql_; }
    // Replaces the lines; nothing happens when the text stays the same.
    void SetSQL(const std::vector<std::string>& lines);
    // Line-wise changes; each one runs the change handling.
    void ClearSQL();
    void AddSQL(const std::string& line);
    // The statement text after the parameter rewrite.
    const std::string& Text() const { return text_; }

    bool ParamCheck() const { return paramCheck_; }
    void SetParamCheck(bool check) { paramCheck_ = check; }
    TTabulaParams& Params() { return params_; }
    const TTabulaParams& Params() const { return params_; }
    TTabulaParam& ParamByName(const std::string& name) { return params_.ParamByName(name); }
    // The stored parameter image (the window definition's "Data").
    void LoadParamData(std::span<const std::uint8_t> image);
    std::vector<std::uint8_t> ParamData() const;

    TDataSource* DataSource() const { return dataSource_; }
    // "Circular datalinks are not allowed" when the source leads back here.
    void SetDataSource(TDataSource* source);
    TDataSource* GetDataSource() const override { return dataSource_; }

    bool RequestLive() const { return requestLive_; }
    void SetRequestLive(bool live);
    std::uint8_t LockRetryCount() const { return lockRetryCount_; }
    void SetLockRetryCount(std::uint8_t count);
    std::uint16_t LockWaitTime() const { return lockWaitTime_; }
    void SetLockWaitTime(std::uint16_t ms);
    bool StrictChangeDetection() const { return strict_; }
    void SetStrictChangeDetection(bool strict);

    TQueryProgress OnQueryProgress;

    // ---- Statement --------------------------------------------------------------------
    // Prepares and keeps the statement prepared (holds UsePrepared).
    void Prepare();
    void Unprepare();
    bool Prepared() const { return statement_ != nullptr; }
    void PrepareStatement();
    void UnprepareStatement();
    // Prepares, binds the parameters (with values from DataSource for the
    // unbound ones) and executes the statement.
    void RunStatement();
    // Runs a statement that yields no result set.
    void Execute();
    TDataQuery* Statement() const { return statement_.get(); }
    // Only a live result (RequestLive, one table, no copy) can be edited.
    bool CanModify() const override;

    void Disconnect() override;
    void SetUsageFlag(TUsageFlag flag, bool on) override;

protected:
    void Loaded() override;

    // The cursor: the statement's result cursor, which belongs to the
    // statement (closing the query releases it with the statement).
    void InternalOpen() override;
    void InternalClose() override;
    // A live result's computed columns are calculated by the cursor: their
    // fields are read-only.
    void AfterCursorBind() override;

private:
    friend class TQueryDataLink;
    void SqlChanged();
    void TakeDataSourceValues();
    void BindParams();
    void SourceRecordChanged();

    std::vector<std::string> sql_;
    std::string text_;
    bool paramCheck_ = true;
    TTabulaParams params_;
    std::vector<std::uint8_t> paramImage_;
    TDataSource* dataSource_ = nullptr;
    TQueryDataLink dataLink_{*this};
    bool requestLive_ = false;
    std::uint8_t lockRetryCount_ = 15;
    std::uint16_t lockWaitTime_ = 100;
    bool strict_ = false;
    std::unique_ptr<TDataQuery> statement_;
};

} // namespace tabula
