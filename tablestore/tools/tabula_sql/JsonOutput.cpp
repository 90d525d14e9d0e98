// JSON output, see OutputMode.h. The column "size" is the field's declared
// size (string and byte lengths, BCD decimals, 0 for other types).
#include "FieldTypeNames.h"
#include "OutputMode.h"
#include "ValueText.h"
#include "tabula/DataSet.h"

#include <cstdio>
#include <ostream>

namespace tabula::shell {

std::string JsonString(const std::string& utf8) {
    std::string out = "\"";
    for (const char c : utf8) {
        const auto b = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (b < 0x20) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04x", b);
                out += escape;
            } else {
                out += c;
            }
        }
    }
    return out + '"';
}

void WriteJson(std::ostream& out, TDataSet& data) {
    const int count = data.FieldCount();
    out << "{\"columns\": [";
    for (int i = 0; i < count; ++i) {
        const TField& field = data.Fields(i);
        out << (i > 0 ? ", " : "")
            << "{\"name\": " << JsonString(DecodeWindows1252(field.FieldName()))
            << ", \"type\": " << JsonString(FieldTypeName(field.DataType()))
            << ", \"size\": " << field.Size() << '}';
    }
    out << "], \"rows\": [";
    bool firstRow = true;
    for (data.First(); !data.Eof(); data.Next()) {
        out << (firstRow ? "" : ", ") << '[';
        firstRow = false;
        for (int i = 0; i < count; ++i) {
            const TValueText value = FieldValueText(data.Fields(i), true);
            out << (i > 0 ? ", " : "");
            if (value.kind == TValueKind::Null)
                out << "null";
            else if (value.kind == TValueKind::Text)
                out << JsonString(value.text);
            else
                out << value.text;
        }
        out << ']';
    }
    out << "]}\n";
}

} // namespace tabula::shell
