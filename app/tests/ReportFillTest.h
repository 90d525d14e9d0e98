// Shared by the tests of the report table refill (command line and window):
// a clean file with three detail records, the rows it should leave, and the
// rows of ReportTableDetail in a directory read back in the order of its
// primary index (No), each as its six fields' texts.
#pragma once

#include "ReportTable.h"
#include "TestRecords.h"
#include "tabula/Field.h"
#include "tabula/TabulaTable.h"

#include <array>
#include <string>
#include <vector>

namespace morvane::test {

// No, Product, AccountNumber, AccountName, Ref1, Action.
using TReportRow = std::array<std::string, 6>;

inline std::vector<TReportRow> ReadReportRows(const std::string& dir) {
    tabula::TTabulaTable table;
    table.SetDatabaseName(dir); // a database name holding "/" is itself the directory
    table.SetTableName(kReportTableFile);
    table.Open();
    std::vector<TReportRow> rows;
    static const char* const kNames[] = {"No",          "Product", "AccountNumber",
                                         "AccountName", "Ref1",    "Action"};
    for (table.First(); !table.Eof(); table.Next()) {
        TReportRow row;
        for (std::size_t i = 0; i < row.size(); ++i)
            row[i] = table.FieldByName(kNames[i]).AsString();
        rows.push_back(row);
    }
    table.Close();
    return rows;
}

// Three detail records with different account names, references and
// actions 1, 2 and 4.
inline std::vector<std::string> ThreeDetails() {
    auto lines = CleanLines(3);
    const char* actions = "124";
    for (int i = 1; i <= 3; ++i) {
        Put(lines[i], 70, Padded("PAYEE " + std::to_string(i), 70));
        Put(lines[i], 147, Padded("REF-" + std::to_string(i), 20));
        Put(lines[i], 207, std::string(1, actions[i - 1]));
    }
    return lines;
}

// The fill assigns the columns untrimmed; the table stores a string without
// its trailing blanks, so that is how it reads back.
inline TReportRow ExpectedReportRow(int no, const std::string& action) {
    return {std::to_string(no),          "PAY", "1234567896", "PAYEE " + std::to_string(no),
            "REF-" + std::to_string(no), action};
}

} // namespace morvane::test
