// Index file header, index definitions, key maintenance and commits.
#include "IndexFile.h"

#include "EngineCodes.h"
#include "EngineError.h"
#include "IndexCursor.h"
#include "IndexStorage.h"
#include "KeySorter.h"
#include "LocaleCollator.h"
#include "Scrambler.h"
#include "TextBlanks.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <stdexcept>

namespace tabula {

using namespace indexfmt;
using datafmt::GetI32;
using datafmt::PutI32;

namespace {

constexpr std::uint8_t kTypeBlob = datafmt::kFtBlob;

std::string Upper(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool StartsWithLetter(const std::string& s) {
    if (s.empty())
        return false;
    const auto c = static_cast<unsigned char>(s[0]);
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= 129 && c <= 254);
}

} // namespace

TIndexFile::TIndexFile() {
    for (int i = 0; i < kDescriptorCount; ++i)
        caches_[i] = std::make_unique<TPageCache>(io_, std::string());
    cursor_ = std::make_unique<TIndexCursor>(*this);
}

TIndexFile::~TIndexFile() = default;

void TIndexFile::Raise(int code, const std::string& index, const std::string& field) const {
    RaiseEngineError(code, io_.fileName, field, {}, index);
}

void TIndexFile::SetTableLocale(std::uint32_t localeId) {
    localeId_ = localeId;
    locale_.reset();
    if (localeId != 0)
        locale_ = std::make_unique<TLocaleCollator>(localeId);
    if (open_)
        RebuildTrees();
}

void TIndexFile::SetScrambler(std::function<void(std::uint8_t*, std::size_t)> scramble) {
    io_.scramble = std::move(scramble);
}

void TIndexFile::SetProtected(bool isProtected) {
    if (!isProtected) {
        io_.scramble = nullptr;
        return;
    }
    io_.scramble = [](std::uint8_t* bytes, std::size_t length) {
        TScrambler::Apply(bytes, length, TScrambler::kTableDataKey);
    };
}

void TIndexFile::SetRecordCount(std::int32_t count) {
    recordCount_ = count;
    headerModified_ = true;
}

std::string TIndexFile::ContextName(int index) const {
    if (index == kPrimaryIndex)
        return kPrimaryContextName;
    if (index == kPhysicalOrderIndex)
        return {};
    return descriptors_[Slot(index)].name;
}

bool TIndexFile::IsDefined(int index) const {
    return index == kPrimaryIndex || index == kSysDeletedIndex || index == kPhysicalOrderIndex ||
           (index >= 1 && index <= secondaryCount_);
}

// ---- Life cycle ------------------------------------------------------------------

void TIndexFile::Create(TIndexStorage& storage, const std::string& fileName) {
    Close();
    io_.storage = &storage;
    io_.fileName = fileName;
    io_.exclusive = true;
    io_.endOfFile = static_cast<std::int32_t>(kPageSize);
    readOnly_ = false;
    storage.Truncate(0);
    changeCounter_ = 0;
    secondaryCount_ = 0;
    physicalOrder_ = true;
    recordCount_ = 0;
    descriptors_ = {};
    descriptors_[kSysDeletedIndex] = TIndexDescriptor::SysDeleted();
    headerModified_ = true;
    open_ = true;
    current_ = kPrimaryIndex;
    RebuildTrees();
    cursor_->Reset();
}

void TIndexFile::Open(TIndexStorage& storage, const std::string& fileName, bool exclusive,
                      bool readOnly) {
    if (open_)
        return;
    io_.storage = &storage;
    io_.fileName = fileName;
    io_.exclusive = exclusive;
    readOnly_ = readOnly;
    ReadHeader();
    open_ = true;
    current_ = kPrimaryIndex;
    RebuildTrees();
    // The cursor starts before the first record; the first step forward
    // lands on it. Opening reads no tree page, so a damaged tree can still be
    // opened and checked.
    cursor_->Reset();
}

void TIndexFile::Close() {
    if (!open_)
        return;
    cursor_->Drop();
    DropDeferred();
    ResetCaches();
    open_ = false;
    io_.storage = nullptr;
}

void TIndexFile::ReadHeader() {
    std::uint8_t image[kPageSize];
    const std::size_t got = io_.storage->ReadAt(0, image, kPageSize);
    if (got < kPageSize)
        Raise(kErrHeaderCorrupt);
    if (io_.scramble)
        io_.scramble(image, kPageSize);
    if (image[kHdrVersion] != kIndexVersion)
        Raise(kErrWrongVersion);
    const std::int32_t endOfFile = GetI32(image + kHdrEndOfFile);
    const int secondaries = image[kHdrSecondaryCount];
    if (endOfFile < static_cast<std::int32_t>(kPageSize) ||
        endOfFile % static_cast<std::int32_t>(kPageSize) != 0 || endOfFile > kMaxTableFileSize ||
        secondaries > kMaxSecondaryIndexes)
        Raise(kErrHeaderCorrupt);
    std::array<TIndexDescriptor, kDescriptorCount> descriptors;
    for (int i = 0; i < kDescriptorCount; ++i) {
        descriptors[i] = TIndexDescriptor::Decode(image + kHdrDescriptors + i * kDescriptorSize);
        if (!descriptors[i].IsSane(endOfFile))
            Raise(kErrHeaderCorrupt);
    }
    changeCounter_ = GetI32(image + kHdrChangeCounter);
    io_.endOfFile = endOfFile;
    secondaryCount_ = secondaries;
    descriptors_ = descriptors;
    recordCount_ = GetI32(image + kHdrRecordCount);
    physicalOrder_ = image[kHdrPhysicalOrder] != 0;
    headerModified_ = false;
}

void TIndexFile::EncodeHeader(std::uint8_t* image) const {
    std::memset(image, 0, kPageSize);
    PutI32(image + kHdrChangeCounter, changeCounter_);
    image[kHdrVersion] = kIndexVersion;
    PutI32(image + kHdrEndOfFile, io_.endOfFile);
    image[kHdrSecondaryCount] = static_cast<std::uint8_t>(secondaryCount_);
    for (int i = 0; i < kDescriptorCount; ++i)
        descriptors_[i].Encode(image + kHdrDescriptors + i * kDescriptorSize);
    PutI32(image + kHdrRecordCount, recordCount_);
    image[kHdrPhysicalOrder] = physicalOrder_ ? 1 : 0;
    image[kHdrModifiedMarker] = headerModified_ ? 1 : 0;
}

void TIndexFile::RebuildTrees() {
    DropDeferred();
    for (int i = 0; i < kDescriptorCount; ++i) {
        const TIndexDescriptor& d = descriptors_[i];
        const bool secondary = i >= 1 && i <= kMaxSecondaryIndexes;
        TPageShape shape{d.keyLength, d.compression, secondary && !d.unique};
        if (caches_[i]->Shape().keyLength != shape.keyLength ||
            caches_[i]->Shape().compression != shape.compression ||
            caches_[i]->Shape().uniquenessSuffix != shape.uniquenessSuffix)
            caches_[i]->Reset();
        caches_[i]->SetShape(shape);
        caches_[i]->SetIndexName(ContextName(i));
        builders_[i] = TKeyBuilder();
        std::vector<TKeyField> fields;
        bool resolved = i != kSysDeletedIndex && resolver_ && d.fieldCount > 0;
        for (int f = 0; resolved && f < d.fieldCount && f < kMaxKeyFields; ++f) {
            std::optional<TKeyField> field = resolver_(d.fieldNumbers[f]);
            if (!field) {
                resolved = false;
                break;
            }
            field->descending = d.fieldDescending[f] != 0;
            fields.push_back(*field);
        }
        const TLocaleCollator* locale = i == kSysDeletedIndex ? nullptr : locale_.get();
        TKeyComparer comparer(d.keyLength, d.descending);
        if (resolved) {
            builders_[i] = TKeyBuilder(fields, d.caseInsensitive, shape.uniquenessSuffix, locale);
            if (locale)
                comparer =
                    TKeyComparer(d.keyLength, d.descending, builders_[i].StringSegments(), locale);
        }
        trees_[i] =
            std::make_unique<TBTree>(*caches_[i], io_, descriptors_[i], headerModified_, comparer);
    }
}

// ---- Definitions -------------------------------------------------------------------

void TIndexFile::RequireExclusive() const {
    if (!io_.exclusive)
        Raise(kErrMustBeExclusive);
}

int TIndexFile::CheckedKeyLength(const TIndexDescriptor& descriptor, bool primary) const {
    const std::string context = primary ? kPrimaryContextName : descriptor.name;
    if (descriptor.fieldCount > kMaxKeyFields)
        Raise(kErrIndexLimits, context);
    int length = 0;
    for (int f = 0; f < descriptor.fieldCount; ++f) {
        std::optional<TKeyField> field =
            resolver_ ? resolver_(descriptor.fieldNumbers[f]) : std::nullopt;
        if (!field) {
            if (primary)
                break; // the primary's field list ends at the first unknown number
            Raise(kErrInvalidIndexField, context, std::to_string(descriptor.fieldNumbers[f]));
        }
        if (field->typeCode == kTypeBlob)
            Raise(kErrInvalidIndexFieldType, context);
        length += field->storedSize + 1;
    }
    if (!primary && !descriptor.unique)
        length += kUniquenessSuffixSize;
    if (length < 1 || length > kMaxKeyLength)
        Raise(kErrInvalidKeySize, context);
    return length;
}

void TIndexFile::DefinePrimaryIndex(const TIndexDescriptor& descriptor) {
    RequireExclusive();
    BuildDeferred(); // the trees are made anew below
    if (descriptors_[kPrimaryIndex].keyLength != 0)
        Raise(kErrPrimaryIndexExists, kPrimaryContextName);
    if (descriptor.fieldCount > kMaxKeyFields)
        Raise(kErrIndexLimits, kPrimaryContextName);
    TIndexDescriptor d;
    if (descriptor.fieldCount == 0) {
        physicalOrder_ = true;
    } else {
        for (int f = 0; f < descriptor.fieldCount; ++f) {
            std::optional<TKeyField> field =
                resolver_ ? resolver_(descriptor.fieldNumbers[f]) : std::nullopt;
            if (field && field->typeCode == kTypeBlob)
                Raise(kErrInvalidIndexFieldType, kPrimaryContextName);
        }
        d = descriptor;
        d.name.clear();
        d.unique = true;
        d.root = d.freeHead = 0;
        if (resolver_) {
            d.keyLength = static_cast<std::uint16_t>(CheckedKeyLength(descriptor, true));
            int known = 0;
            while (known < d.fieldCount && resolver_(d.fieldNumbers[known]))
                ++known;
            d.fieldCount = static_cast<std::uint8_t>(known);
            for (int f = known; f < kMaxKeyFields; ++f) {
                d.fieldNumbers[f] = 0;
                d.fieldDescending[f] = 0;
            }
        } else if (d.keyLength < 1 || d.keyLength > kMaxKeyLength) {
            Raise(kErrInvalidKeySize, kPrimaryContextName);
        }
        physicalOrder_ = false;
    }
    descriptors_[kPrimaryIndex] = d;
    headerModified_ = true;
    RebuildTrees();
    cursor_->IndexSelected();
}

void TIndexFile::AddSecondaryIndex(const TIndexDescriptor& descriptor) {
    RequireExclusive();
    BuildDeferred(); // the trees are made anew below
    if (secondaryCount_ >= kMaxSecondaryIndexes || descriptor.fieldCount > kMaxKeyFields)
        Raise(kErrIndexLimits, descriptor.name);
    std::string name(Trimmed(descriptor.name));
    if (name.empty())
        Raise(kErrIndexNameMissing);
    if (!StartsWithLetter(name))
        Raise(kErrInvalidIndexName, name);
    if (name.size() > static_cast<std::size_t>(kMaxIndexNameLength))
        name.resize(kMaxIndexNameLength);
    for (int i = 1; i <= secondaryCount_; ++i)
        if (UpperTrimmed(descriptors_[i].name) == Upper(name))
            Raise(kErrIndexExists, name);
    TIndexDescriptor d = descriptor;
    d.name = name;
    d.root = d.freeHead = 0;
    for (int f = 0; f < d.fieldCount; ++f) {
        std::optional<TKeyField> field = resolver_ ? resolver_(d.fieldNumbers[f]) : std::nullopt;
        if (field && field->typeCode == kTypeBlob)
            Raise(kErrInvalidIndexFieldType, name);
    }
    if (resolver_)
        d.keyLength = static_cast<std::uint16_t>(CheckedKeyLength(d, false));
    else if (d.keyLength < 1 || d.keyLength > kMaxKeyLength)
        Raise(kErrInvalidKeySize, name);
    descriptors_[++secondaryCount_] = d;
    headerModified_ = true;
    RebuildTrees();
}

// ---- Selection ---------------------------------------------------------------------

void TIndexFile::SelectIndex(int number) {
    if (!IsDefined(number))
        Raise(kErrInvalidIndexName, std::to_string(number));
    if (number == current_)
        return;
    current_ = number;
    cursor_->IndexSelected();
}

void TIndexFile::SelectIndex(const std::string& name) {
    const std::string wanted = UpperTrimmed(name);
    int found = wanted.empty() ? kPrimaryIndex : -1;
    for (int i = 1; found < 0 && i <= secondaryCount_; ++i)
        if (UpperTrimmed(descriptors_[i].name) == wanted)
            found = i;
    if (found < 0 && wanted == Upper(kSysDeletedName))
        found = kSysDeletedIndex;
    if (found < 0) {
        SelectIndex(kPrimaryIndex);
        Raise(kErrInvalidIndexName, std::string(Trimmed(name)));
    }
    SelectIndex(found);
}

// ---- Keys --------------------------------------------------------------------------

void TIndexFile::DeferInserts(int index) {
    RequireExclusive();
    const int slot = Slot(index);
    if (deferred_[slot])
        return;
    if (!trees_[slot]->Empty())
        Raise(kErrIndexExists, ContextName(index));
    deferred_[slot] = std::make_unique<TKeySorter>(KeyLength(index));
}

bool TIndexFile::Deferred(int index) const {
    return deferred_[Slot(index)] != nullptr;
}

void TIndexFile::BuildDeferred(int index) {
    // Taken out first: whatever the load does with the tree, and whether it
    // succeeds, the index is an ordinary one afterwards.
    const std::unique_ptr<TKeySorter> sorter = std::move(deferred_[Slot(index)]);
    TBTree& tree = *trees_[Slot(index)];
    bool distinct = false;
    const std::vector<TBTree::TBulkEntry> entries = sorter->Sorted(tree.Comparer(), &distinct);
    tree.BulkLoad(entries, distinct);
    WriteModifiedPages();
}

std::size_t TIndexFile::GatheredCount(int index) const {
    const TKeySorter* sorter = deferred_[Slot(index)].get();
    return sorter ? sorter->Size() : 0;
}

void TIndexFile::LoadInOrder(int index, std::span<const TBTree::TBulkEntry> entries,
                             bool distinctAscending) {
    const int slot = Slot(index);
    if (!deferred_[slot] || deferred_[slot]->Size() != 0)
        Raise(kErrIndexExists, ContextName(index));
    deferred_[slot].reset();
    trees_[slot]->BulkLoad(entries, distinctAscending);
    WriteModifiedPages();
}

void TIndexFile::BuildDeferred() {
    for (int slot = 0; slot < kDescriptorCount; ++slot)
        if (deferred_[slot])
            BuildDeferred(slot);
}

void TIndexFile::DropDeferred() {
    for (auto& sorter : deferred_)
        sorter.reset();
}

const TKeyBuilder& TIndexFile::KeyBuilder(int index) const {
    return builders_[Slot(index)];
}

void TIndexFile::BuildKey(int index, std::span<const std::uint8_t> record,
                          std::uint8_t* key) const {
    if (index == kSysDeletedIndex) {
        TKeyBuilder::BuildSysDeletedKey(record, key);
        return;
    }
    const TKeyBuilder& builder = builders_[Slot(index)];
    // Without resolved fields (no resolver, or a field the table lacks) the
    // builder cannot fill the whole key.
    if (builder.KeyLength() != descriptors_[Slot(index)].keyLength || builder.KeyLength() == 0)
        throw std::logic_error("the key fields of index " + std::to_string(index) +
                               " are not known");
    builder.Build(record, key);
}

bool TIndexFile::FindExact(int index, const std::uint8_t* key) {
    return Tree(index).FindExact(key);
}

void TIndexFile::CheckUnique(int index, const std::uint8_t* key) {
    const bool unique = index == kPrimaryIndex || Descriptor(index).unique;
    if (unique && Tree(index).FindExact(key))
        Raise(kErrDuplicateKey, ContextName(index));
}

TBTree::TLocation TIndexFile::InsertKey(int index, const std::uint8_t* key, std::int32_t recno) {
    if (TKeySorter* sorter = deferred_[Slot(index)].get()) {
        sorter->Add(key, recno);
        return {}; // no place in the tree yet
    }
    return Tree(index).Insert(key, recno);
}

void TIndexFile::DeleteKey(int index, const std::uint8_t* key) {
    Tree(index).Delete(key);
}

void TIndexFile::ReplaceKey(int index, const std::uint8_t* oldKey, const std::uint8_t* newKey,
                            std::int32_t recno) {
    TBTree& tree = Tree(index);
    tree.Delete(oldKey);
    tree.Insert(newKey, recno);
}

// ---- Whole file ---------------------------------------------------------------------

void TIndexFile::Empty() {
    DropDeferred();
    ResetCaches();
    io_.storage->Truncate(static_cast<std::int64_t>(kPageSize));
    io_.endOfFile = static_cast<std::int32_t>(kPageSize);
    recordCount_ = 0;
    for (TIndexDescriptor& d : descriptors_)
        d.root = d.freeHead = 0;
    headerModified_ = true;
    cursor_->Reset();
}

void TIndexFile::CommitPages() {
    BuildDeferred();
    WriteModifiedPages();
}

void TIndexFile::WriteModifiedPages() {
    std::vector<TIndexPage*> pages;
    for (const auto& cache : caches_)
        cache->CollectModified(pages);
    if (pages.empty())
        return;
    std::sort(pages.begin(), pages.end(),
              [](const TIndexPage* a, const TIndexPage* b) { return a->offset < b->offset; });
    std::vector<std::uint8_t> run;
    std::size_t i = 0;
    while (i < pages.size()) {
        std::size_t j = i;
        while (j + 1 < pages.size() &&
               pages[j + 1]->offset == pages[j]->offset + static_cast<std::int32_t>(kPageSize))
            ++j;
        run.assign((j - i + 1) * kPageSize, 0);
        for (std::size_t k = i; k <= j; ++k)
            if (!pages[k]->Encode(run.data() + (k - i) * kPageSize))
                io_.Corrupt(caches_[0]->IndexName());
        io_.WritePages(pages[i]->offset, run.data(), j - i + 1);
        for (std::size_t k = i; k <= j; ++k)
            pages[k]->modified = false;
        i = j + 1;
    }
}

void TIndexFile::CommitHeader(bool force) {
    if (!headerModified_ && !force)
        return;
    ++changeCounter_;
    std::uint8_t image[kPageSize];
    EncodeHeader(image);
    if (io_.scramble)
        io_.scramble(image, kPageSize);
    io_.storage->WriteAt(0, image, kPageSize);
    headerModified_ = false;
}

void TIndexFile::TrimCaches() {
    for (const auto& cache : caches_)
        cache->Trim();
}

void TIndexFile::ResetCaches() {
    for (const auto& cache : caches_)
        cache->Reset();
}

void TIndexFile::Reload() {
    ResetCaches();
    ReadHeader();
    RebuildTrees();
}

bool TIndexFile::DetectChange() {
    std::uint8_t counter[4];
    if (io_.storage->ReadAt(0, counter, 4) < 4)
        return false;
    if (io_.scramble)
        io_.scramble(counter, 4);
    if (GetI32(counter) == changeCounter_)
        return false;
    ResetCaches();
    ReadHeader();
    RebuildTrees();
    return true;
}

} // namespace tabula
