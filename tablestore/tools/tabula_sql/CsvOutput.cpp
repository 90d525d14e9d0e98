// CSV output (RFC 4180), see OutputMode.h.
#include "OutputMode.h"
#include "ValueText.h"
#include "tabula/DataSet.h"

#include <ostream>

namespace tabula::shell {

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

void WriteCsv(std::ostream& out, TDataSet& data) {
    const int count = data.FieldCount();
    for (int i = 0; i < count; ++i)
        out << (i > 0 ? "," : "") << CsvField(data.Fields(i).FieldName());
    out << "\r\n";
    for (data.First(); !data.Eof(); data.Next()) {
        for (int i = 0; i < count; ++i)
            out << (i > 0 ? "," : "") << CsvField(FieldValueText(data.Fields(i), false).text);
        out << "\r\n";
    }
}

} // namespace tabula::shell
