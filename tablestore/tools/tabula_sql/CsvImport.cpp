// The CSV reader and the import of its records (see CsvImport.h).
#include "CsvImport.h"

#include "tabula/Field.h"
#include "tabula/TabulaTable.h"

#include <fstream>
#include <istream>

namespace tabula::shell {

std::optional<std::vector<std::string>> TCsvReader::Next() {
    int c = in_.get();
    if (c == EOF)
        return std::nullopt;
    recordLine_ = line_;
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (; c != EOF; c = in_.get()) {
        const char ch = static_cast<char>(c);
        if (quoted) {
            if (ch == '"' && in_.peek() == '"') {
                fields.back() += '"';
                in_.get();
            } else if (ch == '"') {
                quoted = false;
            } else {
                line_ += ch == '\n';
                fields.back() += ch;
            }
        } else if (ch == '"') {
            quoted = true;
        } else if (ch == ',') {
            fields.emplace_back();
        } else if (ch == '\n') {
            ++line_;
            return fields;
        } else if (ch == '\r' && in_.peek() == '\n') {
            continue;
        } else {
            fields.back() += ch;
        }
    }
    if (quoted)
        throw ECsvImport("a quoted field is not closed");
    return fields;
}

namespace {

std::vector<TField*> HeaderFields(TTabulaTable& table, const std::vector<std::string>& header) {
    std::vector<TField*> fields;
    for (const std::string& name : header) {
        TField* field = table.FindField(name);
        if (field == nullptr)
            throw ECsvImport("line 1: the table has no field '" + name + "'");
        fields.push_back(field);
    }
    return fields;
}

std::string Stopped(std::int64_t line, const std::string& reason, std::int64_t imported) {
    return "line " + std::to_string(line) + ": " + reason + " (" + std::to_string(imported) +
           (imported == 1 ? " row" : " rows") + " imported before it)";
}

// Appends one record, or none: a value or post failure cancels the insert.
void AppendRecord(TTabulaTable& table, const std::vector<TField*>& fields,
                  const std::vector<std::string>& record, std::int64_t line,
                  std::int64_t imported) {
    if (record.size() != fields.size())
        throw ECsvImport(Stopped(line,
                                 std::to_string(record.size()) + " fields where the header has " +
                                     std::to_string(fields.size()),
                                 imported));
    try {
        table.Append();
        for (std::size_t i = 0; i < fields.size(); ++i)
            if (!record[i].empty())
                fields[i]->SetAsString(record[i]);
        table.Post();
    } catch (const std::exception& e) {
        table.Cancel();
        throw ECsvImport(Stopped(line, e.what(), imported));
    }
}

} // namespace

std::int64_t ImportCsv(const std::string& directory, const std::string& tableName,
                       const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw ECsvImport("cannot open '" + file + "'");
    TCsvReader reader(in);
    const auto header = reader.Next();
    if (!header)
        throw ECsvImport("'" + file + "' has no header row");
    TTabulaTable table;
    table.SetDatabaseName(directory);
    table.SetTableName(tableName);
    table.Open();
    const std::vector<TField*> fields = HeaderFields(table, *header);
    std::int64_t imported = 0;
    for (;;) {
        std::optional<std::vector<std::string>> record;
        try {
            record = reader.Next();
        } catch (const ECsvImport& e) {
            throw ECsvImport(Stopped(reader.RecordLine(), e.what(), imported));
        }
        if (!record)
            break;
        AppendRecord(table, fields, *record, reader.RecordLine(), imported);
        ++imported;
    }
    table.Close();
    return imported;
}

} // namespace tabula::shell
