// TRowOrder: keys like the answer table's OrderBy index's, and their order.
#include "RowOrder.h"

#include "DataFileFormat.h"
#include "RecordImage.h"
#include "SqlConvert.h"

#include <algorithm>

namespace tabula {

namespace {

// A field of its own in the scratch image: type, size, decimals and
// subtype as given, except that a value is never the image's
// auto-increment (that slot carries the production number).
std::vector<TFieldDescriptor> ScratchFields(const std::vector<TFieldDescriptor>& fields) {
    std::vector<TFieldDescriptor> scratch;
    for (const TFieldDescriptor& f : fields) {
        const std::uint8_t subtype = f.IsAutoIncrement() ? 0 : f.subtype;
        scratch.push_back(TFieldDescriptor::Make(static_cast<int>(scratch.size()) + 1, f.name,
                                                 f.type, f.declaredSize, f.declaredDecimals,
                                                 subtype));
    }
    return scratch;
}

std::vector<TKeyField> KeyFields(const std::vector<TFieldDescriptor>& fields,
                                 const std::vector<bool>& descending) {
    std::vector<TKeyField> keys;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        TKeyField key = TKeyField::From(fields[i]);
        key.descending = descending.at(i);
        keys.push_back(key);
    }
    return keys;
}

} // namespace

TRowOrder::TRowOrder(const std::vector<TFieldDescriptor>& fields,
                     const std::vector<bool>& descending, bool caseInsensitive,
                     std::uint32_t localeId)
    : fields_(ScratchFields(fields)),
      locale_(localeId != 0 ? std::make_unique<TLocaleCollator>(localeId) : nullptr), sorter_(0) {
    image_.assign(static_cast<std::size_t>(AssignFieldOffsets(fields_)), 0);
    builder_ = TKeyBuilder(KeyFields(fields_, descending), caseInsensitive, true, locale_.get());
    comparer_ = locale_ ? TKeyComparer(builder_.KeyLength(), false, builder_.StringSegments(),
                                       locale_.get())
                        : TKeyComparer(builder_.KeyLength(), false);
    sorter_ = TKeySorter(builder_.KeyLength());
    key_.assign(static_cast<std::size_t>(builder_.KeyLength()), 0);
}

void TRowOrder::Add(const std::vector<TSqlValue>& values) {
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        const TFieldDescriptor& field = fields_[i];
        const TSqlValue& value = values.at(i);
        if (value.IsNull()) {
            WriteNullField(field, image_);
            continue;
        }
        // No index keys a BLOB: a present one sorts after NULL, and BLOBs
        // among themselves keep their production order.
        if (field.type == datafmt::kFtBlob) {
            WriteNullField(field, image_);
            SetFieldPresent(field, image_, true);
            continue;
        }
        // A text goes in as the answer table takes it: cut to the field
        // first, then normalised by the write (trailing blanks dropped,
        // an empty text null).
        if (value.Type() == datafmt::kFtString && field.type == datafmt::kFtString) {
            const std::span<const std::uint8_t> text = value.Bytes();
            const std::size_t capacity = field.storedSize == 0 ? 0 : field.storedSize - 1u;
            WriteField(field, image_,
                       text.first(std::min(text.empty() ? 0 : text.size() - 1, capacity)));
            continue;
        }
        const auto bytes = SqlConvertToColumn(value, field);
        if (bytes)
            WriteField(field, image_, *bytes);
        else
            WriteNullField(field, image_);
    }
    // The suffix of a non-unique key: the production number, as the
    // auto-increment value of a row appended in that order.
    datafmt::PutI32(image_.data() + datafmt::kRecAutoInc, rows_);
    builder_.Build(image_, key_.data());
    sorter_.Add(key_.data(), rows_);
    ++rows_;
}

std::vector<std::size_t> TRowOrder::Order() const {
    std::vector<std::size_t> order;
    order.reserve(sorter_.Size());
    for (const TBTree::TBulkEntry& entry : sorter_.Sorted(comparer_))
        order.push_back(static_cast<std::size_t>(entry.recno));
    return order;
}

} // namespace tabula
