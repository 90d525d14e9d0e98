// TRawColumn: which columns may be read raw, and the raw reads.
#include "RawColumn.h"

#include "DataFileFormat.h"
#include "ExactKeyTable.h"
#include "SqlValue.h"

#include <cstring>

namespace tabula {

namespace {

// Floats and timestamps are copied as stored elsewhere, but never keyed by
// their bytes here: -0 and 0 are one value and would be two keys.
bool IsRawType(std::uint8_t type) {
    return SqlValueIsStoredBytes(type) && type != datafmt::kFtFloat &&
           type != datafmt::kFtTimestamp;
}

} // namespace

std::optional<TRawColumn> TRawColumn::For(int tableIndex, int fieldNumber,
                                          const std::vector<TSourceDataFile*>& sources) {
    if (sources.size() != 1 || tableIndex != 0 || fieldNumber < 1 ||
        fieldNumber > sources.front()->FieldCount())
        return std::nullopt;
    TSourceDataFile& source = *sources.front();
    const TSqlSourceField& field = source.Field(fieldNumber);
    if (!IsRawType(field.type) || source.File().GetFieldDescriptor(fieldNumber).IsAutoIncrement())
        return std::nullopt;
    if (field.type != datafmt::kFtString && field.size != SqlFixedSize(field.type))
        return std::nullopt;
    return TRawColumn(source, fieldNumber, field.type);
}

std::optional<TRawColumn> TRawColumn::For(const TSqlNode& node,
                                          const std::vector<TSourceDataFile*>& sources) {
    if (!node.IsColumn() || node.IsAllColumns())
        return std::nullopt;
    return For(node.tableIndex, node.fieldNumber, sources);
}

bool TRawColumn::IsInteger() const {
    return type_ == datafmt::kFtInt16 || type_ == datafmt::kFtInt32 || type_ == datafmt::kFtUInt16;
}

bool TRawColumn::ReadInteger(std::int64_t& value) const {
    const TFieldRead read = source_->File().ReadField(fieldNumber_, source_->Buffer());
    if (read.isNull)
        return false;
    const std::uint8_t* p = read.value.data();
    switch (type_) {
    case datafmt::kFtInt16:
        value = datafmt::GetI16(p);
        break;
    case datafmt::kFtUInt16:
        value = datafmt::GetU16(p);
        break;
    default:
        value = datafmt::GetI32(p);
        break;
    }
    return true;
}

void TRawColumn::AppendKey(std::string& key) const {
    const TFieldRead read = source_->File().ReadField(fieldNumber_, source_->Buffer());
    key.push_back(static_cast<char>(type_));
    key.push_back(read.isNull ? kExactKeyNull : kExactKeyPresent);
    if (!read.isNull) {
        const char* p = reinterpret_cast<const char*>(read.value.data());
        if (type_ == datafmt::kFtString) {
            key.append(p, strnlen(p, read.value.size()));
            key.push_back('\0');
        } else {
            key.append(p, read.value.size());
        }
    }
    key.push_back(kExactKeyEnd);
}

} // namespace tabula
