// TTabulaTable: opening, closing and emptying the table's data file, the
// properties that travel to it, index selection, and the table's side of
// the dataset framework (buffers, fetching, posting, keys, ranges,
// master-detail, index-answered searches, filters).
#include "TabulaTable.h"

#include "AccessMessages.h"
#include "DataFile.h"
#include "EngineCodes.h"
#include "EngineError.h"
#include "FieldValue.h"
#include "IndexFileFormat.h"
#include "TableFilterCompiler.h"
#include "TabulaDatabase.h"
#include "TabulaSession.h"
#include "TabulaSessionList.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace tabula {

namespace {

constexpr const char* kNoIndexForFields = "No index for fields '%s'";

// Closes a data file whose failure no longer matters (an error path).
void CloseQuietly(TDataFile& file) {
    try {
        if (file.IsOpen())
            file.Close();
    } catch (const std::exception&) {
        // The original error is the one the caller reports.
    }
}

} // namespace

// ---- Construction and properties -------------------------------------------------------

TTabulaTable::TTabulaTable(TComponent* owner) : TTabulaDBDataSet(owner) {}

TTabulaTable::~TTabulaTable() {
    destroying_ = true;
    try {
        Close();
    } catch (const std::exception&) {
        // A destructor cannot report; the file is freed below regardless.
    }
    masterLink_.SetDataSource(nullptr);
    if (file_) {
        CloseQuietly(*file_);
        file_.reset();
    }
}

void TTabulaTable::SetExclusive(bool value) {
    CheckInactive();
    exclusive_ = value;
}

void TTabulaTable::SetReadOnly(bool value) {
    CheckInactive();
    readOnly_ = value;
}

void TTabulaTable::SetInMemory(bool value) {
    CheckInactive();
    inMemory_ = value;
}

void TTabulaTable::SetStrictChangeDetection(bool value) {
    CheckInactive();
    strict_ = value;
}

void TTabulaTable::SetForceBufferFlush(bool value) {
    CheckInactive();
    forceBufferFlush_ = value;
}

void TTabulaTable::SetTableName(const std::string& name) {
    CheckInactive();
    tableName_ = name;
    indexDefs_.SetUpdated(false);
    FieldDefs().SetUpdated(false);
    DataEvent(TDataEvent::dePropertyChange);
}

void TTabulaTable::SetLockRetryCount(std::uint8_t count) {
    lockRetryCount_ = count;
    if (file_)
        file_->SetLockRetryCount(count);
    if (lookupFile_)
        lookupFile_->SetLockRetryCount(count);
}

void TTabulaTable::SetLockWaitTime(std::uint16_t ms) {
    lockWaitTime_ = ms;
    if (file_)
        file_->SetLockWaitTime(ms);
    if (lookupFile_)
        lookupFile_->SetLockWaitTime(ms);
}

void TTabulaTable::SetIndexName(const std::string& name) {
    if (Active()) {
        SwitchIndex(name, {});
        return;
    }
    indexName_ = name;
    indexFieldNames_.clear();
}

void TTabulaTable::SetIndexFieldNames(const std::string& fields) {
    if (Active()) {
        SwitchIndex({}, fields);
        return;
    }
    indexFieldNames_ = fields;
    indexName_.clear();
}

TIndexDefs& TTabulaTable::IndexDefs() {
    if (indexDefs_.Updated())
        return indexDefs_;
    if (file_) {
        ReadIndexDefs(*file_);
        return indexDefs_;
    }
    SetUsageFlag(UseIndexList, true);
    try {
        std::unique_ptr<TDataFile> file = NewFile(false, readOnly_);
        OpenFile(*file);
        try {
            ReadIndexDefs(*file);
        } catch (...) {
            CloseQuietly(*file);
            throw;
        }
        file->Close();
    } catch (...) {
        SetUsageFlag(UseIndexList, false);
        throw;
    }
    SetUsageFlag(UseIndexList, false);
    return indexDefs_;
}

void TTabulaTable::UpdateFieldDefs() {
    if (file_) {
        BuildFieldDefs(file_->WorkingDescriptors(), FieldDefs());
        return;
    }
    SetUsageFlag(UseFieldList, true);
    try {
        // Always shared: reading the definitions must not lock others out.
        std::unique_ptr<TDataFile> file = NewFile(false, readOnly_);
        OpenFile(*file);
        BuildFieldDefs(file->WorkingDescriptors(), FieldDefs());
        file->Close();
    } catch (...) {
        SetUsageFlag(UseFieldList, false);
        throw;
    }
    FieldDefs().SetUpdated(true);
    SetUsageFlag(UseFieldList, false);
}

void TTabulaTable::SetMasterSource(TDataSource* source) {
    if (source && source->IsLinkedTo(this))
        msg::Raise(msg::kCircularLink);
    masterLink_.SetDataSource(source);
}

void TTabulaTable::SetMasterFields(const std::string& fields) {
    if (fields == masterFields_)
        return;
    masterFields_ = fields;
    if (Active())
        ApplyMasterRange(true);
}

bool TTabulaTable::CanModify() const {
    return !readOnly_ && TTabulaDataSet::CanModify();
}

// ---- Opening and closing ------------------------------------------------------------------

TTabulaSession& TTabulaTable::Session() const {
    if (TTabulaDatabase* database = Database()) {
        if (TTabulaSession* session = database->Session())
            return *session;
    }
    return TTabulaSessionList::Instance().RequireSession(SessionName());
}

std::string TTabulaTable::TablePath() const {
    TTabulaDatabase* database = Database();
    if (!database)
        msg::Raise(msg::kNoTableHandle);
    return database->TablePath(tableName_);
}

std::unique_ptr<TDataFile> TTabulaTable::NewFile(bool exclusive, bool readOnly) {
    if (tableName_.empty())
        msg::Raise(msg::kTableNameMissing);
    auto file = std::make_unique<TDataFile>(this);
    file->SetFileName(TablePath());
    file->SetExclusive(exclusive);
    file->SetReadOnly(readOnly);
    file->SetInMemory(inMemory_);
    file->SetStrictChangeDetection(strict_);
    file->SetForceBufferFlush(forceBufferFlush_);
    file->SetLockRetryCount(lockRetryCount_);
    file->SetLockWaitTime(lockWaitTime_);
    return file;
}

void TTabulaTable::OpenFile(TDataFile& file) {
    TTabulaSession& session = Session();
    TTabulaSessionLock lock(session);
    // The callback lives only for the open: a later request for a password
    // (a clone, a second open) installs its own.
    file.SetPasswordCallback([&session](void*) { return session.RequestPassword(); }, nullptr);
    try {
        file.Open();
    } catch (...) {
        file.SetPasswordCallback({}, nullptr);
        CloseQuietly(file);
        throw;
    }
    file.SetPasswordCallback({}, nullptr);
}

void TTabulaTable::ReadIndexDefs(TDataFile& file) {
    indexDefs_.Clear();
    const int secondaries = file.SecondaryIndexCount();
    for (int i = indexfmt::kPrimaryIndex; i <= secondaries; ++i) {
        const TIndexDescriptor d = file.GetIndexDescriptor(i);
        if (d.fieldCount == 0)
            continue; // physical order: no fields to select it by
        TIndexDef def;
        def.Name = i == indexfmt::kPrimaryIndex ? std::string() : d.name;
        for (int f = 0; f < d.fieldCount && f < indexfmt::kMaxKeyFields; ++f) {
            if (f > 0)
                def.Fields += ";";
            def.Fields += file.GetFieldDescriptor(d.fieldNumbers[static_cast<std::size_t>(f)]).name;
        }
        def.CaseInsensitive = d.caseInsensitive;
        def.Unique = d.unique || i == indexfmt::kPrimaryIndex;
        def.Descending = d.descending;
        indexDefs_.Add(std::move(def));
    }
    indexDefs_.SetUpdated(true);
}

std::string TTabulaTable::ResolveIndexName() {
    if (indexFieldNames_.empty())
        return indexName_;
    const TIndexDef* def = IndexDefs().FindByFields(indexFieldNames_);
    if (!def)
        msg::Raise(kNoIndexForFields, indexFieldNames_);
    return def->Name;
}

void TTabulaTable::InternalOpen() {
    SetUsageFlag(UseCursor, true);
    try {
        if (tableName_.empty())
            msg::Raise(msg::kTableNameMissing);
        indexDefs_.SetUpdated(false);
        std::unique_ptr<TDataFile> file = NewFile(exclusive_, readOnly_);
        OpenFile(*file);
        try {
            readOnly_ = readOnly_ || file->ReadOnly() || file->ReadOnlyAttribute();
            std::string index = indexName_;
            if (!indexName_.empty() || !indexFieldNames_.empty()) {
                ReadIndexDefs(*file);
                index = ResolveIndexName();
            }
            file->SelectIndexByName(index);
        } catch (...) {
            CloseQuietly(*file);
            throw;
        }
        file_ = std::move(file);
        AttachCursor(*file_);
        ReadKeyInfo();
        ResetKeyBuffers();
    } catch (...) {
        DetachCursor();
        if (file_) {
            CloseQuietly(*file_);
            file_.reset();
        }
        SetUsageFlag(UseCursor, false);
        throw;
    }
}

void TTabulaTable::AfterCursorBind() {
    ApplyMasterRange(false);
}

void TTabulaTable::InternalClose() {
    CloseLookupCursor();
    DetachCursor();
    keys_.clear();
    keyInfo_ = {};
    std::unique_ptr<TDataFile> file = std::move(file_);
    try {
        if (file)
            file->Close();
    } catch (...) {
        CloseQuietly(*file);
        file.reset();
        SetUsageFlag(UseCursor, false);
        throw;
    }
    file.reset();
    SetUsageFlag(UseCursor, false);
}

void TTabulaTable::ReadKeyInfo() {
    keyInfo_ = {};
    keyInfo_.index = file_->CurrentIndex();
    const TIndexDescriptor d = file_->GetIndexDescriptor(keyInfo_.index);
    keyInfo_.caseInsensitive = d.caseInsensitive;
    keyInfo_.keyLength = d.keyLength;
    for (int f = 0; f < d.fieldCount && f < indexfmt::kMaxKeyFields; ++f)
        keyInfo_.fieldNumbers.push_back(d.fieldNumbers[static_cast<std::size_t>(f)]);
}

// ---- Emptying ------------------------------------------------------------------------------

void TTabulaTable::EmptyTable() {
    if (Active()) {
        CheckBrowseMode();
        file_->EmptyTable();
        First();
        return;
    }
    SetUsageFlag(UseEmpty, true);
    try {
        // Emptying needs the table to itself, whatever Exclusive and
        // ReadOnly say for normal use.
        std::unique_ptr<TDataFile> file = NewFile(true, false);
        OpenFile(*file);
        try {
            file->EmptyTable();
            file->Close();
        } catch (...) {
            CloseQuietly(*file);
            throw;
        }
    } catch (...) {
        SetUsageFlag(UseEmpty, false);
        throw;
    }
    SetUsageFlag(UseEmpty, false);
}

TVerifyReport TTabulaTable::CheckTable() {
    if (Active())
        RaiseEngineError(kErrFileInUse, TablePath());
    SetUsageFlag(UseEmpty, true);
    try {
        TVerifyReport report = TTableVerifier::Verify(TablePath(), inMemory_);
        SetUsageFlag(UseEmpty, false);
        return report;
    } catch (...) {
        SetUsageFlag(UseEmpty, false);
        throw;
    }
}

TRepairReport TTabulaTable::RepairTable() {
    if (Active())
        RaiseEngineError(kErrFileInUse, TablePath());
    SetUsageFlag(UseEmpty, true);
    try {
        TRepairReport report = TTableRepair::Repair(TablePath(), inMemory_);
        SetUsageFlag(UseEmpty, false);
        return report;
    } catch (...) {
        SetUsageFlag(UseEmpty, false);
        throw;
    }
}

void TTabulaTable::LockTable() {
    CheckActive();
    file_->LockTable();
}

void TTabulaTable::UnlockTable() {
    CheckActive();
    file_->UnlockTable();
}

// ---- Index selection ------------------------------------------------------------------------

void TTabulaTable::SwitchIndex(const std::string& name, const std::string& fields) {
    CheckBrowseMode();
    const bool byFields = !fields.empty();
    std::string resolved = name;
    if (byFields) {
        const TIndexDef* def = IndexDefs().FindByFields(fields);
        if (!def)
            msg::Raise(kNoIndexForFields, fields);
        resolved = def->Name;
    }
    if (byFields == !indexFieldNames_.empty() &&
        (byFields ? SplitFieldNames(fields) == SplitFieldNames(indexFieldNames_)
                  : SplitFieldNames(name) == SplitFieldNames(indexName_))) {
        indexName_ = name;
        indexFieldNames_ = fields;
        return;
    }
    try {
        ResetRange();
        file_->SelectIndexByName(resolved);
        ReadKeyInfo();
        ResetKeyBuffers();
    } catch (...) {
        Close();
        throw;
    }
    indexName_ = name;
    indexFieldNames_ = fields;
    ApplyMasterRange(false);
    ResyncFromCursor();
    DataEvent(TDataEvent::deDataSetChange);
}

// ---- Buffers of the key states ---------------------------------------------------------------

std::uint8_t* TTabulaTable::StateBuffer(TDataSetState state) const {
    auto* self = const_cast<TTabulaTable*>(this);
    if (state == TDataSetState::dsSetKey) {
        if (keys_.empty())
            return nullptr;
        return self->keys_[keyEdit_].image.data();
    }
    return TTabulaDataSet::StateBuffer(state);
}

// ---- Keys and ranges
// ------------------------------------------------------------------------------

bool TTabulaTable::IsKeyField(const TField& field) const {
    if (anyKeyField_ || keyInfo_.fieldNumbers.empty())
        return true;
    return std::find(keyInfo_.fieldNumbers.begin(), keyInfo_.fieldNumbers.end(), field.FieldNo()) !=
           keyInfo_.fieldNumbers.end();
}

void TTabulaTable::ResetKeyBuffers() {
    keys_.assign(kkCount, TKeyBuffer{});
    for (TKeyBuffer& key : keys_) {
        key.image.assign(ImageSize(), 0);
        file_->InitRecord(key.image);
    }
}

std::vector<TField*> TTabulaTable::KeyFields(std::size_t count) const {
    if (count > keyInfo_.fieldNumbers.size())
        msg::Raise(msg::kFieldIndexRange);
    std::vector<TField*> fields;
    for (std::size_t i = 0; i < count; ++i) {
        const int number = keyInfo_.fieldNumbers[i];
        TField* found = nullptr;
        for (int f = 0; f < FieldCount() && !found; ++f) {
            if (Fields(f).FieldNo() == number && !Fields(f).Calculated())
                found = &Fields(f);
        }
        if (!found)
            msg::Raise(msg::kIndexFieldMissing, file_->GetFieldDescriptor(number).name);
        fields.push_back(found);
    }
    return fields;
}

void TTabulaTable::AssignKeyValues(TKeyIndex which, const std::vector<TField*>& fields,
                                   const std::vector<TVariant>& values) {
    TKeyBuffer& key = keys_[which];
    file_->InitRecord(key.image);
    key.fieldCount = 0;
    const TDataSetState oldState = State();
    const TKeyIndex oldEdit = keyEdit_;
    keyEdit_ = which;
    SetState(TDataSetState::dsSetKey);
    try {
        for (std::size_t i = 0; i < fields.size() && i < values.size(); ++i)
            fields[i]->SetAsVariant(values[i]);
    } catch (...) {
        keyEdit_ = oldEdit;
        SetState(oldState);
        throw;
    }
    keyEdit_ = oldEdit;
    SetState(oldState);
    key.fieldCount = static_cast<int>(std::min(fields.size(), values.size()));
    key.modified = true;
}

std::vector<std::uint8_t> TTabulaTable::BuildKey(const TKeyBuffer& buffer, int& given) const {
    given = file_->KeyPrefixLength(keyInfo_.index, buffer.fieldCount);
    return file_->BuildKey(keyInfo_.index, buffer.image);
}

void TTabulaTable::BeginKeyEdit(TKeyIndex which, bool clear) {
    CheckBrowseMode();
    keyEdit_ = which;
    keys_[kkSaved] = keys_[which];
    if (clear) {
        file_->InitRecord(keys_[which].image);
        keys_[which].fieldCount = 0;
        keys_[which].modified = false;
    }
    SetState(TDataSetState::dsSetKey);
    DataEvent(TDataEvent::deDataSetChange);
}

void TTabulaTable::InternalPostKey() {
    TKeyBuffer& key = keys_[keyEdit_];
    if (Modified())
        key.modified = true;
    // The key counts the leading key fields that were given a value.
    int count = 0;
    for (int number : keyInfo_.fieldNumbers) {
        if (file_->ReadField(number, key.image).isNull)
            break;
        ++count;
    }
    key.fieldCount = std::max(count, key.fieldCount);
    SetState(TDataSetState::dsBrowse);
}

void TTabulaTable::InternalCancelKey() {
    keys_[keyEdit_] = keys_[kkSaved];
    SetState(TDataSetState::dsBrowse);
}

void TTabulaTable::SetKey() {
    BeginKeyEdit(kkSearch, true);
}

void TTabulaTable::EditKey() {
    BeginKeyEdit(kkSearch, false);
}

bool TTabulaTable::GotoKey() {
    CheckBrowseMode();
    if (BeforeScroll)
        BeforeScroll(*this);
    CursorPosChanged();
    int given = 0;
    const std::vector<std::uint8_t> key = BuildKey(keys_[kkSearch], given);
    const bool found = file_->FindKey(key, given);
    if (found) {
        ResyncFromCursor();
        if (AfterScroll)
            AfterScroll(*this);
        DataEvent(TDataEvent::deDataSetChange);
    }
    return found;
}

void TTabulaTable::GotoNearest() {
    CheckBrowseMode();
    if (BeforeScroll)
        BeforeScroll(*this);
    CursorPosChanged();
    int given = 0;
    const std::vector<std::uint8_t> key = BuildKey(keys_[kkSearch], given);
    file_->FindNearest(key, given);
    ResyncFromCursor();
    if (AfterScroll)
        AfterScroll(*this);
    DataEvent(TDataEvent::deDataSetChange);
}

bool TTabulaTable::FindKey(const std::vector<TVariant>& values) {
    CheckBrowseMode();
    AssignKeyValues(kkSearch, KeyFields(values.size()), values);
    return GotoKey();
}

void TTabulaTable::SetRangeStart() {
    BeginKeyEdit(kkRangeStart, true);
}

void TTabulaTable::SetRangeEnd() {
    BeginKeyEdit(kkRangeEnd, true);
}

bool TTabulaTable::ApplyKeyRange() {
    const TKeyBuffer& start = keys_[kkRangeStart];
    const TKeyBuffer& end = keys_[kkRangeEnd];
    const TKeyBuffer& appliedStart = keys_[kkAppliedStart];
    const TKeyBuffer& appliedEnd = keys_[kkAppliedEnd];
    if (appliedStart.modified && start.fieldCount == appliedStart.fieldCount &&
        start.image == appliedStart.image && end.fieldCount == appliedEnd.fieldCount &&
        end.image == appliedEnd.image)
        return false;
    int startGiven = 0;
    int endGiven = 0;
    const std::vector<std::uint8_t> startKey = BuildKey(start, startGiven);
    const std::vector<std::uint8_t> endKey = BuildKey(end, endGiven);
    file_->SetRange(startKey, startGiven, endKey, endGiven);
    keys_[kkAppliedStart] = start;
    keys_[kkAppliedEnd] = end;
    // "modified" on the applied buffers means: a range is in force.
    keys_[kkAppliedStart].modified = true;
    keys_[kkAppliedEnd].modified = true;
    CloseLookupCursor();
    return true;
}

void TTabulaTable::ResetRange() {
    if (keys_.empty() || !keys_[kkAppliedStart].modified)
        return;
    file_->CancelRange();
    for (TKeyIndex k : {kkAppliedStart, kkAppliedEnd}) {
        file_->InitRecord(keys_[k].image);
        keys_[k].fieldCount = 0;
        keys_[k].modified = false;
    }
    CloseLookupCursor();
}

void TTabulaTable::ApplyRange() {
    CheckBrowseMode();
    if (ApplyKeyRange())
        First();
}

void TTabulaTable::CancelRange() {
    CheckBrowseMode();
    ResetRange();
    First();
}

void TTabulaTable::SetRange(const std::vector<TVariant>& start, const std::vector<TVariant>& end) {
    CheckBrowseMode();
    AssignKeyValues(kkRangeStart, KeyFields(start.size()), start);
    AssignKeyValues(kkRangeEnd, KeyFields(end.size()), end);
    ApplyRange();
}

// ---- Master-detail
// ----------------------------------------------------------------------------------

void TTabulaTable::ApplyMasterRange(bool move) {
    if (!file_ || destroying_)
        return;
    TDataSet* master = masterLink_.Active() ? masterLink_.DataSet() : nullptr;
    const std::vector<std::string> names = SplitFieldNames(masterFields_);
    if (master && !names.empty()) {
        if (State() != TDataSetState::dsOpening)
            CheckBrowseMode();
        std::vector<TVariant> values;
        for (const std::string& name : names)
            values.push_back(master->FieldByName(name).AsVariant());
        const std::vector<TField*> fields = KeyFields(values.size());
        AssignKeyValues(kkRangeStart, fields, values);
        keys_[kkRangeEnd] = keys_[kkRangeStart];
        if (ApplyKeyRange() && move)
            First();
        return;
    }
    const bool hadRange = !keys_.empty() && keys_[kkAppliedStart].modified;
    ResetRange();
    if (hadRange && move)
        First();
}

void TTabulaTable::TMasterLink::ActiveChanged() {
    table_.ApplyMasterRange(true);
}

void TTabulaTable::TMasterLink::LayoutChanged() {
    table_.ApplyMasterRange(true);
}

void TTabulaTable::TMasterLink::DataSetChanged() {
    table_.ApplyMasterRange(true);
}

void TTabulaTable::TMasterLink::DataSetScrolled() {
    table_.ApplyMasterRange(true);
}

void TTabulaTable::TMasterLink::RecordChanged(TField* field) {
    TDataSet* master = DataSet();
    if (!master || master->State() == TDataSetState::dsSetKey)
        return;
    if (field) {
        const std::vector<std::string> names = SplitFieldNames(table_.masterFields_);
        std::string upper = field->FieldName();
        for (char& c : upper)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (std::find(names.begin(), names.end(), upper) == names.end())
            return;
    }
    // A master in edit or insert state shows values not yet posted; the
    // detail follows them only once they are the master's current record.
    if (master->State() == TDataSetState::dsBrowse)
        table_.ApplyMasterRange(true);
}

// ---- Searching
// -------------------------------------------------------------------------------------

void TTabulaTable::CloseLookupCursor() {
    if (!lookupFile_)
        return;
    CloseQuietly(*lookupFile_);
    lookupFile_.reset();
    lookupIndex_.clear();
}

bool TTabulaTable::IndexedSearch(const std::vector<TField*>& fields,
                                 const std::vector<TVariant>& values, TLocateOptions options,
                                 std::uint8_t* buffer, bool forLocate, bool& handled) {
    handled = false;
    if (!file_ || fields.empty())
        return false;
    const bool caseInsensitive = (options & loCaseInsensitive) != 0;
    std::vector<int> numbers;
    for (const TField* field : fields) {
        if (field->Calculated() || field->FieldNo() <= 0 || field->IsBlob())
            return false;
        numbers.push_back(field->FieldNo());
    }
    auto leadsWith = [&numbers](const std::vector<int>& keyFields) {
        return keyFields.size() >= numbers.size() &&
               std::equal(numbers.begin(), numbers.end(), keyFields.begin());
    };

    TDataFile* cursor = nullptr;
    if (leadsWith(keyInfo_.fieldNumbers) && keyInfo_.caseInsensitive == caseInsensitive) {
        cursor = file_.get();
    } else if (!(masterLink_.Active() && !masterFields_.empty()) && !Exclusive()) {
        // A second cursor on an index that starts with these fields.
        std::string names;
        for (const TField* field : fields)
            names += (names.empty() ? "" : ";") + field->FieldName();
        const std::vector<std::string> wanted = SplitFieldNames(names);
        const TIndexDef* match = nullptr;
        for (const TIndexDef& def : IndexDefs().Items()) {
            const std::vector<std::string> have = SplitFieldNames(def.Fields);
            if (def.CaseInsensitive == caseInsensitive && have.size() >= wanted.size() &&
                std::equal(wanted.begin(), wanted.end(), have.begin())) {
                match = &def;
                break;
            }
        }
        if (!match)
            return false;
        if (!lookupFile_ || lookupIndex_ != match->Name) {
            CloseLookupCursor();
            lookupFile_ = file_->CloneCursor();
            lookupFile_->SelectIndexByName(match->Name);
            lookupIndex_ = match->Name;
        }
        lookupFile_->Refresh();
        cursor = lookupFile_.get();
    } else {
        return false;
    }

    // The key, built by the index of the cursor that searches.
    TKeyBuffer& key = keys_[kkLookup];
    anyKeyField_ = true;
    try {
        AssignKeyValues(kkLookup, fields, values);
    } catch (const EDatabaseError&) {
        // A value that the field cannot hold matches no record.
        anyKeyField_ = false;
        handled = true;
        return false;
    }
    anyKeyField_ = false;
    const int index = cursor->CurrentIndex();
    const std::vector<std::uint8_t> bytes = cursor->BuildKey(index, key.image);
    int given = cursor->KeyPrefixLength(index, static_cast<int>(fields.size()));
    TField& last = *fields.back();
    if ((options & loPartialKey) != 0 && last.DataType() == TFieldType::ftString &&
        std::holds_alternative<std::string>(values.back())) {
        // The last field counts only as long as the text given for it.
        const auto length = std::min<std::size_t>(std::get<std::string>(values.back()).size(),
                                                  static_cast<std::size_t>(last.Size()));
        given = cursor->KeyPrefixLength(index, static_cast<int>(fields.size()) - 1) + 1 +
                static_cast<int>(length);
    }
    handled = true;
    CursorPosChanged();
    if (!cursor->FindKey(bytes, given))
        return false;
    if (cursor != file_.get()) {
        if (forLocate) {
            const int rc = file_->SyncToCursor(*cursor);
            if (rc != 0)
                RaiseEngineError(rc, file_->FileName());
        } else {
            return cursor->GetCurrentRecord(Image(buffer)) == 0;
        }
    }
    if (file_->GetCurrentRecord(Image(buffer)) != 0)
        return false;
    SetBookmarkFlag(buffer, TBookmarkFlag::bfCurrent);
    StoreRecordInfo(buffer);
    return true;
}

// ---- Filters

void TTabulaTable::FiltersChanging() {
    CloseLookupCursor();
}

} // namespace tabula
