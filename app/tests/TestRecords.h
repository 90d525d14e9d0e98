// Helpers of the application tests: building valid registration records
// field by field, scratch directories, and a message sink that records.
#pragma once

#include "MessageSink.h"
#include "ResultGrid.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace morvane::test {

// Places `value` at 1-based `column` of `line`, padding the line with spaces.
inline void Put(std::string& line, std::size_t column, const std::string& value) {
    if (line.size() < column - 1 + value.size()) {
        line.resize(column - 1 + value.size(), ' ');
    }
    line.replace(column - 1, value.size(), value);
}

inline std::string Padded(std::string text, std::size_t width) {
    text.resize(width, ' ');
    return text;
}

// A valid header: batch "BATCH1", company "COMP01", channel KVL.
inline std::string Header(const std::string& batch = "BATCH1",
                          const std::string& company = "COMP01") {
    std::string l(96, ' ');
    Put(l, 1, "001");
    Put(l, 4, batch);
    Put(l, 36, company);
    Put(l, 48, "CUSTREF");
    Put(l, 80, "20240131");
    Put(l, 88, "093015");
    Put(l, 94, "KVL");
    return l;
}

// A valid detail with sequence `seq`: product PAY, account 1234567896 at the
// bank's own code 014 (correct check digit), branch 0001, action 2.
inline std::string Detail(int seq, const std::string& batch = "BATCH1") {
    std::string l(264, ' ');
    char s[16];
    std::snprintf(s, sizeof s, "%06d", seq);
    Put(l, 1, "002");
    Put(l, 4, batch);
    Put(l, 36, s);
    Put(l, 42, "PAY");
    Put(l, 45, "1234567896");
    Put(l, 70, "PAYEE NAME");
    Put(l, 140, "014");
    Put(l, 143, "0001");
    Put(l, 147, "REF1");
    Put(l, 207, "2");
    return l;
}

inline std::string Trailer(const std::string& total, const std::string& batch = "BATCH1") {
    std::string l(41, ' ');
    Put(l, 1, "999");
    Put(l, 4, batch);
    Put(l, 36, total);
    return l;
}

// Lines joined with CR LF after every line.
inline std::string Crlf(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) {
        out += l;
        out += "\r\n";
    }
    return out;
}

// A clean file: header, `details` detail records, matching trailer.
inline std::vector<std::string> CleanLines(int details) {
    std::vector<std::string> lines{Header()};
    for (int i = 1; i <= details; ++i) {
        lines.push_back(Detail(i));
    }
    char t[16];
    std::snprintf(t, sizeof t, "%06d", details);
    lines.push_back(Trailer(t));
    return lines;
}

// A scratch directory removed with the object.
class TScratchDir {
public:
    TScratchDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "morvane-test-").string() +
                           std::string(6, 'X'); // mkdtemp's placeholder
        if (::mkdtemp(tmpl.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        path_ = tmpl;
    }
    ~TScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TScratchDir(const TScratchDir&) = delete;
    TScratchDir& operator=(const TScratchDir&) = delete;

    std::string Path(const std::string& name = "") const {
        return name.empty() ? path_.string() : (path_ / name).string();
    }
    std::string Write(const std::string& name, const std::string& bytes) const {
        const std::string p = Path(name);
        std::ofstream(p, std::ios::binary) << bytes;
        return p;
    }

private:
    std::filesystem::path path_;
};

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class TRecordingSink : public TMessageSink {
public:
    struct TMessage {
        TMessageKind Kind;
        std::string Text;
    };
    void ShowMessage(TMessageKind kind, const std::string& text) override {
        Messages.push_back({kind, text});
    }
    std::vector<TMessage> Messages;
};

// One grid row's cells 0..8.
inline std::vector<std::string> RowCells(const TResultGrid& grid, int row) {
    std::vector<std::string> cells;
    for (int c = 0; c < TResultGrid::kMaxColumns; ++c) {
        cells.push_back(grid.Cell(c, row));
    }
    return cells;
}

} // namespace morvane::test
