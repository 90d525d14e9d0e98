// The validation result grid's row model; see ResultGrid.h for its states.
#include "ResultGrid.h"

#include <array>

namespace morvane {

namespace {

struct TColumnSpec {
    const char* header;
    int width;
};

constexpr std::array<TColumnSpec, 5> kRecordTypeColumns{{
    {"No.", 40},
    {"File Name", 150},
    {"Record Type", 100},
    {"Line", 35},
    {"Message", 500},
}};

constexpr std::array<TColumnSpec, 9> kFieldColumns{{
    {"No.", 40},
    {"File Name", 150},
    {"Record Type", 100},
    {"Line", 35},
    {"Column", 60},
    {"Field Name", 150},
    {"Message", 500},
    {"Account", 75},
    {"Payee Name", 500},
}};

// The grid as the window opens it: two columns, the second wider.
constexpr int kInitialSecondWidth = 122;

const std::string kEmptyCell;

} // namespace

TResultGrid::TResultGrid()
    : rows_(2, Row(kMaxColumns)), widths_(kMaxColumns, kDefaultColWidth) {
    widths_[1] = kInitialSecondWidth;
}

void TResultGrid::SetPassLayout(TPassLayout layout) {
    layout_ = layout;
    rows_.resize(2, Row(kMaxColumns));
    auto apply = [this](const auto& columns) {
        colCount_ = static_cast<int>(columns.size());
        for (int c = 0; c < colCount_; ++c) {
            rows_[0][c] = columns[c].header;
            widths_[c] = columns[c].width;
        }
    };
    if (layout == TPassLayout::RecordType) {
        apply(kRecordTypeColumns);
    } else {
        apply(kFieldColumns);
    }
}

void TResultGrid::AppendRow(const std::string* cells, int count) {
    const int r = RowCount() - 1; // the empty last row
    Row& row = rows_[r];
    row[0] = std::to_string(r);
    for (int i = 0; i < count; ++i) {
        row[1 + i] = cells[i];
    }
    rows_.emplace_back(kMaxColumns);
}

void TResultGrid::AddFaultRow(const std::string& fileName, const std::string& recordType,
                              const std::string& line, const std::string& column,
                              const std::string& fieldName, const std::string& message) {
    const std::string cells[] = {fileName, recordType, line, column, fieldName, message};
    AppendRow(cells, 6);
}

void TResultGrid::AddDetailFaultRow(const std::string& fileName, const std::string& recordType,
                                    const std::string& line, const std::string& column,
                                    const std::string& fieldName, const std::string& message,
                                    const std::string& account, const std::string& payeeName) {
    const std::string cells[] = {fileName, recordType, line,    column,
                                 fieldName, message,   account, payeeName};
    AppendRow(cells, 8);
}

void TResultGrid::MarkInvalid() { status_ = kStatusInvalid; }

void TResultGrid::ClearGrid() {
    for (std::size_t r = 1; r < rows_.size(); ++r) {
        for (auto& cell : rows_[r]) {
            cell.clear();
        }
    }
    rows_.resize(2, Row(kMaxColumns));
    colCount_ = 2;
}

int TResultGrid::ColWidth(int col) const {
    if (col < 0 || col >= kMaxColumns) {
        return kDefaultColWidth;
    }
    return widths_[col];
}

const std::string& TResultGrid::Cell(int col, int row) const {
    if (row < 0 || row >= RowCount() || col < 0 || col >= kMaxColumns) {
        return kEmptyCell;
    }
    return rows_[row][col];
}

} // namespace morvane
