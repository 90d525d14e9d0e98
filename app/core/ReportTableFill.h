// TReportTableFill: the validation window's table-store components and the
// refill of the report table ReportTableDetail after a clean run. The window
// and the command-line checker both use it, so they leave the same rows.
//
// Components, set up as the window definition stores them (names applied
// while loading, so several windows may each carry a database named "DB"):
//   TabulaDatabase  database "DB", session "Default"; its directory is set
//                   by the owner (SetDirectory), not at construction
//   dbDetailReport  table "ReportTableDetail.DAT" of database "DB", lock
//                   retry count 15, lock wait time 100 ms, buffer flush
//                   forcing off
//   queryDetail     query of database "DB", lock retry count 15, lock wait
//                   time 100 ms
// A dataset names its database; the session resolves the name to the first
// database of that name registered with it. With a logon window open that is
// the logon window's "DB", whatever this object's own directory says.
//
// One refill, in this order (each step runs only when the one before did):
//   the report table is mended when damaged (MendReportTable) ->
//   "Delete From ReportTableDetail" through queryDetail ->
//   dbDetailReport inactive -> exclusive on -> EmptyTable -> exclusive off ->
//   active -> one appended and posted row per detail record of the input
//   file -> status "File Validate Success " -> dbDetailReport closed ->
//   information "Success Data. ".
// Table-store errors pass to the caller unchanged (ETabulaEngineError and the
// dataset framework's errors); the table may then be left inactive or
// exclusive, and rows appended before the failure stay. A failure never
// leaves the user stuck: the report table holds only rows that every clean
// run replaces, so the next refill repairs a table it finds damaged, or
// makes it anew, and goes on.
//
// Row values, cut from a detail line as text and assigned by field name:
//   No             ordinal of the detail record among the detail records, from 1
//   Product        columns 42-44
//   AccountNumber  columns 45-69
//   AccountName    columns 70-139
//   Ref1           columns 147-166
//   Action         the word for column 207 ("1" Delete, "2" Add, "3" Force
//                  Add, "4" Special Add); any other byte gives an empty text
// Values are untrimmed; a line shorter than a column gives what is there.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tabula {
class TTabulaDatabase;
class TTabulaQuery;
class TTabulaTable;
} // namespace tabula

namespace morvane {

class TMessageSink;
class TMorvaneWorkflow;
class TResultGrid;

class TReportTableFill {
public:
    static constexpr const char* kDatabaseName = "DB";
    static constexpr const char* kSessionName = "Default";
    static constexpr const char* kDetailTableName = "ReportTableDetail.DAT";
    static constexpr const char* kDeleteStatement = "Delete From ReportTableDetail";
    static constexpr std::uint8_t kLockRetryCount = 15;
    static constexpr std::uint16_t kLockWaitTime = 100;

    TReportTableFill();
    ~TReportTableFill();
    TReportTableFill(const TReportTableFill&) = delete;
    TReportTableFill& operator=(const TReportTableFill&) = delete;

    tabula::TTabulaDatabase& TabulaDatabase() { return *database_; }
    tabula::TTabulaTable& dbDetailReport() { return *table_; }
    tabula::TTabulaQuery& queryDetail() { return *query_; }

    // Directory of this object's own database component.
    void SetDirectory(const std::string& directory);

    // Runs one statement through `query`: its attached controls are disabled,
    // the query closed, its SQL replaced by the statement and executed; the
    // controls are enabled again also when execution fails.
    static void RunSql(tabula::TTabulaQuery& query, const std::string& statement);

    // "Delete From ReportTableDetail" through queryDetail: what a new
    // validation window does first.
    void EmptyReportTable();

    // The refill (see the top of this file). inputPath: the registration file,
    // read again as text; grid receives the status text, messages the box.
    void RefillReportTable(const std::string& inputPath, TResultGrid& grid, TMessageSink& messages);

    // Plugs the refill into the road's RefillReportTable hook; the road's
    // input field, grid and `messages` are used at the time of the call.
    void Install(TMorvaneWorkflow& road, TMessageSink& messages);

    // When the report table's files exist but do not open or do not pass the
    // consistency check, repairs the table, and when it is still not sound,
    // creates it anew (empty) in this object's directory. Leaves the table
    // component inactive. Answers whether anything was mended.
    bool MendReportTable();

    // The Action word of a detail record's action code, empty for others.
    static std::string ActionWord(char code);

private:
    std::unique_ptr<tabula::TTabulaDatabase> database_;
    std::unique_ptr<tabula::TTabulaTable> table_;
    std::unique_ptr<tabula::TTabulaQuery> query_;
    std::string directory_;
};

} // namespace morvane
