// TSourceDataFile: a statement's source table over its own TDataFile.
#include "SourceDataFile.h"

#include "DataFileFormat.h"
#include "EngineError.h"
#include "IndexFileFormat.h"

#include <cstring>

namespace tabula {

TSourceDataFile::TSourceDataFile(std::string tablePath, bool inMemory, std::string correlation)
    : tablePath_(std::move(tablePath)), inMemory_(inMemory), correlation_(std::move(correlation)) {}

TSourceDataFile::~TSourceDataFile() {
    Close();
}

void TSourceDataFile::Open(const TSourceOpenSettings& settings) {
    Close();
    auto file = std::make_unique<TDataFile>(this);
    file->SetFileName(tablePath_);
    file->SetInMemory(inMemory_);
    file->SetExclusive(false);
    file->SetReadOnly(!settings.writable);
    file->SetLockRetryCount(settings.lockRetryCount);
    file->SetLockWaitTime(settings.lockWaitTime);
    file->SetStrictChangeDetection(settings.strictChangeDetection);
    if (settings.passwordCallback)
        file->SetPasswordCallback(settings.passwordCallback, settings.passwordContext);
    file->Open();
    file->SelectIndexByNumber(indexfmt::kPhysicalOrderIndex);

    std::vector<TSqlSourceField> fields;
    fields.reserve(file->WorkingDescriptors().size());
    for (const TFieldDescriptor& d : file->WorkingDescriptors())
        fields.push_back(
            TSqlSourceField{d.name, d.type, d.subtype, d.storedSize, d.declaredDecimals});
    buffer_.assign(static_cast<std::size_t>(file->RecordBufferSize()), 0);
    fields_ = std::move(fields);
    file_ = std::move(file);
}

void TSourceDataFile::Close() {
    if (file_) {
        // Closing never raises out of a destructor path: a table whose close
        // fails has nothing left that the statement could save.
        try {
            file_->Close();
        } catch (...) {
        }
        file_.reset();
    }
    buffer_.clear();
    fields_.clear();
}

const TSqlSourceField& TSourceDataFile::Field(int number) const {
    return fields_.at(static_cast<std::size_t>(number - 1));
}

void TSourceDataFile::ApplyLockSettings(std::uint8_t retryCount, std::uint16_t waitTime) {
    if (!file_)
        return;
    file_->SetLockRetryCount(retryCount);
    file_->SetLockWaitTime(waitTime);
}

int TSourceDataFile::AddCalculatedField(const TFieldDescriptor& field,
                                        TDataFile::TCalculation calculation) {
    const int number = file_->AddCalculatedField(field, std::move(calculation));
    buffer_.assign(static_cast<std::size_t>(file_->RecordBufferSize()), 0);
    return number;
}

void TSourceDataFile::RemoveCalculatedField(int fieldNumber) {
    file_->RemoveCalculatedField(fieldNumber);
    buffer_.assign(static_cast<std::size_t>(file_->RecordBufferSize()), 0);
}

TSqlValue TSourceDataFile::ColumnValueIn(int fieldNumber,
                                         std::span<const std::uint8_t> image) const {
    const TSqlSourceField& field = Field(fieldNumber);
    const TFieldRead read = file_->ReadField(fieldNumber, image);
    const std::uint8_t* p = read.value.data();
    TSqlValue value;
    switch (field.type) {
    case datafmt::kFtString: {
        const std::size_t n = strnlen(reinterpret_cast<const char*>(p), read.value.size());
        value = TSqlValue::String(std::string_view(reinterpret_cast<const char*>(p), n));
        break;
    }
    case datafmt::kFtDate:
        value = TSqlValue::Date(datafmt::GetI32(p));
        break;
    case datafmt::kFtBoolean:
        value = TSqlValue::Boolean(datafmt::GetU16(p) != 0);
        break;
    case datafmt::kFtInt16:
        value = TSqlValue::Int16(datafmt::GetI16(p));
        break;
    case datafmt::kFtInt32:
        value = TSqlValue::Int32(datafmt::GetI32(p));
        break;
    case datafmt::kFtFloat:
        value = TSqlValue::Float(datafmt::GetDouble(p), field.subtype == datafmt::kMoneySubtype);
        break;
    case datafmt::kFtBcd: {
        const auto decoded = DecodeBcd(datafmt::GetI64(p), field.decimals);
        value = TSqlValue::Bcd(decoded.value_or(0), field.decimals);
        break;
    }
    case datafmt::kFtTime:
        value = TSqlValue::Time(datafmt::GetI32(p));
        break;
    case datafmt::kFtTimestamp:
        value = TSqlValue::Timestamp(datafmt::GetDouble(p));
        break;
    case datafmt::kFtUInt16:
        value = TSqlValue::UInt16(datafmt::GetU16(p));
        break;
    default:
        return TSqlValue::FromBytes(field.type, field.subtype, field.decimals,
                                    std::vector<std::uint8_t>(read.value.begin(), read.value.end()),
                                    read.isNull);
    }
    if (read.isNull)
        return TSqlValue::NullOf(value.TypeSlot());
    return value;
}

namespace {

// Frees a BLOB opened on an image however its reading ends, so that no
// open buffer of a read is left to count against the table's open BLOBs.
class TOpenBlob {
public:
    TOpenBlob(TDataFile& file, int fieldNumber, std::span<std::uint8_t> image)
        : file_(file), fieldNumber_(fieldNumber), image_(image) {
        CheckCode(file_.OpenBlob(fieldNumber_, image_));
    }
    ~TOpenBlob() { file_.FreeBlob(fieldNumber_, image_); }
    TOpenBlob(const TOpenBlob&) = delete;
    TOpenBlob& operator=(const TOpenBlob&) = delete;

private:
    TDataFile& file_;
    int fieldNumber_;
    std::span<std::uint8_t> image_;
};

} // namespace

std::vector<std::uint8_t> TSourceDataFile::BlobContent(int fieldNumber) {
    std::vector<std::uint8_t> content;
    if (file_->ReadField(fieldNumber, buffer_).isNull)
        return content;
    // The BLOB is opened on a copy of the buffer (opening writes its handle
    // into the image). Opening checks that the chain belongs to the image's
    // record, so the copy is of the whole image, record number included.
    std::vector<std::uint8_t> image(buffer_.begin(), buffer_.end());
    TOpenBlob blob(*file_, fieldNumber, image);
    std::uint32_t length = 0;
    CheckCode(file_->GetBlobSize(fieldNumber, image, length));
    // The length was checked against the BLOB file's size when the chain
    // was loaded.
    content.resize(length);
    std::uint32_t read = 0;
    if (length > 0)
        CheckCode(file_->ReadBlob(fieldNumber, image, 0, length, content.data(), read));
    content.resize(read);
    return content;
}

} // namespace tabula
