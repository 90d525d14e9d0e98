// Helpers of the record manager tests: a scratch directory with a small
// table (Id int32, Name string 20, Amount int32), keyed by Id or kept in
// physical order, optionally with a unique secondary index on Name, and
// record images built and read through the table.
#pragma once

#include "DataFile.h"
#include "DataFileFormat.h"
#include "FileTestSupport.h"
#include "TableVerifier.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace tabula::tabletest {

using filetest::CodeOf;
using Bytes = std::vector<std::uint8_t>;

struct TTableShape {
    bool keyed = true;
    bool uniqueName = false;
    bool isProtected = false;
    std::string amountMinimum = {};
};

inline TTableShape Shape(bool keyed, bool uniqueName = false, bool isProtected = false,
                         const std::string& amountMinimum = {}) {
    return TTableShape{keyed, uniqueName, isProtected, amountMinimum};
}

inline Bytes Row(TDataFile& t, std::int32_t id, const std::string& name, std::int32_t amount = 0) {
    Bytes image(static_cast<std::size_t>(t.RecordBufferSize()));
    t.InitRecord(image);
    std::uint8_t v[4];
    std::memcpy(v, &id, 4);
    t.WriteField(1, image, v);
    Bytes text(name.begin(), name.end());
    text.push_back(0);
    t.WriteField(2, image, text);
    std::memcpy(v, &amount, 4);
    t.WriteField(3, image, v);
    return image;
}

inline std::int32_t IdOf(TDataFile& t, const Bytes& image) {
    const TFieldRead f = t.ReadField(1, image);
    std::int32_t v = 0;
    std::memcpy(&v, f.value.data(), 4);
    return v;
}

inline std::string NameOf(TDataFile& t, const Bytes& image) {
    const TFieldRead f = t.ReadField(2, image);
    return f.isNull ? std::string() : std::string(reinterpret_cast<const char*>(f.value.data()));
}

inline std::int32_t AutoIncOf(const Bytes& image) {
    return datafmt::GetI32(image.data() + datafmt::kRecAutoInc);
}

// Ids of every record in the current order.
inline std::vector<std::int32_t> Ids(TDataFile& t) {
    std::vector<std::int32_t> ids;
    Bytes image(static_cast<std::size_t>(t.RecordBufferSize()));
    t.GotoFirst();
    while (t.NextRecord(image) == 0)
        ids.push_back(IdOf(t, image));
    return ids;
}

class TableTest : public filetest::ScratchDirTest {
protected:
    std::string TablePath(const std::string& name = "T") const { return Path(name); }

    void CreateTable(const TTableShape& shape = {}, const std::string& name = "T") {
        TDataFile t;
        t.SetFileName(TablePath(name));
        t.SetExclusive(true);
        TTableDefinition def;
        def.fields = {TFieldDescriptor::Make(1, "Id", datafmt::kFtInt32),
                      TFieldDescriptor::Make(2, "Name", datafmt::kFtString, 20),
                      TFieldDescriptor::Make(3, "Amount", datafmt::kFtInt32)};
        def.fields[2].minimum = shape.amountMinimum;
        def.isProtected = shape.isProtected;
        def.password = shape.isProtected ? "secret" : "";
        TIndexDescriptor primary;
        if (shape.keyed) {
            primary.fieldCount = 1;
            primary.fieldNumbers[0] = 1;
        }
        TIndexDescriptor byName;
        byName.name = "ByName";
        byName.fieldCount = 1;
        byName.fieldNumbers[0] = 2;
        byName.unique = shape.uniqueName;
        t.CreateTable(def, primary, {byName});
    }

    std::unique_ptr<TDataFile> OpenTable(bool exclusive, const std::string& name = "T") {
        auto t = std::make_unique<TDataFile>();
        t->SetFileName(TablePath(name));
        t->SetExclusive(exclusive);
        t->SetLockRetryCount(2);
        t->SetLockWaitTime(5);
        t->Open();
        return t;
    }

    std::vector<std::string> Findings(const std::string& name = "T") {
        return TTableVerifier::Verify(TablePath(name)).findings;
    }
};

} // namespace tabula::tabletest
