// The dataset framework's state machine, buffers, navigation, editing,
// field access, searching and notifications.
#include "DataSet.h"

#include "AccessMessages.h"
#include "ApplicationHandler.h"
#include "DataSource.h"
#include "FieldTypes.h"
#include "TextBlanks.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace tabula {

namespace {

// Restores a transient state and its buffer when a scope ends.
class TStateScope {
public:
    TStateScope(TDataSetState& state, std::uint8_t*& slot, TDataSetState newState,
                std::uint8_t* buffer)
        : state_(state), slot_(slot), oldState_(state), oldBuffer_(slot) {
        state_ = newState;
        slot_ = buffer;
    }
    ~TStateScope() {
        state_ = oldState_;
        slot_ = oldBuffer_;
    }
    TStateScope(const TStateScope&) = delete;
    TStateScope& operator=(const TStateScope&) = delete;

private:
    TDataSetState& state_;
    std::uint8_t*& slot_;
    TDataSetState oldState_;
    std::uint8_t* oldBuffer_;
};

} // namespace

TDataSet::TDataSet(TComponent* owner) : TComponent(owner) {}

TDataSet::~TDataSet() {
    // Subclasses close the dataset in their own destructors; what remains
    // here is to detach the data sources that still point at it.
    for (TDataSource* source : dataSources_)
        source->dataSet_ = nullptr;
    for (auto& field : fields_)
        field->dataSet_ = nullptr;
}

// ---- Lifecycle -----------------------------------------------------------------

void TDataSet::CheckActive() const {
    if (!Active())
        msg::Raise(msg::kDataSetClosed);
}

void TDataSet::CheckInactive() const {
    if (Active())
        msg::Raise(msg::kDataSetOpen);
}

void TDataSet::SetState(TDataSetState state) {
    if (state_ == state)
        return;
    state_ = state;
    modified_ = false;
    DataEvent(TDataEvent::deUpdateState);
}

void TDataSet::SetActive(bool active) {
    if (active == Active())
        return;
    if (active) {
        Fire(BeforeOpen);
        try {
            OpenDataSet();
        } catch (...) {
            CloseDataSet();
            throw;
        }
        Fire(AfterOpen);
    } else {
        Fire(BeforeClose);
        if (state_ == TDataSetState::dsEdit || state_ == TDataSetState::dsInsert) {
            try {
                InternalCancel();
            } catch (...) {
                // Closing goes on; the cursor is closed below anyway.
            }
        }
        CloseDataSet();
        Fire(AfterClose);
    }
}

void TDataSet::OpenDataSet() {
    state_ = TDataSetState::dsOpening;
    InternalOpen();
    if (defaultFields_) {
        std::vector<std::unique_ptr<TField>> created;
        for (const TFieldDef& def : fieldDefs_.Items()) {
            std::unique_ptr<TField> field = CreateField(def);
            if (!field)
                continue;
            field->autoCreated_ = true;
            created.push_back(std::move(field));
        }
        fields_.insert(fields_.begin(), std::make_move_iterator(created.begin()),
                       std::make_move_iterator(created.end()));
    }
    BindFields();
    InternalAfterBind();
    const std::size_t size = RecordBufferSize();
    active_.assign(size, 0);
    fetch_.assign(size, 0);
    calc_.assign(size, 0);
    saved_.clear();
    state_ = TDataSetState::dsBrowse;
    FetchFirst();
    DataEvent(TDataEvent::deUpdateState);
}

void TDataSet::BindFields() {
    calcFieldsSize_ = 0;
    for (auto& field : fields_) {
        field->dataSet_ = this;
        if (field->FieldKind == TFieldKind::fkData ||
            field->FieldKind == TFieldKind::fkInternalCalc) {
            const int i = fieldDefs_.IndexOf(field->FieldName());
            if (i < 0)
                msg::Raise(msg::kFieldNotFound, field->FieldName());
            field->fieldNo_ = fieldDefs_[i].FieldNo;
        } else {
            field->fieldNo_ = 0;
            field->offset_ = static_cast<int>(calcFieldsSize_);
            calcFieldsSize_ += 1 + static_cast<std::size_t>(field->DataSize());
        }
    }
}

void TDataSet::CloseDataSet() {
    try {
        if (IsCursorOpen())
            InternalClose();
    } catch (...) {
        ClearBuffers();
        state_ = TDataSetState::dsInactive;
        throw;
    }
    ClearBuffers();
    fields_.erase(std::remove_if(fields_.begin(), fields_.end(),
                                 [](const std::unique_ptr<TField>& f) { return f->autoCreated_; }),
                  fields_.end());
    calcFieldsSize_ = 0;
    active_.clear();
    fetch_.clear();
    calc_.clear();
    saved_.clear();
    state_ = TDataSetState::dsInactive;
    modified_ = false;
    DataEvent(TDataEvent::deUpdateState);
}

void TDataSet::ClearBuffers() {
    hasRecord_ = false;
    eof_ = true;
    bof_ = true;
    cursorMoved_ = false;
}

void TDataSet::CheckBrowseMode() {
    CheckActive();
    DataEvent(TDataEvent::deCheckBrowseMode);
    switch (state_) {
    case TDataSetState::dsEdit:
    case TDataSetState::dsInsert:
        DataEvent(TDataEvent::deUpdateRecord);
        if (modified_)
            Post();
        else
            Cancel();
        break;
    case TDataSetState::dsSetKey:
        Post();
        break;
    default:
        break;
    }
}

// ---- Fetching -----------------------------------------------------------------------

bool TDataSet::FetchInto(std::vector<std::uint8_t>& buffer, TGetMode mode) {
    std::fill(buffer.begin(), buffer.end(), 0);
    const TGetResult result = GetRecord(buffer.data(), mode, true);
    if (result != TGetResult::grOK)
        return false;
    CalculateFields(buffer.data());
    return true;
}

void TDataSet::FetchFirst() {
    InternalFirst();
    cursorMoved_ = false;
    hasRecord_ = FetchInto(active_, TGetMode::gmNext);
    if (!hasRecord_)
        cursorMoved_ = false;
    eof_ = !hasRecord_;
    bof_ = true;
}

void TDataSet::FetchLast() {
    InternalLast();
    cursorMoved_ = false;
    hasRecord_ = FetchInto(active_, TGetMode::gmPrior);
    eof_ = true;
    bof_ = !hasRecord_;
}

void TDataSet::SyncCursor() {
    if (hasRecord_ && cursorMoved_) {
        InternalSetToRecord(active_.data());
        cursorMoved_ = false;
    }
}

void TDataSet::ResyncFromCursor() {
    hasRecord_ = false;
    for (TGetMode mode : {TGetMode::gmCurrent, TGetMode::gmNext, TGetMode::gmPrior}) {
        std::fill(active_.begin(), active_.end(), 0);
        if (GetRecord(active_.data(), mode, false) == TGetResult::grOK) {
            CalculateFields(active_.data());
            hasRecord_ = true;
            break;
        }
    }
    cursorMoved_ = false;
    eof_ = !hasRecord_;
    bof_ = !hasRecord_;
}

void TDataSet::CalculateFields(std::uint8_t* buffer) {
    if (calcFieldsSize_ > 0)
        std::memset(buffer + CalcAreaOffset(), 0, calcFieldsSize_);
    if (!AutoCalcFields || !OnCalcFields)
        return;
    TStateScope scope(state_, calcBuffer_, TDataSetState::dsCalcFields, buffer);
    OnCalcFields(*this);
}

// ---- Navigation -------------------------------------------------------------------------

void TDataSet::First() {
    CheckBrowseMode();
    Fire(BeforeScroll);
    FetchFirst();
    Fire(AfterScroll);
    DataEvent(TDataEvent::deDataSetChange);
}

void TDataSet::Last() {
    CheckBrowseMode();
    Fire(BeforeScroll);
    FetchLast();
    Fire(AfterScroll);
    DataEvent(TDataEvent::deDataSetChange);
}

void TDataSet::Next() {
    CheckBrowseMode();
    if (eof_)
        return;
    Fire(BeforeScroll);
    SyncCursor();
    if (FetchInto(fetch_, TGetMode::gmNext)) {
        active_.swap(fetch_);
        bof_ = false;
    } else {
        eof_ = true;
        cursorMoved_ = true;
    }
    Fire(AfterScroll);
    DataEvent(TDataEvent::deDataSetScroll);
}

void TDataSet::Prior() {
    CheckBrowseMode();
    if (bof_)
        return;
    Fire(BeforeScroll);
    SyncCursor();
    if (FetchInto(fetch_, TGetMode::gmPrior)) {
        active_.swap(fetch_);
        eof_ = false;
    } else {
        bof_ = true;
        cursorMoved_ = true;
    }
    Fire(AfterScroll);
    DataEvent(TDataEvent::deDataSetScroll);
}

int TDataSet::MoveBy(int distance) {
    int moved = 0;
    while (distance > 0 && !eof_) {
        Next();
        if (!eof_)
            ++moved;
        --distance;
    }
    while (distance < 0 && !bof_) {
        Prior();
        if (!bof_)
            --moved;
        ++distance;
    }
    return moved;
}

bool TDataSet::IsEmpty() const {
    if (state_ == TDataSetState::dsInsert)
        return false;
    return !hasRecord_;
}

void TDataSet::Resync() {
    CheckActive();
    SyncCursor();
    ResyncFromCursor();
    DataEvent(TDataEvent::deDataSetChange);
}

void TDataSet::Refresh() {
    CheckBrowseMode();
    SyncCursor();
    InternalRefresh();
    ResyncFromCursor();
    DataEvent(TDataEvent::deDataSetChange);
}

// ---- Editing --------------------------------------------------------------------------------

void TDataSet::RunWithErrorEvent(const TErrorEvent& event, const std::function<void()>& action) {
    for (;;) {
        try {
            action();
            return;
        } catch (const EAbort&) {
            throw;
        } catch (const std::exception& error) {
            if (!event)
                throw;
            TDataAction answer = TDataAction::daFail;
            event(*this, error, answer);
            if (answer == TDataAction::daFail)
                throw;
            if (answer == TDataAction::daAbort)
                throw EAbort();
        }
    }
}

void TDataSet::BeginInsertAppend() {
    CheckBrowseMode();
    if (!CanModify())
        msg::Raise(msg::kDataSetReadOnly);
    Fire(BeforeInsert);
    Fire(BeforeScroll);
    saved_ = active_;
    savedHadRecord_ = hasRecord_;
    std::fill(active_.begin(), active_.end(), 0);
    InternalInitRecord(active_.data());
    SetBookmarkFlag(active_.data(), TBookmarkFlag::bfInserted);
    if (calcFieldsSize_ > 0)
        std::memset(active_.data() + CalcAreaOffset(), 0, calcFieldsSize_);
    SetState(TDataSetState::dsInsert);
    eof_ = false;
    bof_ = false;
    try {
        Fire(OnNewRecord);
    } catch (...) {
        active_.swap(saved_);
        hasRecord_ = savedHadRecord_;
        eof_ = bof_ = !hasRecord_;
        saved_.clear();
        SetState(TDataSetState::dsBrowse);
        throw;
    }
    Fire(AfterInsert);
    Fire(AfterScroll);
    DataEvent(TDataEvent::deDataSetChange);
}

void TDataSet::Append() {
    BeginInsertAppend();
}

void TDataSet::Insert() {
    BeginInsertAppend();
}

void TDataSet::Edit() {
    if (state_ == TDataSetState::dsEdit || state_ == TDataSetState::dsInsert)
        return;
    CheckActive();
    if (!hasRecord_) {
        Insert();
        return;
    }
    CheckBrowseMode();
    if (!CanModify())
        msg::Raise(msg::kDataSetReadOnly);
    Fire(BeforeEdit);
    SyncCursor();
    RunWithErrorEvent(OnEditError, [this] { InternalEdit(); });
    saved_ = active_;
    savedHadRecord_ = true;
    SetState(TDataSetState::dsEdit);
    DataEvent(TDataEvent::deRecordChange);
    Fire(AfterEdit);
}

void TDataSet::Post() {
    DataEvent(TDataEvent::deUpdateRecord);
    switch (state_) {
    case TDataSetState::dsSetKey:
        InternalPostKey();
        DataEvent(TDataEvent::deDataSetChange);
        return;
    case TDataSetState::dsEdit:
    case TDataSetState::dsInsert:
        break;
    default:
        CheckActive();
        return;
    }
    Fire(BeforePost);
    // On failure the state and the buffer stay as they are, so the caller
    // can correct a value and post again, or cancel.
    RunWithErrorEvent(OnPostError, [this] { InternalPost(); });
    saved_.clear();
    SetState(TDataSetState::dsBrowse);
    ResyncFromCursor();
    Fire(AfterPost);
    DataEvent(TDataEvent::deDataSetChange);
}

void TDataSet::Cancel() {
    switch (state_) {
    case TDataSetState::dsSetKey:
        InternalCancelKey();
        DataEvent(TDataEvent::deDataSetChange);
        return;
    case TDataSetState::dsEdit:
    case TDataSetState::dsInsert:
        break;
    default:
        return;
    }
    Fire(BeforeCancel);
    InternalCancel();
    const bool inserting = state_ == TDataSetState::dsInsert;
    if (!saved_.empty())
        active_.swap(saved_);
    saved_.clear();
    hasRecord_ = savedHadRecord_;
    if (inserting) {
        // A failed post may have moved the cursor; put it back on the
        // record that was current before the insert.
        cursorMoved_ = true;
        eof_ = bof_ = !hasRecord_;
    }
    SetState(TDataSetState::dsBrowse);
    Fire(AfterCancel);
    DataEvent(TDataEvent::deDataSetChange);
}

void TDataSet::Delete() {
    CheckActive();
    if (state_ == TDataSetState::dsInsert || state_ == TDataSetState::dsSetKey) {
        Cancel();
        return;
    }
    if (state_ == TDataSetState::dsEdit)
        Cancel();
    if (!hasRecord_)
        msg::Raise(msg::kDataSetEmpty);
    if (!CanModify())
        msg::Raise(msg::kDataSetReadOnly);
    DataEvent(TDataEvent::deCheckBrowseMode);
    Fire(BeforeDelete);
    Fire(BeforeScroll);
    SyncCursor();
    RunWithErrorEvent(OnDeleteError, [this] { InternalDelete(); });
    ResyncFromCursor();
    Fire(AfterDelete);
    Fire(AfterScroll);
    DataEvent(TDataEvent::deDataSetChange);
}

// ---- Fields ---------------------------------------------------------------------------------

TField* TDataSet::FindField(const std::string& name) const {
    for (const auto& field : fields_) {
        if (SameName(field->FieldName(), name))
            return field.get();
    }
    return nullptr;
}

TField& TDataSet::FieldByName(const std::string& name) const {
    TField* field = FindField(name);
    if (!field)
        msg::Raise(msg::kFieldNotFound, name);
    return *field;
}

std::vector<std::string> TDataSet::GetFieldNames() const {
    std::vector<std::string> names;
    for (const auto& field : fields_)
        names.push_back(field->FieldName());
    return names;
}

TField& TDataSet::AddField(std::unique_ptr<TField> field) {
    CheckInactive();
    if (FindField(field->FieldName()))
        msg::Raise(msg::kDuplicateFieldName, field->FieldName());
    if (field->FieldKind == TFieldKind::fkData || field->FieldKind == TFieldKind::fkInternalCalc)
        defaultFields_ = false;
    field->dataSet_ = this;
    fields_.push_back(std::move(field));
    return *fields_.back();
}

std::vector<TField*> TDataSet::GetFieldList(const std::string& names) const {
    std::vector<TField*> list;
    std::size_t start = 0;
    while (start <= names.size()) {
        std::size_t end = names.find(';', start);
        if (end == std::string::npos)
            end = names.size();
        const std::string name(TrimSpacesAndTabs(names.substr(start, end - start)));
        if (!name.empty())
            list.push_back(&FieldByName(name));
        start = end + 1;
    }
    return list;
}

std::uint8_t* TDataSet::CurrentFieldBuffer() const {
    auto* self = const_cast<TDataSet*>(this);
    switch (state_) {
    case TDataSetState::dsBrowse:
        return hasRecord_ ? self->active_.data() : nullptr;
    case TDataSetState::dsEdit:
    case TDataSetState::dsInsert:
    case TDataSetState::dsNewValue:
        return self->active_.empty() ? nullptr : self->active_.data();
    case TDataSetState::dsCalcFields:
        return calcBuffer_;
    case TDataSetState::dsFilter:
        return filterBuffer_;
    case TDataSetState::dsSetKey:
    case TDataSetState::dsOldValue:
        return StateBuffer(state_);
    default:
        return nullptr;
    }
}

bool TDataSet::GetFieldData(const TField& field, void* buffer) const {
    const std::uint8_t* record = CurrentFieldBuffer();
    if (!record)
        return false;
    if (!field.Calculated())
        return ReadFieldData(record, field, buffer);
    switch (state_) {
    case TDataSetState::dsBrowse:
    case TDataSetState::dsEdit:
    case TDataSetState::dsInsert:
    case TDataSetState::dsCalcFields:
        break;
    default:
        return false;
    }
    const std::uint8_t* slot = record + CalcAreaOffset() + field.offset_;
    const bool present = slot[0] != 0;
    if (present && buffer)
        std::memcpy(buffer, slot + 1, static_cast<std::size_t>(field.DataSize()));
    return present;
}

void TDataSet::SetFieldData(TField& field, const void* data) {
    if (state_ == TDataSetState::dsOldValue)
        msg::Raise(msg::kFieldReadOnly, field.FieldName());
    switch (state_) {
    case TDataSetState::dsEdit:
    case TDataSetState::dsInsert:
    case TDataSetState::dsSetKey:
    case TDataSetState::dsCalcFields:
    case TDataSetState::dsFilter:
    case TDataSetState::dsNewValue:
    case TDataSetState::dsInternalCalc:
        break;
    default:
        msg::Raise(msg::kNotEditing);
    }
    if (state_ == TDataSetState::dsSetKey && (field.Calculated() || !IsKeyField(field)))
        msg::Raise(msg::kFieldNotIndexed, field.FieldName());
    std::uint8_t* record = CurrentFieldBuffer();
    if (!record)
        msg::Raise(msg::kNotEditing);
    if (field.Calculated()) {
        std::uint8_t* slot = record + CalcAreaOffset() + field.offset_;
        const auto size = static_cast<std::size_t>(field.DataSize());
        slot[0] = data ? 1 : 0;
        if (data)
            std::memcpy(slot + 1, data, size);
        else
            std::memset(slot + 1, 0, size);
    } else {
        if (state_ == TDataSetState::dsCalcFields)
            msg::Raise(msg::kNotEditing);
        if (field.ReadOnly && state_ != TDataSetState::dsSetKey &&
            state_ != TDataSetState::dsFilter)
            msg::Raise(msg::kFieldReadOnly, field.FieldName());
        if (field.FieldKind != TFieldKind::fkInternalCalc) {
            if (field.OnValidate) {
                // The handler sees the new value; when it refuses, the
                // record is restored.
                const std::vector<std::uint8_t> before(record, record + active_.size());
                WriteFieldData(record, field, data);
                try {
                    field.OnValidate(field);
                } catch (...) {
                    std::memcpy(record, before.data(), before.size());
                    throw;
                }
            } else {
                WriteFieldData(record, field, data);
            }
        }
    }
    if (state_ != TDataSetState::dsCalcFields && state_ != TDataSetState::dsFilter &&
        state_ != TDataSetState::dsNewValue)
        DataEvent(TDataEvent::deFieldChange, &field);
}

// ---- Bookmarks and counts ------------------------------------------------------------------

TBookmark TDataSet::GetBookmark() const {
    CheckActive();
    if (!hasRecord_ || state_ == TDataSetState::dsInsert)
        return {};
    if (GetBookmarkFlag(active_.data()) != TBookmarkFlag::bfCurrent)
        return {};
    return GetBookmarkData(active_.data());
}

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
    if (bookmark.empty())
        return;
    CheckBrowseMode();
    Fire(BeforeScroll);
    InternalGotoBookmark(bookmark);
    ResyncFromCursor();
    Fire(AfterScroll);
    DataEvent(TDataEvent::deDataSetChange);
}

int TDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) const {
    if (a.empty() && b.empty())
        return 0;
    if (a.empty())
        return 1;
    if (b.empty())
        return -1;
    return CompareBookmarkData(a, b);
}

bool TDataSet::BookmarkValid(const TBookmark& bookmark) {
    if (!IsCursorOpen() || bookmark.empty())
        return false;
    bool valid = false;
    try {
        InternalGotoBookmark(bookmark);
        valid = GetRecord(fetch_.data(), TGetMode::gmCurrent, false) == TGetResult::grOK;
    } catch (const EDatabaseError&) {
        valid = false;
    }
    CursorPosChanged();
    return valid;
}

int TDataSet::RecordCount() {
    CheckActive();
    return GetRecordCount();
}

int TDataSet::RecNo() {
    CheckActive();
    return GetRecNo();
}

void TDataSet::SetRecNo(int recNo) {
    CheckBrowseMode();
    if (recNo == GetRecNo())
        return;
    Fire(BeforeScroll);
    InternalSetRecNo(recNo);
    ResyncFromCursor();
    Fire(AfterScroll);
    DataEvent(TDataEvent::deDataSetChange);
}

// ---- Searching --------------------------------------------------------------------------------

bool TDataSet::IndexedSearch(const std::vector<TField*>&, const std::vector<TVariant>&,
                             TLocateOptions, std::uint8_t*, bool, bool& handled) {
    handled = false;
    return false;
}

bool TDataSet::MatchesSearch(std::uint8_t* buffer) {
    if (!searchFields_)
        return true;
    TStateScope scope(state_, filterBuffer_, TDataSetState::dsFilter, buffer);
    const auto& fields = *searchFields_;
    const auto& values = *searchValues_;
    const bool caseInsensitive = (searchOptions_ & loCaseInsensitive) != 0;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        TField& field = *fields[i];
        TVariant key = values[i];
        if (std::holds_alternative<std::string>(key) && !field.IsTextual()) {
            try {
                key = field.ParseText(std::get<std::string>(key));
            } catch (const EDatabaseError&) {
                return false;
            }
        }
        const bool partial = (searchOptions_ & loPartialKey) != 0 && i + 1 == fields.size() &&
                             field.DataType() == TFieldType::ftString;
        if (!VariantMatches(field.AsVariant(), key, caseInsensitive, partial))
            return false;
    }
    return true;
}

bool TDataSet::Search(const std::vector<TField*>& fields, const std::vector<TVariant>& values,
                      TLocateOptions options, bool forLocate) {
    if (fields.size() != values.size() || fields.empty())
        msg::Raise(msg::kFieldTypeMismatch,
                   fields.empty() ? std::string() : fields[0]->FieldName());
    std::fill(fetch_.begin(), fetch_.end(), 0);
    bool handled = false;
    bool found = IndexedSearch(fields, values, options, fetch_.data(), forLocate, handled);
    if (!handled) {
        // No index answers: scan from the first record, testing each.
        searchFields_ = &fields;
        searchValues_ = &values;
        searchOptions_ = options;
        try {
            InternalFirst();
            while (GetRecord(fetch_.data(), TGetMode::gmNext, true) == TGetResult::grOK) {
                if (MatchesSearch(fetch_.data())) {
                    found = true;
                    break;
                }
            }
        } catch (...) {
            searchFields_ = nullptr;
            searchValues_ = nullptr;
            throw;
        }
        searchFields_ = nullptr;
        searchValues_ = nullptr;
    }
    if (found)
        CalculateFields(fetch_.data());
    return found;
}

bool TDataSet::Locate(const std::string& keyFields, const std::vector<TVariant>& keyValues,
                      TLocateOptions options) {
    CheckBrowseMode();
    const std::vector<TField*> fields = GetFieldList(keyFields);
    CursorPosChanged();
    Fire(BeforeScroll);
    const bool found = Search(fields, keyValues, options, true);
    if (found) {
        active_.swap(fetch_);
        hasRecord_ = true;
        eof_ = bof_ = false;
        cursorMoved_ = false;
        Fire(AfterScroll);
        DataEvent(TDataEvent::deDataSetChange);
    }
    return found;
}

std::vector<TVariant> TDataSet::Lookup(const std::string& keyFields,
                                       const std::vector<TVariant>& keyValues,
                                       const std::string& resultFields) {
    CheckBrowseMode();
    const std::vector<TField*> fields = GetFieldList(keyFields);
    const std::vector<TField*> results = GetFieldList(resultFields);
    CursorPosChanged();
    std::vector<TVariant> values;
    if (!Search(fields, keyValues, 0, false))
        return values;
    calc_ = fetch_;
    TStateScope scope(state_, calcBuffer_, TDataSetState::dsCalcFields, calc_.data());
    for (TField* field : results)
        values.push_back(field->AsVariant());
    return values;
}

bool TDataSet::FindRecord(bool restart, bool forward) {
    CheckBrowseMode();
    Fire(BeforeScroll);
    found_ = false;
    const bool activate = !filtered_;
    if (activate) {
        findActive_ = true;
        FilterChanged();
    }
    try {
        if (restart || !hasRecord_) {
            if (forward)
                InternalFirst();
            else
                InternalLast();
        } else {
            SyncCursor();
        }
        found_ = FetchInto(fetch_, forward ? TGetMode::gmNext : TGetMode::gmPrior);
    } catch (...) {
        if (activate) {
            findActive_ = false;
            FilterChanged();
        }
        CursorPosChanged();
        throw;
    }
    if (activate) {
        findActive_ = false;
        FilterChanged();
    }
    if (found_) {
        active_.swap(fetch_);
        hasRecord_ = true;
        eof_ = bof_ = false;
        cursorMoved_ = false;
        Fire(AfterScroll);
        DataEvent(TDataEvent::deDataSetChange);
    } else {
        CursorPosChanged();
    }
    return found_;
}

// ---- Filtering ---------------------------------------------------------------------------------

void TDataSet::SetFiltered(bool filtered) {
    if (filtered == filtered_)
        return;
    if (Active())
        CheckBrowseMode();
    filtered_ = filtered;
    FilterChanged();
    if (Active())
        First();
}

void TDataSet::SetFilter(const std::string& text) {
    if (Active())
        CheckBrowseMode();
    // A text the subclass refuses leaves the previous one in force, so the
    // property must keep reading the text that still filters.
    std::string previous = std::exchange(filter_, text);
    try {
        FilterChanged();
    } catch (...) {
        filter_ = std::move(previous);
        throw;
    }
    if (Active() && filtered_)
        First();
}

void TDataSet::SetFilterOptions(TFilterOptions options) {
    if (Active())
        CheckBrowseMode();
    const TFilterOptions previous = std::exchange(filterOptions_, options);
    try {
        FilterChanged();
    } catch (...) {
        filterOptions_ = previous;
        throw;
    }
    if (Active() && filtered_)
        First();
}

void TDataSet::SetOnFilterRecord(std::function<void(TDataSet&, bool&)> handler) {
    if (Active())
        CheckBrowseMode();
    onFilterRecord_ = std::move(handler);
    FilterChanged();
    if (Active() && filtered_)
        First();
}

bool TDataSet::RecordAccepted(std::uint8_t* buffer) {
    if (!FiltersActive() || !onFilterRecord_)
        return true;
    TStateScope scope(state_, filterBuffer_, TDataSetState::dsFilter, buffer);
    bool accept = true;
    try {
        onFilterRecord_(*this, accept);
    } catch (const EAbort&) {
        // Silent: the answer stands as the handler left it.
    } catch (const std::exception& error) {
        HandleApplicationException(error);
    }
    return accept;
}

// ---- BLOBs, controls, notifications
// --------------------------------------------------------------

std::unique_ptr<TStream> TDataSet::CreateBlobStream(TField&, TBlobStreamMode) {
    return nullptr;
}

void TDataSet::DisableControls() {
    ++disableCount_;
}

void TDataSet::EnableControls() {
    if (disableCount_ == 0)
        return;
    if (--disableCount_ == 0 && pendingChange_) {
        pendingChange_ = false;
        DataEvent(TDataEvent::deDataSetChange);
    }
}

void TDataSet::DataEvent(TDataEvent event, TField* field) {
    if (event == TDataEvent::deFieldChange) {
        modified_ = true;
        if (field && field->OnChange)
            field->OnChange(*field);
    }
    if (disableCount_ > 0 && event != TDataEvent::deUpdateState &&
        event != TDataEvent::deCheckBrowseMode && event != TDataEvent::deUpdateRecord) {
        pendingChange_ = true;
        return;
    }
    const std::vector<TDataSource*> sources = dataSources_;
    for (TDataSource* source : sources)
        source->DataEvent(event, field);
}

} // namespace tabula
