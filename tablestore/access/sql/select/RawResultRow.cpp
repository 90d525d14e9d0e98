// TRawResultRow: which results are written from stored slots, and the
// writing of one row.
#include "RawResultRow.h"

#include "AnswerTable.h"
#include "DataFileFormat.h"
#include "EngineCodes.h"
#include "EngineError.h"
#include "JoinIterator.h"
#include "ResultField.h"
#include "SqlValue.h"

#include <algorithm>
#include <cstring>

namespace tabula {

namespace {

// Whether a source field and the answer field of its column take the same
// bytes for one value.
bool SlotsCorrespond(const TFieldDescriptor& source, const TFieldDescriptor& answer) {
    if (!SqlValueIsStoredBytes(source.type) || answer.type != source.type ||
        source.IsAutoIncrement() || answer.IsAutoIncrement())
        return false;
    if (source.type == datafmt::kFtString)
        return answer.storedSize > 0;
    const auto width = static_cast<std::size_t>(SqlFixedSize(source.type));
    return source.storedSize == width && answer.storedSize == width;
}

} // namespace

std::optional<TRawResultRow> TRawResultRow::For(const std::vector<TResultDataField>& fields,
                                                const std::vector<TSourceDataFile*>& sources,
                                                TAnswerTable& answer) {
    TDataFile& out = answer.File();
    if (fields.empty() || out.CalculatedAreaSize() != 0)
        return std::nullopt;
    std::vector<TColumn> columns;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const TSqlNode* node = fields[i].expr.get();
        if (fields[i].aggregate || !node || !node->IsColumn() || node->IsAllColumns() ||
            node->tableIndex < 0 || static_cast<std::size_t>(node->tableIndex) >= sources.size())
            return std::nullopt;
        TSourceDataFile* source = sources[static_cast<std::size_t>(node->tableIndex)];
        if (node->fieldNumber < 1 || node->fieldNumber > source->File().FieldCount())
            return std::nullopt;
        const TFieldDescriptor from = source->File().GetFieldDescriptor(node->fieldNumber);
        const TFieldDescriptor to = out.GetFieldDescriptor(static_cast<int>(i) + 1);
        if (!SlotsCorrespond(from, to))
            return std::nullopt;
        columns.push_back(TColumn{source, static_cast<std::size_t>(node->tableIndex), from.offset,
                                  from.storedSize, to.offset, to.storedSize,
                                  from.type == datafmt::kFtString});
    }
    return TRawResultRow(std::move(columns));
}

void TRawResultRow::WriteText(const std::uint8_t* slot, const TColumn& column, std::uint8_t* out) {
    const std::size_t n = strnlen(reinterpret_cast<const char*>(slot + 1), column.size);
    std::size_t length = std::min(n, column.answerSize - 1);
    while (length > 0 && slot[length] == ' ')
        --length;
    std::memset(out, 0, column.answerSize + 1);
    if (length == 0)
        return;
    out[0] = 1;
    std::memcpy(out + 1, slot + 1, length);
}

void TRawResultRow::Append(const TJoinIterator& join, TAnswerTable& answer) const {
    const std::span<std::uint8_t> image = answer.RowImage();
    for (const TColumn& column : columns_) {
        const std::span<const std::uint8_t> buffer = column.source->Buffer();
        if (column.from + 1 + column.size > buffer.size() ||
            column.to + 1 + column.answerSize > image.size())
            RaiseEngineError(kErrRecordBuffersCorrupt);
        const std::uint8_t* slot = buffer.data() + column.from;
        std::uint8_t* out = image.data() + column.to;
        if (join.OnEmptyRow(column.table) || slot[0] == 0) {
            std::memset(out, 0, column.answerSize + 1);
        } else if (column.text) {
            WriteText(slot, column, out);
        } else {
            out[0] = 1;
            std::memcpy(out + 1, slot + 1, column.size);
        }
    }
    answer.AppendImage();
}

} // namespace tabula
