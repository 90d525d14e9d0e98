// TAnswerTable: layout, creation, filling and closing of a SELECT's answer
// table.
#include "AnswerTable.h"

#include "DataFileFormat.h"
#include "EngineError.h"
#include "IndexDescriptor.h"
#include "IndexFileFormat.h"
#include "ResultField.h"
#include "SqlConvert.h"
#include "SqlStatement.h"
#include "TableDefinition.h"

#include <algorithm>
#include <atomic>
#include <unistd.h>

namespace tabula {

namespace {

// The suffix a non-unique secondary key carries (the record's
// auto-increment value).
constexpr int kUniquenessSuffixBytes = 4;

std::string TemporaryName() {
    static std::atomic<unsigned> counter{0};
    return "__answer_" + std::to_string(::getpid()) + "_" + std::to_string(++counter) + ".DAT";
}

bool KeyFits(const std::vector<TFieldDescriptor>& fields, const std::vector<int>& numbers) {
    if (numbers.empty() || numbers.size() > static_cast<std::size_t>(indexfmt::kMaxKeyFields))
        return false;
    int length = kUniquenessSuffixBytes;
    for (int n : numbers) {
        const TFieldDescriptor& f = fields.at(static_cast<std::size_t>(n - 1));
        if (f.type == datafmt::kFtBlob)
            return false;
        length += TFieldDescriptor::StoredSizeOf(f.type, f.declaredSize) + 1;
    }
    return length <= indexfmt::kMaxKeyLength;
}

// The answer fields of a list of items; empty when one is no result column.
std::vector<int> ItemFields(const std::vector<TSqlOrderItem>& items) {
    std::vector<int> numbers;
    for (const TSqlOrderItem& item : items) {
        if (item.resultIndex < 0)
            return {};
        numbers.push_back(item.resultIndex + 1);
    }
    return numbers;
}

TIndexDescriptor DescriptorOf(const TAnswerIndex& index) {
    TIndexDescriptor d;
    d.name = index.name;
    d.caseInsensitive = index.caseInsensitive;
    d.unique = false;
    d.fieldCount = static_cast<std::uint8_t>(index.fieldNumbers.size());
    for (std::size_t i = 0; i < index.fieldNumbers.size(); ++i) {
        d.fieldNumbers[i] = static_cast<std::int16_t>(index.fieldNumbers[i]);
        d.fieldDescending[i] = index.descending[i] ? 1 : 0;
    }
    return d;
}

} // namespace

TAnswerLayout TAnswerTable::LayoutFor(const TSqlStatement& statement,
                                      const std::vector<TResultDataField>& fields) {
    TAnswerLayout layout;
    for (const TResultDataField& f : fields) {
        layout.fields.push_back(f.descriptor);
        if (f.aggregate == sqlop::kAvg)
            layout.avgCounter = true;
    }
    auto add = [&layout](const char* name, std::vector<int> numbers, std::vector<bool> descending,
                         bool noCase) {
        if (!KeyFits(layout.fields, numbers))
            return false;
        layout.indexes.push_back(
            TAnswerIndex{name, std::move(numbers), std::move(descending), noCase});
        return true;
    };
    std::vector<int> order = ItemFields(statement.orderBy);
    std::vector<bool> orderDescending;
    for (const TSqlOrderItem& item : statement.orderBy)
        orderDescending.push_back(item.descending);
    if (add(kOrderByIndexName, order, orderDescending, statement.noCase))
        layout.finalIndex = kOrderByIndexName;
    if (statement.grouped) {
        std::vector<int> group = ItemFields(statement.groupBy);
        add(kGroupByIndexName, group, std::vector<bool>(group.size(), false), false);
    }
    if (statement.distinct) {
        std::vector<int> all;
        for (std::size_t i = 0; i < fields.size(); ++i)
            all.push_back(static_cast<int>(i) + 1);
        add(kDistinctIndexName, all, std::vector<bool>(all.size(), false), false);
    }
    return layout;
}

TAnswerTable::TAnswerTable(const std::string& path, bool inMemory, const TAnswerLayout& layout,
                           std::uint32_t localeId)
    : path_(path.empty() ? TemporaryName() : path), temporary_(path.empty()),
      finalIndex_(layout.finalIndex) {
    const bool memory = inMemory || temporary_;
    TTableDefinition definition;
    definition.localeId = localeId;
    definition.fields = layout.fields;
    definition.blobBlockSize = kAnswerBlobBlockSize;
    definition.description = kAnswerDescription;
    std::vector<TIndexDescriptor> secondaries;
    for (const TAnswerIndex& index : layout.indexes) {
        secondaries.push_back(DescriptorOf(index));
        if (index.name == finalIndex_ && finalIndex_ == kOrderByIndexName)
            orderIndex_ = static_cast<int>(secondaries.size());
    }

    auto file = std::make_unique<TDataFile>(this);
    file->SetFileName(path_);
    file->SetInMemory(memory);
    file->SetExclusive(true);
    file->SetReadOnly(false);
    file->CreateTable(std::move(definition), TIndexDescriptor{}, secondaries);
    file->Open();
    file->SetDeleteOnClose(temporary_);
    file->SelectIndexByNumber(indexfmt::kPhysicalOrderIndex);
    // The rows come unsorted: each index gathers its entries and is built
    // from them, sorted, when the rows are all written.
    for (int index = 1; index <= file->SecondaryIndexCount(); ++index)
        file->DeferIndexInserts(index);
    if (layout.avgCounter) {
        TFieldDescriptor counter;
        counter.name = kAvgCounterName;
        counter.type = datafmt::kFtInt32;
        counter.RefreshStoredSize();
        counterField_ = file->AddCalculatedField(counter);
    }
    buffer_.assign(static_cast<std::size_t>(file->RecordBufferSize()), 0);
    for (int number = 1; number <= static_cast<int>(layout.fields.size()); ++number) {
        fields_.push_back(file->GetFieldDescriptor(number));
        if (fields_.back().type == datafmt::kFtBlob)
            blobFields_.push_back(number);
    }
    writesInBatches_ =
        temporary_ && !layout.avgCounter && file->SecondaryIndexCount() == 0 && blobFields_.empty();
    file_ = std::move(file);
}

TAnswerTable::~TAnswerTable() {
    try {
        file_->Close();
    } catch (...) {
        // Nothing of a result that cannot be closed is left to save.
    }
}

void TAnswerTable::Append(const std::vector<TSqlValue>& values) {
    file_->InitRecord(buffer_);
    for (std::size_t i = 0; i < values.size(); ++i) {
        const int number = static_cast<int>(i) + 1;
        const TSqlValue& value = values[i];
        if (value.IsNull()) {
            file_->WriteNullField(number, buffer_);
            continue;
        }
        const TFieldDescriptor& field = fields_[i];
        if (field.type == datafmt::kFtBlob) {
            // The field gets its BLOB when the row is written (blobs_).
            file_->WriteNullField(number, buffer_);
            continue;
        }
        if (value.Type() == field.type && SqlIsScalar(field.type) &&
            field.type != datafmt::kFtBcd) {
            // A value of the column's own type is stored as its bytes are,
            // a text cut to the column's length first.
            std::span<const std::uint8_t> own(value.Bytes());
            if (field.type == datafmt::kFtString) {
                if (field.storedSize == 0) {
                    file_->WriteNullField(number, buffer_);
                    continue;
                }
                own = own.first(std::min<std::size_t>(own.empty() ? 0 : own.size() - 1,
                                                      std::size_t{field.storedSize} - 1));
            }
            file_->WriteField(number, buffer_, own);
            continue;
        }
        const auto bytes = SqlConvertToColumn(value, field);
        if (bytes)
            file_->WriteField(number, buffer_, *bytes);
        else
            file_->WriteNullField(number, buffer_);
    }
    for (int number : blobFields_) {
        const auto i = static_cast<std::size_t>(number - 1);
        const bool content =
            i < values.size() && !values[i].IsNull() && values[i].Type() == datafmt::kFtBlob;
        blobs_.emplace_back();
        if (content)
            blobs_.back().assign(values[i].Bytes().begin(), values[i].Bytes().end());
    }
    const auto size = static_cast<std::ptrdiff_t>(file_->RecordSize());
    images_.insert(images_.end(), buffer_.begin(), buffer_.begin() + size);
}

void TAnswerTable::AppendRowsWithBlobs() {
    const auto size = static_cast<std::size_t>(file_->RecordSize());
    const std::span<std::uint8_t> image(buffer_.data(),
                                        static_cast<std::size_t>(file_->RecordBufferSize()));
    std::size_t content = 0;
    for (std::size_t at = 0; at + size <= images_.size(); at += size) {
        std::copy_n(images_.begin() + static_cast<std::ptrdiff_t>(at), size, image.begin());
        for (int number : blobFields_) {
            std::vector<std::uint8_t>& bytes = blobs_[content++];
            if (bytes.empty())
                continue;
            // An open BLOB in the image is saved into this table's BLOB
            // file, owned by the appended record, when the record is.
            CheckCode(file_->OpenBlob(number, image));
            CheckCode(file_->WriteBlob(number, image, 0, static_cast<std::uint32_t>(bytes.size()),
                                       bytes.data()));
            std::vector<std::uint8_t>().swap(bytes);
        }
        file_->AppendRecord(image);
    }
    std::vector<std::vector<std::uint8_t>>().swap(blobs_);
}

std::span<std::uint8_t> TAnswerTable::RowImage() {
    file_->InitRecord(buffer_);
    return buffer_;
}

void TAnswerTable::AppendImage() {
    const auto size = static_cast<std::ptrdiff_t>(file_->RecordSize());
    images_.insert(images_.end(), buffer_.begin(), buffer_.begin() + size);
    if (writesInBatches_ && images_.size() >= kAnswerBatchBytes) {
        file_->AppendRecords(images_, 0);
        images_.clear();
    }
}

void TAnswerTable::ReserveRows(std::int64_t rows) {
    const auto size = static_cast<std::size_t>(file_->RecordSize());
    if (rows <= 0 || size == 0)
        return;
    const std::size_t most =
        (writesInBatches_ ? kAnswerBatchBytes : kAnswerReserveBytes) / size + 1;
    images_.reserve(std::min(static_cast<std::size_t>(rows), most) * size);
}

void TAnswerTable::Finish() {
    if (counterField_ != 0) {
        file_->RemoveCalculatedField(counterField_);
        counterField_ = 0;
    }
    if (blobFields_.empty())
        file_->AppendRecords(images_, orderIndex_);
    else
        AppendRowsWithBlobs();
    std::vector<std::uint8_t>().swap(images_);
    file_->BuildDeferredIndexes();
    if (finalIndex_.empty())
        file_->SelectIndexByNumber(indexfmt::kPhysicalOrderIndex);
    else
        file_->SelectIndexByName(finalIndex_);
    file_->GotoFirst();
}

} // namespace tabula
