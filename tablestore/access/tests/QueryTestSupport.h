// Helpers of the query tests: a scratch database directory, tables created
// from a one-line field list, their rows read back as text in primary
// order, and statements run through a query component on the directory.
//
// Field list: "Name type [size]" items separated by commas, type one of
// string N, date, bool, int16, int32, autoinc, float, money, bcd N, time,
// timestamp, uint16. Row text: the field values joined by "|", NULL for a
// null field, dates as yyyy-mm-dd, times as hh:nn:ss, BCD and money with
// their decimals, booleans as true / false.
#pragma once

#include "DataFile.h"
#include "DataFileFormat.h"
#include "DataQuery.h"
#include "EngineError.h"
#include "FieldValue.h"
#include "StoreTestSupport.h"
#include "TabulaQuery.h"
#include "TabulaSession.h"
#include "TabulaSessionList.h"
#include "TextBlanks.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace tabula::querytest {

// The query tests' scratch directory (tabula-query-XXXXXX under /tmp).
class TScratchDir : public storetest::TScratchDir {
public:
    TScratchDir() : storetest::TScratchDir("tabula-query") {}
    std::string Table(const std::string& name) const { return File(name); }
};

inline std::vector<std::string> SplitTrim(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::stringstream in(text);
    std::string part;
    while (std::getline(in, part, separator)) {
        parts.emplace_back(TrimSpaces(part));
    }
    return parts;
}

inline TFieldDescriptor FieldFromSpec(int number, const std::string& spec) {
    std::stringstream in(spec);
    std::string name, type;
    int size = 0;
    in >> name >> type >> size;
    TFieldDescriptor f = TFieldDescriptor::Make(number, name, datafmt::kFtNone);
    using namespace datafmt;
    if (type == "string") {
        f.type = kFtString;
        f.declaredSize = static_cast<std::uint8_t>(size);
    } else if (type == "date") {
        f.type = kFtDate;
    } else if (type == "bool") {
        f.type = kFtBoolean;
    } else if (type == "int16") {
        f.type = kFtInt16;
    } else if (type == "int32") {
        f.type = kFtInt32;
    } else if (type == "autoinc") {
        f.type = kFtInt32;
        f.subtype = kAutoIncSubtype;
    } else if (type == "float") {
        f.type = kFtFloat;
    } else if (type == "money") {
        f.type = kFtFloat;
        f.subtype = 21;
    } else if (type == "bcd") {
        f.type = kFtBcd;
        f.declaredDecimals = static_cast<std::uint8_t>(size);
    } else if (type == "time") {
        f.type = kFtTime;
    } else if (type == "timestamp") {
        f.type = kFtTimestamp;
    } else if (type == "uint16") {
        f.type = kFtUInt16;
    } else {
        throw std::runtime_error("unknown field type " + type);
    }
    return f;
}

// Creates a table: fields as above; primary lists the primary key's field
// names (empty: physical order); each secondary is "Name Field[,Field]",
// a field written "Field DESC" descending in that index, an entry "DESC"
// making the whole index descending and an entry "NOCASE" making it
// case-insensitive.
inline void
CreateTable(const std::string& path, const std::string& fieldList,
            const std::vector<std::string>& primary = {},
            const std::vector<std::pair<std::string, std::vector<std::string>>>& secondaries = {}) {
    TTableDefinition def;
    int number = 0;
    for (const std::string& spec : SplitTrim(fieldList, ','))
        def.fields.push_back(FieldFromSpec(++number, spec));
    auto numberOf = [&](const std::string& name) -> std::int16_t {
        for (const auto& f : def.fields)
            if (f.name == name)
                return f.fieldNumber;
        throw std::runtime_error("no field " + name);
    };
    TIndexDescriptor key;
    for (const auto& name : primary)
        key.fieldNumbers[key.fieldCount++] = numberOf(name);
    std::vector<TIndexDescriptor> indexes;
    for (const auto& [name, fields] : secondaries) {
        TIndexDescriptor index;
        index.name = name;
        for (const auto& field : fields) {
            if (field == "DESC") { // the whole index descending
                index.descending = true;
                continue;
            }
            if (field == "NOCASE") { // keys compared without case
                index.caseInsensitive = true;
                continue;
            }
            // "Field DESC" sorts that field descending.
            const bool down = field.size() > 5 && field.ends_with(" DESC");
            index.fieldDescending[index.fieldCount] = down ? 1 : 0;
            index.fieldNumbers[index.fieldCount++] =
                numberOf(down ? field.substr(0, field.size() - 5) : field);
        }
        indexes.push_back(index);
    }
    def.secondaryIndexCount = static_cast<int>(indexes.size());
    TDataFile t;
    t.SetFileName(path);
    t.SetExclusive(true);
    t.CreateTable(def, key, indexes);
}

inline std::string FieldText(TDataFile& t, int number, std::span<const std::uint8_t> image) {
    const TFieldDescriptor d = t.GetFieldDescriptor(number);
    const TFieldRead r = t.ReadField(number, image);
    if (r.isNull && !d.IsAutoIncrement())
        return "NULL";
    const std::uint8_t* p = r.value.data();
    char buf[64];
    auto date = [&](std::int32_t day) {
        const auto parts = DateOfDayNumber(day);
        if (!parts)
            return std::string("day") + std::to_string(day);
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", parts->year, parts->month, parts->day);
        return std::string(buf);
    };
    auto time = [&](std::int32_t ms) {
        std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", ms / 3600000, ms / 60000 % 60,
                      ms / 1000 % 60);
        return std::string(buf);
    };
    using namespace datafmt;
    switch (d.type) {
    case kFtString:
        return std::string(reinterpret_cast<const char*>(p),
                           strnlen(reinterpret_cast<const char*>(p), r.value.size()));
    case kFtDate:
        return date(GetI32(p));
    case kFtBoolean:
        return GetU16(p) ? "true" : "false";
    case kFtInt16:
        return std::to_string(GetI16(p));
    case kFtInt32:
        return d.IsAutoIncrement() ? std::to_string(GetI32(image.data() + kRecAutoInc))
                                   : std::to_string(GetI32(p));
    case kFtUInt16:
        return std::to_string(GetU16(p));
    case kFtFloat:
        std::snprintf(buf, sizeof buf, d.subtype == 21 ? "%.2f" : "%g", GetDouble(p));
        return buf;
    case kFtBcd: {
        const TCurrency v = DecodeBcd(GetI64(p), d.declaredDecimals).value_or(0);
        std::snprintf(buf, sizeof buf, "%.4f", static_cast<double>(v) / kCurrencyScale);
        return buf;
    }
    case kFtTime:
        return time(GetI32(p));
    case kFtTimestamp: {
        const double v = GetDouble(p);
        const auto day = static_cast<std::int32_t>(v / 86400000.0);
        return date(day) + " " + time(static_cast<std::int32_t>(v - day * 86400000.0));
    }
    default:
        return "?";
    }
}

// Every record of an open cursor in its current order, one text per record.
inline std::vector<std::string> CursorRows(TDataFile& t) {
    std::vector<std::string> rows;
    std::vector<std::uint8_t> image(static_cast<std::size_t>(t.RecordBufferSize()));
    t.GotoFirst();
    while (t.NextRecord(image) == 0) {
        std::string row;
        for (int n = 1; n <= t.FieldCount(); ++n)
            row += (n > 1 ? "|" : "") + FieldText(t, n, image);
        rows.push_back(row);
    }
    return rows;
}

// Every record of a table in its primary order, one text per record.
inline std::vector<std::string> Rows(const std::string& path) {
    TDataFile t;
    t.SetFileName(path);
    t.Open();
    std::vector<std::string> rows = CursorRows(t);
    t.Close();
    return rows;
}

// The rows a statement answers over the tables of directory, in the
// result's order, each the texts of its fields joined by "|"; a failure
// throws.
inline std::vector<std::string> ResultRows(const std::string& directory, const std::string& sql) {
    TDataQuery q;
    q.SetDirectory(directory);
    CheckCode(q.Prepare(sql));
    CheckCode(q.Execute());
    return CursorRows(*q.ResultCursor());
}

// The rows a statement answers, sorted (so that results compare as
// multisets); a failure is the one row "error: " + its message.
inline std::vector<std::string> SortedResultRows(const std::string& directory,
                                                 const std::string& sql) {
    std::vector<std::string> rows;
    try {
        rows = ResultRows(directory, sql);
    } catch (const std::exception& e) {
        rows = {std::string("error: ") + e.what()};
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

// A query on the directory with short lock waits.
inline std::unique_ptr<TTabulaQuery> MakeQuery(const std::string& directory,
                                               const std::string& sql = {}) {
    auto query = std::make_unique<TTabulaQuery>();
    query->SetDatabaseName(directory);
    query->SetLockRetryCount(2);
    query->SetLockWaitTime(5);
    if (!sql.empty())
        query->SetSQL({sql});
    return query;
}

// "ok", or the message of the exception the statement raised.
inline std::string RunSql(const std::string& directory, const std::string& sql) {
    try {
        MakeQuery(directory, sql)->Execute();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "ok";
}

} // namespace tabula::querytest
