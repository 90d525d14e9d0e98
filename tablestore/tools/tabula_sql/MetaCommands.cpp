// The meta-commands (see MetaCommands.h). Each command reads its words,
// then does its work through the public components; failures raise and
// the shell reports them.
#include "MetaCommands.h"

#include "CreateParser.h"
#include "CsvImport.h"
#include "FieldTypeNames.h"
#include "Shell.h"
#include "tabula/TableCreation.h"
#include "tabula/TableRepair.h"
#include "tabula/TableVerifier.h"
#include "tabula/TabulaTable.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace tabula::shell {

const char* const kShellHelp =
    ".tables                 list the tables of the directory\n"
    ".schema TABLE           show a table's fields and indexes\n"
    ".create TABLE (FIELD TYPE[(SIZE[,DECIMALS])] [NOT NULL], ...)\n"
    "        [PRIMARY KEY (FIELD [DESC], ...) [NOCASE]]\n"
    "        [INDEX NAME (FIELD [DESC], ...) [UNIQUE] [NOCASE]]...\n"
    "                        create a table; types: STRING DATE TIME TIMESTAMP\n"
    "                        BOOLEAN SMALLINT INTEGER WORD AUTOINC FLOAT MONEY BCD\n"
    "                        BYTES VARBYTES MEMO BLOB FMTMEMO GRAPHIC TYPEDBINARY\n"
    ".import TABLE FILE      append the records of a CSV file (header names fields)\n"
    ".verify TABLE           check a table's consistency\n"
    ".repair TABLE           rebuild a damaged table's indexes and chains, then check it\n"
    ".drop TABLE             delete a table\n"
    ".help                   show this list\n"
    ".quit                   leave the shell\n"
    "Other input is SQL; a statement ends with \";\" at the end of a line.\n";

namespace {

// The command word and the rest of the line, without a trailing ";".
struct TMetaLine {
    std::string command;
    std::string rest;
};

TMetaLine SplitLine(std::string line) {
    while (!line.empty() &&
           (line.back() == ';' || std::isspace(static_cast<unsigned char>(line.back()))))
        line.pop_back();
    const auto start = line.find('.');
    const auto end = line.find_first_of(" \t", start);
    TMetaLine parts{line.substr(start, end == std::string::npos ? end : end - start), {}};
    if (end != std::string::npos) {
        const auto restStart = line.find_first_not_of(" \t", end);
        if (restStart != std::string::npos)
            parts.rest = line.substr(restStart);
    }
    return parts;
}

std::vector<std::string> Words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

std::vector<std::string> Arguments(const TMetaLine& line, std::size_t count, const char* usage) {
    std::vector<std::string> words = Words(line.rest);
    if (words.size() != count)
        throw std::runtime_error(std::string("usage: ") + usage);
    return words;
}

void ListTables(TShell& shell) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(shell.Directory())) {
        std::string ext = entry.path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        if (entry.is_regular_file() && ext == ".DAT")
            names.push_back(entry.path().stem().string());
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names)
        shell.Out() << name << '\n';
}

std::string SchemaName(const std::string& name) {
    const bool plain = !name.empty() && std::all_of(name.begin(), name.end(), [](unsigned char c) {
        return std::isalnum(c) || c == '_';
    });
    return plain ? name : '"' + name + '"';
}

std::string FieldText(const TFieldDef& def) {
    std::string text = SchemaName(def.Name) + " " + FieldTypeName(def.DataType);
    if (def.DataType == TFieldType::ftBCD)
        text += "(" + std::to_string(def.Precision) + "," + std::to_string(def.Size) + ")";
    else if (TypeTakesSize(def.DataType))
        text += "(" + std::to_string(def.Size) + ")";
    if (def.Required)
        text += " NOT NULL";
    return text;
}

std::string IndexText(const TIndexDef& index) {
    std::string text =
        index.Name.empty() ? "PRIMARY KEY (" : "INDEX " + SchemaName(index.Name) + " (";
    std::vector<std::string> fields;
    std::istringstream list(index.Fields);
    for (std::string field; std::getline(list, field, ';');)
        if (const auto start = field.find_first_not_of(" \t"); start != std::string::npos)
            fields.push_back(field.substr(start, field.find_last_not_of(" \t") - start + 1));
    for (std::size_t i = 0; i < fields.size(); ++i)
        text += (i > 0 ? ", " : "") + SchemaName(fields[i]) + (index.Descending ? " DESC" : "");
    text += ")";
    if (!index.Name.empty() && index.Unique)
        text += " UNIQUE";
    if (index.CaseInsensitive)
        text += " NOCASE";
    return text;
}

void ShowSchema(TShell& shell, const std::string& name) {
    TTabulaTable table;
    table.SetDatabaseName(shell.Directory());
    table.SetTableName(name);
    table.SetReadOnly(true);
    table.Open();
    std::string text = ".create " + SchemaName(name) + " (";
    const TFieldDefs& fields = table.FieldDefs();
    for (int i = 0; i < fields.Count(); ++i)
        text += (i > 0 ? ", " : "") + FieldText(fields[i]);
    text += ")";
    for (const TIndexDef& index : table.IndexDefs().Items())
        if (!index.Fields.empty())
            text += " " + IndexText(index);
    table.Close();
    shell.Out() << text << '\n';
}

void Verify(TShell& shell, const std::string& name) {
    const TVerifyReport report = TTableVerifier::Verify(shell.TablePath(name));
    for (const std::string& finding : report.findings)
        shell.Out() << finding << '\n';
    shell.Out() << name << ": " << report.recordSlots << " record slots, " << report.liveRecords
                << " live records, " << report.blobChains << " BLOB chains, "
                << report.findings.size() << " findings\n";
    if (!report.Clean())
        throw std::runtime_error(name + ": the table is not consistent");
}

// Rebuilds a damaged table from its record slots, lists what was dropped or
// rebuilt, then checks it as .verify does.
void Repair(TShell& shell, const std::string& name) {
    const TRepairReport report = TTableRepair::Repair(shell.TablePath(name));
    for (const std::string& action : report.actions)
        shell.Out() << "repair: " << action << '\n';
    shell.Out() << name << " repaired: " << report.keptRecords << " records kept, "
                << report.droppedRecords << " dropped, " << report.droppedBlobs
                << " BLOBs emptied\n";
    Verify(shell, name);
}

// Table creation replaces the files of a table of the same name, so an
// existing table is refused here before any file is touched.
void CreateNewTable(TShell& shell, const TCreateCommand& command) {
    for (const char* ext : {".DAT", ".IDX", ".BLB"})
        if (std::filesystem::exists(shell.TablePath(command.Table) + ext))
            throw std::runtime_error("table " + command.Table + " already exists");
    CreateTable(shell.TablePath(command.Table), command.Spec);
}

} // namespace

void RunMetaCommand(TShell& shell, const std::string& text) {
    const TMetaLine line = SplitLine(text);
    if (line.command == ".tables") {
        Arguments(line, 0, ".tables");
        ListTables(shell);
    } else if (line.command == ".schema") {
        ShowSchema(shell, Arguments(line, 1, ".schema TABLE")[0]);
    } else if (line.command == ".create") {
        CreateNewTable(shell, ParseCreate(line.rest));
    } else if (line.command == ".import") {
        const auto args = Arguments(line, 2, ".import TABLE FILE");
        const std::int64_t rows = ImportCsv(shell.Directory(), args[0], args[1]);
        shell.Out() << rows << (rows == 1 ? " row" : " rows") << " imported\n";
    } else if (line.command == ".verify") {
        Verify(shell, Arguments(line, 1, ".verify TABLE")[0]);
    } else if (line.command == ".repair") {
        Repair(shell, Arguments(line, 1, ".repair TABLE")[0]);
    } else if (line.command == ".drop") {
        DeleteTable(shell.TablePath(Arguments(line, 1, ".drop TABLE")[0]));
    } else if (line.command == ".help") {
        shell.Out() << kShellHelp;
    } else if (line.command == ".quit" || line.command == ".exit") {
        shell.RequestQuit();
    } else {
        throw std::runtime_error("unknown command " + line.command + " (.help lists them)");
    }
}

} // namespace tabula::shell
