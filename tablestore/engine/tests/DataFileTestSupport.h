// Helpers of the data-file format tests: descriptor construction, whole data
// file images built through the creation path, and catching engine codes.
#pragma once

#include "DataFileFormat.h"
#include "EngineError.h"
#include "FieldDescriptor.h"
#include "Scrambler.h"
#include "StoreTestSupport.h"
#include "TableDefinition.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tabula::testing {

using storetest::CodeOf;

// The tests' short spelling of TFieldDescriptor::Make.
inline TFieldDescriptor Field(int number, const std::string& name, std::uint8_t type, int size = 0,
                              int decimals = 0) {
    return TFieldDescriptor::Make(number, name, type, size, decimals);
}

inline TFieldDescriptor AutoIncField(int number, const std::string& name) {
    return TFieldDescriptor::Make(number, name, datafmt::kFtInt32, 0, 0, datafmt::kAutoIncSubtype);
}

// A validated table: its header, normalised descriptors and the file image
// with `records` zero-filled live records.
struct TBuiltTable {
    TDataHeader header;
    std::vector<TFieldDescriptor> fields;
    std::vector<std::uint8_t> file;
};

inline TBuiltTable BuildTable(TTableDefinition definition, int records = 0) {
    TBuiltTable t;
    t.header = definition.Validate("T.DAT");
    t.fields = definition.fields;
    t.header.nextRecordNumber = records + 1;
    const auto header = t.header.Encode();
    t.file.assign(header.begin(), header.end());
    std::vector<std::uint8_t> block = EncodeDescriptorBlock(t.fields);
    if (t.header.IsProtected())
        TScrambler::Apply(block, TScrambler::kTableDataKey);
    t.file.insert(t.file.end(), block.begin(), block.end());
    for (int n = 1; n <= records; ++n) {
        std::vector<std::uint8_t> record(t.header.recordSize, 0);
        datafmt::PutI32(record.data() + datafmt::kRecLink, n);
        t.file.insert(t.file.end(), record.begin(), record.end());
    }
    return t;
}

} // namespace tabula::testing
