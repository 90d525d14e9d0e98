// Random bytes and mutated valid files opened as data files: the checks
// never crash and either accept the file or fail with an engine code. A
// layout they accept must then be safe to use for every record of the file.
// Seeded and bounded, so every run checks the same few thousand cases.
#include "DataFileLayout.h"
#include "DataFileTestSupport.h"
#include "EngineCodes.h"
#include "FileHandler.h"
#include "FileSession.h"
#include "RecordImage.h"
#include "RecordRules.h"

#include <gtest/gtest.h>
#include <random>

namespace tabula {
namespace {

using namespace datafmt;
using testing::AutoIncField;
using testing::BuildTable;
using testing::Field;
using testing::TBuiltTable;

const TPasswordCheck kKnowsEverything = [](const std::string&) { return true; };

bool IsOpenCheckCode(int code) {
    return code == kErrHeaderCorrupt || code == kErrWrongVersion || code == kErrLanguageDriver ||
           code == kErrPasswordRequired;
}

// Uses an accepted layout the way the record manager would.
void Exercise(const TDataFileLayout& layout, const std::vector<std::uint8_t>& file) {
    const std::uint64_t first = layout.header.DataOffset();
    for (std::int32_t n = 1; n < layout.header.nextRecordNumber && n <= 50; ++n) {
        const std::uint64_t at =
            first + static_cast<std::uint64_t>(n - 1) * layout.header.recordSize;
        ASSERT_LE(at + layout.header.recordSize, file.size());
        std::vector<std::uint8_t> image(
            file.begin() + static_cast<std::ptrdiff_t>(at),
            file.begin() + static_cast<std::ptrdiff_t>(at + layout.header.recordSize));
        for (const TFieldDescriptor& field : layout.fields) {
            if (field.IsCalculated())
                continue;
            const TFieldRead r = ReadField(field, image);
            (void)r;
        }
        std::vector<TFieldDescriptor> stored;
        for (const TFieldDescriptor& field : layout.fields)
            if (!field.IsCalculated())
                stored.push_back(field);
        try {
            TRecordRules::CheckConstraints(stored, image, nullptr, TDateTimeParts{}, "F.DAT");
        } catch (const ETabulaEngineError& e) {
            EXPECT_TRUE(e.Code() == kErrBelowMinimum || e.Code() == kErrAboveMaximum ||
                        e.Code() == kErrValueRequired)
                << e.Code();
        }
        TRecordRules::InitRecord(stored, image, nullptr, TDateTimeParts{});
    }
}

int OpenAsDataFile(const std::vector<std::uint8_t>& file) {
    try {
        const TDataFileLayout layout =
            TDataFileLayout::Check(file, file.size(), "F.DAT", kKnowsEverything);
        Exercise(layout, file);
        return 0;
    } catch (const ETabulaEngineError& e) {
        return e.Code();
    }
}

std::vector<TBuiltTable> Seeds() {
    TTableDefinition a;
    a.fields = {Field(1, "Name", kFtString, 12),  AutoIncField(2, "Id"),
                Field(3, "Amount", kFtBcd, 0, 2), Field(4, "When", kFtTimestamp),
                Field(5, "Flag", kFtBoolean),     Field(6, "Doc", kFtBlob),
                Field(7, "Raw", kFtBytes, 5),     Field(8, "Ext", kFtExtended)};
    a.fields[0].minimum = "b";
    a.fields[2].maximum = "100";
    a.fields[3].defaultValue = "NOW";
    a.fields[4].required = 1;
    TTableDefinition b = a;
    b.isProtected = true;
    b.password = "pw";
    TTableDefinition c;
    c.fields = {Field(1, "Only", kFtInt16)};
    return {BuildTable(a, 4), BuildTable(b, 3), BuildTable(c, 0)};
}

TEST(DataFileFuzz, RandomBytesFailWithACode) {
    std::mt19937 rng(20240517);
    int accepted = 0;
    for (int i = 0; i < 1500; ++i) {
        std::vector<std::uint8_t> file(rng() % 2600);
        for (auto& b : file)
            b = static_cast<std::uint8_t>(rng());
        // Make most files look like version 3 with few fields, so that the
        // deeper checks run too.
        if (file.size() >= 127 && i % 4 != 0) {
            file[8] = 3;
            file[23] = static_cast<std::uint8_t>(rng() % 4);
            file[24] = 0;
            if (i % 2 == 0) {
                PutI16(file.data() + 103, 0);
                PutU16(file.data() + 105, 0);
            }
        }
        const int code = OpenAsDataFile(file);
        if (code == 0)
            ++accepted;
        else
            EXPECT_TRUE(IsOpenCheckCode(code)) << "case " << i << " code " << code;
    }
    EXPECT_LT(accepted, 10);
}

TEST(DataFileFuzz, MutatedValidFilesFailWithACodeOrStaySafe) {
    std::mt19937 rng(7);
    const std::vector<TBuiltTable> seeds = Seeds();
    for (const TBuiltTable& seed : seeds)
        ASSERT_EQ(OpenAsDataFile(seed.file), 0);
    int failures = 0;
    for (int i = 0; i < 3000; ++i) {
        std::vector<std::uint8_t> file = seeds[i % seeds.size()].file;
        switch (rng() % 4) {
        case 0: // truncate or extend
            file.resize(rng() % (file.size() + 200));
            break;
        case 1: // one field of the header
            file[rng() % 127] = static_cast<std::uint8_t>(rng());
            break;
        default: { // a few bytes anywhere, often inside the descriptors
            const int changes = 1 + static_cast<int>(rng() % 6);
            for (int k = 0; k < changes; ++k)
                file[rng() % file.size()] = static_cast<std::uint8_t>(rng());
            break;
        }
        }
        const int code = OpenAsDataFile(file);
        if (code != 0) {
            ++failures;
            EXPECT_TRUE(IsOpenCheckCode(code)) << "case " << i << " code " << code;
        }
    }
    EXPECT_GT(failures, 500);
}

TEST(DataFileFuzz, MutatedFilesReadThroughAnInMemoryFileHandler) {
    StartEngine();
    std::mt19937 rng(99);
    const std::vector<TBuiltTable> seeds = Seeds();
    for (int i = 0; i < 300; ++i) {
        std::vector<std::uint8_t> file = seeds[i % seeds.size()].file;
        if (i % 3 == 0)
            file.resize(rng() % (file.size() + 1));
        for (int k = 0; k < 3 && !file.empty(); ++k)
            file[rng() % file.size()] = static_cast<std::uint8_t>(rng());
        TFileHandler handler("Fuzz" + std::to_string(i) + ".DAT");
        handler.SetInMemory(true);
        handler.SetExclusive(true);
        handler.Create();
        if (!file.empty())
            handler.Write(file.data(), static_cast<std::int64_t>(file.size()));
        try {
            TDataFileLayout::Read(handler, kKnowsEverything);
        } catch (const ETabulaEngineError& e) {
            EXPECT_TRUE(IsOpenCheckCode(e.Code())) << "case " << i << " code " << e.Code();
        }
        handler.Close();
        handler.Delete();
    }
    StopEngine();
}

} // namespace
} // namespace tabula
