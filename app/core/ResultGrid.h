// The row model of the validation result grid: a table of text cells
// addressed by (column, row), both from 0, with one width per column and the
// status label text beside it.
//
// Invariants:
//   - RowCount() >= 2 always; row 0 is the header row, column 0 holds the row
//     number, and the last row is always empty: a new fault is written into
//     it and then a fresh empty row is added.
//   - Cells hold bytes exactly as given (no character-set conversion).
//   - Cells are kept for all 9 possible columns even when fewer are shown: in
//     the record-type layout AddFaultRow still writes cells 1 to 6.
//
// States: initial (2 columns of widths 40 and 122, 2 rows, all empty) ->
// SetPassLayout (5 or 9 columns, 2 rows; rows below the header keep their
// texts) -> rows appended -> ClearGrid (rows 1.. emptied, 2 rows, 2 columns;
// header texts of the last layout stay).
#pragma once

#include <string>
#include <vector>

#include "FaultReport.h"

namespace morvane {

class TResultGrid : public TFaultReport {
public:
    static constexpr int kMaxColumns = 9;
    static constexpr int kDefaultRowHeight = 17;
    static constexpr int kDefaultColWidth = 40;

    static constexpr const char* kStatusInvalid = "Invalid data fields";
    static constexpr const char* kStatusSuccess = "File Validate Success ";

    TResultGrid();

    // Fault-report operations.
    void SetPassLayout(TPassLayout layout) override;
    void AddFaultRow(const std::string& fileName, const std::string& recordType,
                     const std::string& line, const std::string& column,
                     const std::string& fieldName, const std::string& message) override;
    void AddDetailFaultRow(const std::string& fileName, const std::string& recordType,
                           const std::string& line, const std::string& column,
                           const std::string& fieldName, const std::string& message,
                           const std::string& account, const std::string& payeeName) override;
    void MarkInvalid() override;

    void ClearGrid();

    int RowCount() const { return static_cast<int>(rows_.size()); }
    int ColCount() const { return colCount_; }
    int ColWidth(int col) const;
    // Cells outside the table read as empty.
    const std::string& Cell(int col, int row) const;
    // The layout most recently announced (RecordType before the first run).
    TPassLayout Layout() const { return layout_; }

    const std::string& StatusText() const { return status_; }
    void SetStatusText(std::string text) { status_ = std::move(text); }

    // Number of fault rows (rows between the header and the empty last row).
    int FaultRowCount() const { return RowCount() - 2; }

private:
    using Row = std::vector<std::string>; // always kMaxColumns cells

    void AppendRow(const std::string* cells, int count);

    std::vector<Row> rows_;
    std::vector<int> widths_;
    int colCount_ = 2;
    TPassLayout layout_ = TPassLayout::RecordType;
    std::string status_;
};

} // namespace morvane
