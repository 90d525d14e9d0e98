// TDataFileLayout: open-time consistency checks of a data file.
#include "DataFileLayout.h"

#include "EngineCodes.h"
#include "EngineError.h"
#include "FileHandler.h"
#include "FileSession.h"
#include "Scrambler.h"
#include "TableLocale.h"

#include <algorithm>

namespace tabula {

using namespace datafmt;

namespace {

bool SessionHasPassword(const std::string& password) {
    TFileSession* session = CurrentSessionOrNull();
    return session != nullptr && session->Passwords().Has(password);
}

[[noreturn]] void Corrupt(const std::string& dataFileName) {
    RaiseEngineError(kErrHeaderCorrupt, dataFileName);
}

} // namespace

TDataHeader TDataFileLayout::CheckHeader(std::span<const std::uint8_t> headerBytes,
                                         const std::string& dataFileName,
                                         const TPasswordCheck& passwordKnown) {
    if (headerBytes.size() < kHeaderSize)
        Corrupt(dataFileName);
    TDataHeader header = TDataHeader::Decode(headerBytes.first<kHeaderSize>());
    if (header.version != kDataVersion)
        RaiseEngineError(kErrWrongVersion, dataFileName);
    if (header.HasLocale())
        TTableLocale::Require(header.LocaleId(), dataFileName);
    if (header.IsProtected()) {
        if (!header.passwordLengthValid)
            Corrupt(dataFileName);
        const bool known =
            passwordKnown ? passwordKnown(header.password) : SessionHasPassword(header.password);
        if (!known)
            RaiseEngineError(kErrPasswordRequired, dataFileName);
    }
    return header;
}

std::vector<TFieldDescriptor> TDataFileLayout::CheckDescriptors(const TDataHeader& header,
                                                                std::span<const std::uint8_t> block,
                                                                std::uint64_t fileSize,
                                                                const std::string& dataFileName) {
    const std::size_t count = header.fieldCount;
    const std::uint64_t blockSize = static_cast<std::uint64_t>(count) * kDescriptorSize;
    if (count < 1 || count > static_cast<std::size_t>(kMaxFields) ||
        fileSize < kHeaderSize + blockSize || block.size() < blockSize)
        Corrupt(dataFileName);

    std::vector<std::uint8_t> plain(block.begin(),
                                    block.begin() + static_cast<std::ptrdiff_t>(blockSize));
    if (header.IsProtected())
        TScrambler::Apply(plain, TScrambler::kTableDataKey);
    std::vector<TFieldDescriptor> fields = DecodeDescriptorBlock(plain, count);

    // Step 4: offsets, calculated descriptors and field numbers.
    std::uint64_t running = kRecFields;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        TFieldDescriptor& field = fields[i];
        const int stored = TFieldDescriptor::StoredSizeOf(field.type, field.declaredSize);
        if (stored > 255)
            Corrupt(dataFileName);
        field.RefreshStoredSize();
        if (field.IsCalculated()) {
            if (field.offset != 0)
                Corrupt(dataFileName);
        } else if (field.IsAutoIncrement()) {
            if (field.offset != kRecAutoInc)
                Corrupt(dataFileName);
        } else {
            if (field.offset != running)
                Corrupt(dataFileName);
            running += static_cast<std::uint64_t>(stored) + 1;
        }
        if (field.fieldNumber != static_cast<std::int64_t>(i) + 1)
            Corrupt(dataFileName);
    }

    // Step 5: record size and calculated area.
    if (header.recordSize != running || header.calcAreaSize != 0)
        Corrupt(dataFileName);

    // Step 6: the file holds exactly next record number − 1 whole records.
    const std::uint64_t dataLength = fileSize - kHeaderSize - blockSize;
    if (dataLength % header.recordSize != 0 ||
        static_cast<std::int64_t>(dataLength / header.recordSize) + 1 != header.nextRecordNumber)
        Corrupt(dataFileName);

    // Damage the record manager would otherwise trust.
    if (header.blobFieldCount < 0 || header.blobFieldCount > kMaxBlobFields)
        Corrupt(dataFileName);
    if (header.freeChainHead < 0 || header.freeChainHead >= header.nextRecordNumber)
        Corrupt(dataFileName);
    return fields;
}

TDataFileLayout TDataFileLayout::Check(std::span<const std::uint8_t> leadingBytes,
                                       std::uint64_t fileSize, const std::string& dataFileName,
                                       const TPasswordCheck& passwordKnown) {
    if (fileSize < kHeaderSize)
        Corrupt(dataFileName);
    TDataFileLayout layout;
    layout.header = CheckHeader(leadingBytes, dataFileName, passwordKnown);
    layout.fields =
        CheckDescriptors(layout.header, leadingBytes.subspan(kHeaderSize), fileSize, dataFileName);
    return layout;
}

TDataFileLayout TDataFileLayout::Read(TFileHandler& file, const TPasswordCheck& passwordKnown) {
    const std::string& name = file.FileName();
    const std::int64_t size = file.Size();
    if (size < static_cast<std::int64_t>(kHeaderSize))
        Corrupt(name);
    std::uint8_t headerBytes[kHeaderSize];
    file.ReadAt(0, headerBytes, kHeaderSize);
    TDataFileLayout layout;
    layout.header = CheckHeader(headerBytes, name, passwordKnown);
    // The block's length comes from an untrusted count: bound it by the limit
    // and by the file before allocating.
    const std::uint64_t blockSize =
        static_cast<std::uint64_t>(layout.header.fieldCount) * kDescriptorSize;
    if (layout.header.fieldCount < 1 || layout.header.fieldCount > kMaxFields ||
        static_cast<std::uint64_t>(size) < kHeaderSize + blockSize)
        Corrupt(name);
    std::vector<std::uint8_t> block(blockSize);
    file.ReadAt(kHeaderSize, block.data(), static_cast<std::int64_t>(blockSize));
    layout.fields = CheckDescriptors(layout.header, block, static_cast<std::uint64_t>(size), name);
    return layout;
}

} // namespace tabula
