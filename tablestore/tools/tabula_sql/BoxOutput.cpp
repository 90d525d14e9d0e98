// Box output: every cell is read first, so each column is as wide as its
// widest cell (counted in code points), then the header, a rule of '-' and
// the rows follow, cells separated by " | ".
#include "OutputMode.h"
#include "ValueText.h"
#include "tabula/DataSet.h"

#include <algorithm>
#include <ostream>
#include <vector>

namespace tabula::shell {
namespace {

using TRow = std::vector<std::string>;

void WriteRow(std::ostream& out, const TRow& row, const std::vector<std::size_t>& widths) {
    std::string line;
    for (std::size_t i = 0; i < row.size(); ++i) {
        if (i > 0)
            line += " | ";
        line += row[i];
        if (i + 1 < row.size())
            line.append(widths[i] - DisplayWidth(row[i]), ' ');
    }
    out << line << '\n';
}

} // namespace

void WriteBox(std::ostream& out, TDataSet& data) {
    const int count = data.FieldCount();
    TRow header;
    for (int i = 0; i < count; ++i)
        header.push_back(DecodeWindows1252(data.Fields(i).FieldName()));
    std::vector<TRow> rows;
    for (data.First(); !data.Eof(); data.Next()) {
        TRow row;
        for (int i = 0; i < count; ++i)
            row.push_back(FieldValueText(data.Fields(i), true).text);
        rows.push_back(std::move(row));
    }
    std::vector<std::size_t> widths(static_cast<std::size_t>(count), 0);
    for (std::size_t i = 0; i < header.size(); ++i)
        widths[i] = DisplayWidth(header[i]);
    for (const TRow& row : rows)
        for (std::size_t i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], DisplayWidth(row[i]));
    WriteRow(out, header, widths);
    std::string rule;
    for (std::size_t i = 0; i < widths.size(); ++i)
        rule += (i > 0 ? "-+-" : "") + std::string(widths[i], '-');
    out << rule << '\n';
    for (const TRow& row : rows)
        WriteRow(out, row, widths);
    out << '(' << rows.size() << (rows.size() == 1 ? " row)\n" : " rows)\n");
}

void WriteResult(std::ostream& out, TDataSet& data, TOutputMode mode) {
    switch (mode) {
    case TOutputMode::Box:
        WriteBox(out, data);
        break;
    case TOutputMode::Csv:
        WriteCsv(out, data);
        break;
    case TOutputMode::Json:
        WriteJson(out, data);
        break;
    }
}

} // namespace tabula::shell
