// TDataFile: opening, closing, creating and emptying a table, its settings,
// descriptors (stored and calculated) and field access on record images.
// The record cache and modifications are in DataFileRecords.cpp, the cursor
// in DataFileCursor.cpp, the lock levels in DataFileLocks.cpp.
#include "DataFile.h"

#include "BlobRecord.h"
#include "DataFileLayout.h"
#include "EngineCodes.h"
#include "EngineError.h"
#include "FileSession.h"
#include "IndexCursor.h"
#include "IndexFilter.h"
#include "OperationScope.h"
#include "RecordRules.h"
#include "Scrambler.h"
#include "TableFileNames.h"
#include "TableLocale.h"
#include "TextBlanks.h"

#include <algorithm>
#include <cctype>
#include <exception>

namespace tabula {

namespace {} // namespace

// The record source the index cursor reads records through (live bitmap of
// tables in physical order, record-by-record filters).
class TDataFile::TDataRecordSource : public TRecordSource {
public:
    explicit TDataRecordSource(TDataFile& file) : file_(file) {}
    std::int32_t PhysicalRecordCount() override { return file_.PhysicalRecordCount(); }
    std::span<const std::uint8_t> ReadRecord(std::int32_t n) override {
        TRecord* r = file_.FetchForSource(n);
        if (!r)
            return {};
        scratch_.assign(r->image.begin(), r->image.end());
        file_.cache_.Unpin(*r);
        return scratch_;
    }

private:
    TDataFile& file_;
    std::vector<std::uint8_t> scratch_;
};

TDataFile::TDataFile(void* owner)
    : owner_(owner), source_(std::make_unique<TDataRecordSource>(*this)) {
    index_.SetBeforePageRead([this] { BeforeIndexPageRead(); });
}

TDataFile::~TDataFile() {
    try {
        Close();
    } catch (...) {
        // A destructor cannot report; Close already closed every file.
    }
}

// ---- Errors and preconditions ---------------------------------------------------------

void TDataFile::FailField(int code, const std::string& field) const {
    RaiseEngineError(code, FileName(), field);
}

void TDataFile::FailIndex(int code, const std::string& index) const {
    RaiseEngineError(code, FileName(), {}, {}, index);
}

void TDataFile::RequireOpenTable() const {
    if (!IsOpen())
        Fail(kErrInvalidHandle);
}

void TDataFile::RequireClosed() const {
    if (IsOpen())
        Fail(kErrFileInUse);
}

void TDataFile::RequireWritable() const {
    if (ReadOnly())
        Fail(kErrAccessDenied);
}

bool TDataFile::Shared() const {
    return !Exclusive();
}

std::string TDataFile::NormalizeName(const std::string& name) const {
    return TTableFileNames::WithExtension(name, TTableFileNames::kDataExtension);
}

void TDataFile::SetForceBufferFlush(bool value) {
    if (value != forceBufferFlush_)
        RequireClosed();
    forceBufferFlush_ = value;
}

void TDataFile::SetStrictChangeDetection(bool value) {
    if (value != strict_)
        RequireClosed();
    strict_ = value;
}

void TDataFile::SetPasswordCallback(TPasswordCallback callback, void* context) {
    passwordCallback_ = std::move(callback);
    passwordContext_ = context;
}

bool TDataFile::PasswordAvailable(const std::string& password) {
    for (;;) {
        if (HasPassword(password))
            return true;
        if (!passwordCallback_ || !passwordCallback_(passwordContext_))
            return false;
    }
}

// ---- Open and close ----------------------------------------------------------------------

std::optional<TKeyField> TDataFile::ResolveKeyField(int fieldNumber) const {
    if (fieldNumber < 1 || fieldNumber > static_cast<int>(stored_.size()))
        return std::nullopt;
    return TKeyField::From(stored_[static_cast<std::size_t>(fieldNumber - 1)]);
}

void TDataFile::ConfigureCache() {
    current_ = nullptr;
    DropWindow();
    const auto bufferSize = static_cast<std::size_t>(RecordBufferSize());
    const std::size_t capacity = std::min(kCacheBytes / bufferSize, kMaxCacheBuffers);
    cache_.Configure(this, bufferSize, capacity, [this](int code) { Fail(code); });
}

void TDataFile::OpenBlobFile(bool create) {
    blob_ = std::make_unique<TBlobFile>();
    blob_->SetFileName(FileName());
    blob_->SetInMemory(InMemory());
    blob_->SetExclusive(create || Exclusive());
    blob_->SetReadOnly(!create && ReadOnly());
    blob_->SetWriteThrough(forceBufferFlush_);
    blob_->SetBlockSize(header_.blobBlockSize);
    blob_->SetProtected(header_.IsProtected());
    blob_->SetContextName(FileName());
    if (create)
        blob_->Create();
    else
        blob_->Open();
}

void TDataFile::Open() {
    if (IsOpen())
        return;
    tableLocked_ = readHeld_ = sharedReadHeld_ = sharedReadLifted_ = writeHeld_ = false;
    lockedRecords_.clear();
    rangeSet_ = false;
    filters_.clear();
    SettleOwedRollback();
    try {
        SetWriteThrough(forceBufferFlush_);
        TFileHandler::Open();
        indexHandler_.SetFileName(
            TTableFileNames::WithExtension(FileName(), TTableFileNames::kIndexExtension));
        indexHandler_.SetInMemory(InMemory());
        indexHandler_.SetExclusive(Exclusive());
        indexHandler_.SetReadOnly(ReadOnly());
        indexHandler_.SetWriteThrough(forceBufferFlush_);
        indexHandler_.Open();
        // Header, descriptors and index header are read under the index read
        // lock, so a writer cannot change them half-way.
        if (!LocksSkipped()) {
            readLocks_ = locks_.BeginReadLocks(*this, indexHandler_, nullptr);
            readHeld_ = true;
        }
        TDataFileLayout layout = TDataFileLayout::Read(
            *this, [this](const std::string& password) { return PasswordAvailable(password); });
        header_ = layout.header;
        headerModified_ = false;
        stored_ = std::move(layout.fields);
        working_ = stored_;
        calculations_.assign(working_.size(), TCalculation{});
        calcAreaSize_ = 0;
        locale_ = header_.HasLocale()
                      ? std::make_unique<TTableLocale>(header_.LocaleId(), FileName())
                      : nullptr;
        readAhead_ = std::max(1, kReadAheadBytes / std::max<int>(1, header_.recordSize));
        ConfigureCache();
        if (header_.blobFieldCount > 0)
            OpenBlobFile(false);
        index_.SetFieldResolver([this](int n) { return ResolveKeyField(n); });
        index_.SetTableLocale(header_.HasLocale() ? header_.LocaleId() : 0);
        index_.SetProtected(header_.IsProtected());
        index_.Cursor().SetRecordSource(source_.get());
        index_.Open(indexStorage_, indexHandler_.FileName(), Exclusive(), ReadOnly());
        if (readHeld_) {
            readHeld_ = false;
            locks_.EndReadLocks(indexHandler_, nullptr, readLocks_);
        }
        AttachJournal(true);
    } catch (...) {
        CloseFiles(false);
        throw;
    }
}

void TDataFile::CloseFiles(bool commit) {
    std::exception_ptr failure;
    // A rollback still owed gets one more try; without it nothing more is
    // written, and the table may stay damaged.
    if (journal_.Fenced() && !journal_.RollBack()) {
        commit = false;
        try {
            Fail(kErrTableDamaged);
        } catch (...) {
            failure = std::current_exception();
        }
    } else if (journal_.Fenced()) {
        commit = false; // the files are as at the checkpoint; the caches are stale
    }
    if (commit && IsOpen()) {
        cache_.ClearPins();
        current_ = nullptr;
        if (Exclusive() && !ReadOnly()) {
            try {
                CommitInternal(true, false, false, false);
            } catch (...) {
                failure = std::current_exception();
            }
        }
    }
    KeepOwedRollback();
    AttachJournal(false);
    writeKeptForDamage_ = false;
    ReleaseAllLocks();
    if (blob_) {
        try {
            blob_->Close();
        } catch (...) {
        }
        blob_.reset();
    }
    index_.Close();
    indexHandler_.Close();
    stored_.clear();
    working_.clear();
    calculations_.clear();
    calcAreaSize_ = 0;
    current_ = nullptr;
    DropWindow();
    cache_.Configure(this, 0, 1, [this](int code) { Fail(code); });
    locale_.reset();
    rangeSet_ = false;
    filters_.clear();
    const bool wasOpen = IsOpen();
    TFileHandler::Close();
    RegisterOwedRollback();
    if (wasOpen && deleteOnClose_) {
        try {
            DeleteTableFiles();
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
    }
    passwordCallback_ = nullptr;
    passwordContext_ = nullptr;
    if (failure)
        std::rethrow_exception(failure);
}

void TDataFile::Close() {
    if (!IsOpen())
        return;
    CloseFiles(true);
}

std::int64_t TDataFile::Write(const void* buffer, std::int64_t count) {
    ++dataWrites_;
    DropWindow();
    return TFileHandler::Write(buffer, count);
}

void TDataFile::DeleteTableFiles() {
    RequireClosed();
    for (std::string_view ext : {TTableFileNames::kBlobExtension, TTableFileNames::kIndexExtension,
                                 TTableFileNames::kDataExtension}) {
        TFileHandler file(TTableFileNames::WithExtension(FileName(), ext));
        file.SetInMemory(InMemory());
        if (file.Exists())
            file.Delete();
    }
}

// ---- Bulk index build --------------------------------------------------------------------

void TDataFile::DeferIndexInserts(int index) {
    RequireOpenTable();
    RequireWritable();
    if (index < 1 || index > index_.SecondaryCount())
        FailIndex(kErrInvalidIndexName, std::to_string(index));
    index_.DeferInserts(index);
}

void TDataFile::BuildDeferredIndexes() {
    RequireOpenTable();
    index_.BuildDeferred();
}

// ---- Creation and emptying ----------------------------------------------------------------

void TDataFile::CreateTable(TTableDefinition definition, const TIndexDescriptor& primary,
                            const std::vector<TIndexDescriptor>& secondaries) {
    RequireClosed();
    if (!Exclusive())
        Fail(kErrMustBeExclusive);
    RequireWritable();
    definition.secondaryIndexCount = static_cast<int>(secondaries.size());
    const TDataHeader newHeader = definition.Validate(FileName());
    const std::string password = newHeader.password;
    const bool addPassword = newHeader.IsProtected() && !HasPassword(password);
    if (addPassword)
        AddPassword(password);
    bool created = false;
    try {
        created = true;
        SetWriteThrough(forceBufferFlush_);
        TFileHandler::Create();
        const auto headerImage = newHeader.Encode();
        WriteAt(0, headerImage.data(), static_cast<std::int64_t>(headerImage.size()));
        std::vector<std::uint8_t> block = EncodeDescriptorBlock(definition.fields);
        if (newHeader.IsProtected())
            TScrambler::Apply(block, TScrambler::kTableDataKey);
        WriteAt(static_cast<std::int64_t>(datafmt::kHeaderSize), block.data(),
                static_cast<std::int64_t>(block.size()));
        TFileHandler::Close();

        indexHandler_.SetFileName(
            TTableFileNames::WithExtension(FileName(), TTableFileNames::kIndexExtension));
        indexHandler_.SetInMemory(InMemory());
        indexHandler_.SetExclusive(true);
        indexHandler_.SetReadOnly(false);
        indexHandler_.SetWriteThrough(forceBufferFlush_);
        indexHandler_.Create();
        index_.SetProtected(newHeader.IsProtected());
        index_.Create(indexStorage_, indexHandler_.FileName());
        index_.Commit(true);
        index_.Close();
        indexHandler_.Close();

        if (newHeader.blobFieldCount > 0) {
            header_ = newHeader;
            OpenBlobFile(true);
            blob_->Commit(true, false);
            blob_->Close();
            blob_.reset();
        }

        Open();
        index_.DefinePrimaryIndex(primary);
        for (const TIndexDescriptor& secondary : secondaries)
            index_.AddSecondaryIndex(secondary);
        Close();
    } catch (...) {
        if (IsOpen()) {
            try {
                CloseFiles(false);
            } catch (...) {
            }
        }
        if (blob_) {
            blob_->Close();
            blob_.reset();
        }
        index_.Close();
        indexHandler_.Close();
        TFileHandler::Close();
        if (created) {
            try {
                DeleteTableFiles();
            } catch (...) {
            }
        }
        if (addPassword)
            RemovePassword(password);
        throw;
    }
    if (addPassword)
        RemovePassword(password);
}

void TDataFile::EmptyTable() {
    if (!IsOpen())
        return;
    if (!Exclusive())
        Fail(kErrMustBeExclusive);
    RequireWritable();
    RequireIntactFiles();
    try {
        Seek(static_cast<std::int64_t>(header_.DataOffset()), TSeekOrigin::Start);
        Write(nullptr, 0);
        header_.freeChainHead = 0;
        header_.nextRecordNumber = 1;
        header_.lastAutoIncrement = 0;
        header_.changeCounter = 0;
        headerModified_ = true;
        ResetCache();
        index_.Empty();
        if (blob_)
            blob_->Empty();
        index_.Cursor().GotoPosition(0);
        CheckpointIfOverflowed();
    } catch (...) {
        if (!RecoverAfterFailure())
            Fail(kErrTableDamaged);
        index_.Cursor().GotoPosition(0);
        throw;
    }
}

// ---- Descriptors ----------------------------------------------------------------------------

int TDataFile::BookmarkSize() const {
    if (!index_.IsOpen() || index_.PhysicalOrder())
        return 4;
    return index_.KeyLength(index_.CurrentIndex());
}

TFieldDescriptor TDataFile::GetFieldDescriptor(int fieldNumber) const {
    if (fieldNumber < 1 || fieldNumber > FieldCount())
        FailField(kErrInvalidField, std::to_string(fieldNumber));
    return working_[static_cast<std::size_t>(fieldNumber - 1)];
}

TFieldDescriptor TDataFile::GetFieldDescriptor(const std::string& name) const {
    const std::string wanted = UpperTrimmed(name);
    for (const TFieldDescriptor& f : working_)
        if (UpperTrimmed(f.name) == wanted)
            return f;
    FailField(kErrInvalidField, name);
}

TIndexDescriptor TDataFile::GetIndexDescriptor(int index) const {
    if (!index_.IsOpen() || !index_.IsDefined(index) || index == indexfmt::kPhysicalOrderIndex)
        FailIndex(kErrInvalidIndexName, std::to_string(index));
    return index_.Descriptor(index);
}

int TDataFile::SecondaryIndexCount() const {
    return index_.IsOpen() ? index_.SecondaryCount() : 0;
}

bool TDataFile::InPhysicalOrder() const {
    return index_.IsOpen() && index_.PhysicalOrder();
}

const TKeyBuilder& TDataFile::DefinedKeyBuilder(int index) const {
    if (!index_.IsOpen() || !index_.IsDefined(index))
        FailIndex(kErrInvalidIndexName, std::to_string(index));
    return index_.KeyBuilder(index);
}

int TDataFile::KeyLength(int index) const {
    return DefinedKeyBuilder(index).KeyLength();
}

int TDataFile::KeyFieldCount(int index) const {
    return DefinedKeyBuilder(index).FieldCount();
}

std::vector<std::uint8_t> TDataFile::BuildKey(int index,
                                              std::span<const std::uint8_t> record) const {
    const TKeyBuilder& builder = DefinedKeyBuilder(index);
    std::vector<std::uint8_t> key(static_cast<std::size_t>(builder.KeyLength()), 0);
    if (builder.FieldCount() > 0)
        builder.Build(record, key.data());
    return key;
}

void TDataFile::BuildKey(int index, std::span<const std::uint8_t> record,
                         std::vector<std::uint8_t>& key) const {
    const TKeyBuilder& builder = DefinedKeyBuilder(index);
    key.assign(static_cast<std::size_t>(builder.KeyLength()), 0);
    if (builder.FieldCount() > 0)
        builder.Build(record, key.data());
}

int TDataFile::KeyPrefixLength(int index, int fieldCount) const {
    const TKeyBuilder& builder = DefinedKeyBuilder(index);
    return builder.PrefixLength(std::clamp(fieldCount, 0, builder.FieldCount()));
}

bool TDataFile::PrimaryHasKeys() const {
    return index_.IsOpen() && !index_.PhysicalOrderTable();
}

void TDataFile::RecomputeCalculatedOffsets() {
    int offset = header_.recordSize;
    for (std::size_t i = 0; i < working_.size(); ++i) {
        TFieldDescriptor& f = working_[i];
        f.fieldNumber = static_cast<std::int16_t>(i + 1);
        if (!f.IsCalculated())
            continue;
        f.RefreshStoredSize();
        f.offset = static_cast<std::uint16_t>(std::min(offset, 65535));
        offset += f.storedSize + 1;
    }
    if (offset > datafmt::kMaxRecordSize)
        Fail(kErrMaxRecordSize);
    calcAreaSize_ = offset - header_.recordSize;
}

void TDataFile::SetWorkingDescriptors(const std::vector<TFieldDescriptor>& descriptors,
                                      std::vector<TCalculation> calculations) {
    RequireOpenTable();
    // The stored fields stay as they are on disk; only calculated ones may
    // be added after them.
    std::vector<TFieldDescriptor> next = stored_;
    std::vector<TCalculation> calcs(stored_.size());
    for (std::size_t i = stored_.size(); i < descriptors.size(); ++i) {
        TFieldDescriptor f = descriptors[i];
        f.calculated = 1;
        next.push_back(f);
        calcs.push_back(i < calculations.size() ? calculations[i] : TCalculation{});
    }
    const auto savedWorking = working_;
    const auto savedCalcs = calculations_;
    working_ = std::move(next);
    calculations_ = std::move(calcs);
    try {
        RecomputeCalculatedOffsets();
    } catch (...) {
        working_ = savedWorking;
        calculations_ = savedCalcs;
        RecomputeCalculatedOffsets();
        throw;
    }
    // Modified images of an exclusive table live only in the cache: they
    // reach the file before the buffers are dropped.
    SetCurrent(nullptr);
    cache_.ClearPins();
    if (!ReadOnly())
        WriteBack();
    ConfigureCache();
}

int TDataFile::AddCalculatedField(TFieldDescriptor descriptor, TCalculation calculation) {
    std::vector<TFieldDescriptor> next = working_;
    std::vector<TCalculation> calcs = calculations_;
    descriptor.calculated = 1;
    next.push_back(descriptor);
    calcs.push_back(std::move(calculation));
    SetWorkingDescriptors(next, calcs);
    return FieldCount();
}

void TDataFile::RemoveCalculatedField(int fieldNumber) {
    const TFieldDescriptor f = GetFieldDescriptor(fieldNumber);
    if (!f.IsCalculated())
        FailField(kErrInvalidField, f.name);
    std::vector<TFieldDescriptor> next = working_;
    std::vector<TCalculation> calcs = calculations_;
    next.erase(next.begin() + (fieldNumber - 1));
    calcs.erase(calcs.begin() + (fieldNumber - 1));
    SetWorkingDescriptors(next, calcs);
}

void TDataFile::Calculate(std::span<std::uint8_t> image) const {
    // Calculated descriptors follow the stored ones and each enlarges the
    // calculated area by at least one byte: with no area there is nothing
    // to compute (the common case, met on every field written).
    if (calcAreaSize_ == 0)
        return;
    const std::size_t n = std::min(calculations_.size(), working_.size());
    for (std::size_t i = stored_.size(); i < n; ++i)
        if (calculations_[i] && working_[i].IsCalculated())
            calculations_[i](working_[i], image);
}

// ---- Field access ------------------------------------------------------------------------------

void TDataFile::InitRecord(std::span<std::uint8_t> image) const {
    if (TRecordRules::HasDefaults(stored_))
        TRecordRules::InitRecord(stored_, image, locale_.get(), LocalNow());
    else
        std::fill(image.begin(), image.end(), std::uint8_t{0});
    Calculate(image);
}

TFieldRead TDataFile::ReadField(int fieldNumber, std::span<const std::uint8_t> image) const {
    if (fieldNumber < 1 || fieldNumber > FieldCount())
        FailField(kErrInvalidField, std::to_string(fieldNumber));
    return tabula::ReadField(working_[static_cast<std::size_t>(fieldNumber - 1)], image);
}

void TDataFile::WriteField(int fieldNumber, std::span<std::uint8_t> image,
                           std::span<const std::uint8_t> value) {
    if (fieldNumber < 1 || fieldNumber > FieldCount())
        FailField(kErrInvalidField, std::to_string(fieldNumber));
    tabula::WriteField(working_[static_cast<std::size_t>(fieldNumber - 1)], image, value);
    Calculate(image);
}

void TDataFile::WriteNullField(int fieldNumber, std::span<std::uint8_t> image) {
    if (fieldNumber < 1 || fieldNumber > FieldCount())
        FailField(kErrInvalidField, std::to_string(fieldNumber));
    tabula::WriteNullField(working_[static_cast<std::size_t>(fieldNumber - 1)], image);
    Calculate(image);
}

void TDataFile::CheckConstraints(std::span<const std::uint8_t> image) const {
    if (TRecordRules::HasConstraints(stored_))
        TRecordRules::CheckConstraints(stored_, image, locale_.get(), LocalNow(), FileName());
}

// ---- BLOBs
// -----------------------------------------------------------------------------------------

int TDataFile::OpenBlob(int fieldNumber, std::span<std::uint8_t> image, int mode) {
    return tabula::OpenBlob(BlobFile(), working_, fieldNumber, image, mode);
}

int TDataFile::FreeBlob(int fieldNumber, std::span<std::uint8_t> image) {
    return tabula::FreeBlob(BlobFile(), working_, fieldNumber, image);
}

int TDataFile::ReadBlob(int fieldNumber, std::span<std::uint8_t> image, std::uint32_t offset,
                        std::uint32_t count, void* destination, std::uint32_t& bytesRead) {
    TOperationScope scope(*this);
    if (HasBlobFile() && !AnyReadOrWriteHeld() && !LocksSkipped())
        BeginRead();
    return tabula::ReadBlob(BlobFile(), working_, fieldNumber, image, offset, count, destination,
                            bytesRead);
}

int TDataFile::WriteBlob(int fieldNumber, std::span<std::uint8_t> image, std::uint32_t offset,
                         std::uint32_t count, const void* source) {
    return tabula::WriteBlob(BlobFile(), working_, fieldNumber, image, offset, count, source);
}

int TDataFile::TruncateBlob(int fieldNumber, std::span<std::uint8_t> image, std::uint32_t length) {
    return tabula::TruncateBlob(BlobFile(), working_, fieldNumber, image, length);
}

int TDataFile::GetBlobSize(int fieldNumber, std::span<std::uint8_t> image, std::uint32_t& length) {
    return tabula::GetBlobSize(BlobFile(), working_, fieldNumber, image, length);
}

void TDataFile::FlushBlobs() {
    tabula::FlushBlobs(BlobFile());
}

namespace {

void RaiseBlobCode(int code, const std::string& fileName) {
    if (code != 0)
        RaiseEngineError(code, fileName);
}

} // namespace

void TDataFile::AppendBlobs(std::int32_t recno, std::span<std::uint8_t> image) {
    if (!HasBlobFile())
        return;
    RaiseBlobCode(PrepareAppendBlobs(*blob_, working_, image, recno), FileName());
    RaiseBlobCode(SaveRecordBlobs(*blob_, working_, image), FileName());
}

void TDataFile::SaveBlobs(std::span<std::uint8_t> image) {
    if (HasBlobFile())
        RaiseBlobCode(SaveRecordBlobs(*blob_, working_, image), FileName());
}

void TDataFile::FreeBlobs(std::span<std::uint8_t> image) {
    if (HasBlobFile())
        RaiseBlobCode(DeleteRecordBlobs(*blob_, working_, image), FileName());
}

} // namespace tabula
