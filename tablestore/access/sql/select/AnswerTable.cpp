// TAnswerTable: creation, filling and closing of a SELECT's answer table.
#include "AnswerTable.h"

#include "IndexDescriptor.h"
#include "IndexFileFormat.h"
#include "SqlConvert.h"
#include "TableDefinition.h"

#include <atomic>
#include <unistd.h>

namespace tabula {

namespace {

std::string TemporaryName() {
    static std::atomic<unsigned> counter{0};
    return "__answer_" + std::to_string(::getpid()) + "_" + std::to_string(++counter) + ".DAT";
}

} // namespace

TAnswerTable::TAnswerTable(const std::string& path, bool inMemory,
                           const std::vector<TFieldDescriptor>& fields, std::uint32_t localeId)
    : path_(path.empty() ? TemporaryName() : path), temporary_(path.empty()) {
    const bool memory = inMemory || temporary_;
    TTableDefinition definition;
    definition.localeId = localeId;
    definition.fields = fields;
    definition.blobBlockSize = kAnswerBlobBlockSize;
    definition.description = kAnswerDescription;

    auto file = std::make_unique<TDataFile>(this);
    file->SetFileName(path_);
    file->SetInMemory(memory);
    file->SetExclusive(true);
    file->SetReadOnly(false);
    file->CreateTable(std::move(definition), TIndexDescriptor{}, {});
    file->Open();
    file->SetDeleteOnClose(temporary_);
    file->SelectIndexByNumber(indexfmt::kPhysicalOrderIndex);
    buffer_.assign(static_cast<std::size_t>(file->RecordBufferSize()), 0);
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
        const auto bytes = SqlConvertToColumn(value, file_->GetFieldDescriptor(number));
        if (bytes)
            file_->WriteField(number, buffer_, *bytes);
        else
            file_->WriteNullField(number, buffer_);
    }
    file_->AppendRecord(buffer_);
}

void TAnswerTable::Rewind() {
    file_->SelectIndexByNumber(indexfmt::kPhysicalOrderIndex);
    file_->GotoFirst();
}

} // namespace tabula
