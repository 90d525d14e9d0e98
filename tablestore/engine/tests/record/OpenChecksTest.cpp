// Consistency checks of a data file at open: each code, the order of the
// checks, damage caught before it can be used, and the same checks reading
// a real file through the file handler.
#include "DataFileLayout.h"
#include "DataFileTestSupport.h"
#include "EngineCodes.h"
#include "FileHandler.h"
#include "FileSession.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

namespace tabula {
namespace {

using namespace datafmt;
using testing::AutoIncField;
using testing::BuildTable;
using testing::CodeOf;
using testing::Field;

TTableDefinition ThreeFields() {
    TTableDefinition def;
    def.fields = {Field(1, "Name", kFtString, 10), AutoIncField(2, "Id"),
                  Field(3, "Amount", kFtBcd, 0, 2)};
    return def;
}

const TPasswordCheck kNoPasswords = [](const std::string&) { return false; };

int CheckCode(const std::vector<std::uint8_t>& file,
              const TPasswordCheck& passwords = kNoPasswords) {
    return CodeOf([&] { TDataFileLayout::Check(file, file.size(), "T.DAT", passwords); });
}

// Offset of a byte of descriptor n (1-based) in the file.
std::size_t Desc(int n, std::size_t offset) {
    return 127 + (n - 1) * 768 + offset;
}

TEST(OpenChecks, SoundFileReadsBackItsLayout) {
    const auto t = BuildTable(ThreeFields(), 3);
    const TDataFileLayout layout =
        TDataFileLayout::Check(t.file, t.file.size(), "T.DAT", kNoPasswords);
    EXPECT_EQ(layout.header.nextRecordNumber, 4);
    ASSERT_EQ(layout.fields.size(), 3u);
    EXPECT_EQ(layout.fields[1].offset, 5);
    EXPECT_EQ(layout.fields[2].offset, 21);
    EXPECT_EQ(layout.fields[2].storedSize, 8);
}

TEST(OpenChecks, FileLengthMustMatchTheRecordCount) {
    auto t = BuildTable(ThreeFields(), 3);
    t.file.pop_back(); // one byte short of a whole record
    EXPECT_EQ(CheckCode(t.file), kErrHeaderCorrupt);
    t.file.push_back(0);
    t.file.push_back(0); // one byte over
    EXPECT_EQ(CheckCode(t.file), kErrHeaderCorrupt);
    t.file.pop_back();
    PutI32(t.file.data() + 13, 5); // the header claims 4 records, the file holds 3
    EXPECT_EQ(CheckCode(t.file), kErrHeaderCorrupt);
    PutI32(t.file.data() + 13, 4);
    EXPECT_EQ(CheckCode(t.file), 0);
}

TEST(OpenChecks, DescriptorAndHeaderInconsistenciesAre8961) {
    const auto sound = BuildTable(ThreeFields(), 1);
    auto mutated = [&](auto change) {
        auto file = sound.file;
        change(file);
        return CheckCode(file);
    };
    EXPECT_EQ(mutated([](auto& f) { PutU16(f.data() + Desc(1, 90), 10); }), kErrHeaderCorrupt);
    EXPECT_EQ(mutated([](auto& f) { PutU16(f.data() + Desc(2, 90), 9); }), kErrHeaderCorrupt)
        << "auto-increment field away from offset 5";
    EXPECT_EQ(mutated([](auto& f) { f[Desc(1, 86)] = 11; }), kErrHeaderCorrupt)
        << "a larger string moves the next field";
    EXPECT_EQ(mutated([](auto& f) { PutI16(f.data() + Desc(3, 0), 4); }), kErrHeaderCorrupt)
        << "field number differs from the position";
    EXPECT_EQ(mutated([](auto& f) { f[Desc(3, 247)] = 1; }), kErrHeaderCorrupt)
        << "calculated descriptor with an offset";
    EXPECT_EQ(mutated([](auto& f) { PutU16(f.data() + 21, 31); }), kErrHeaderCorrupt)
        << "record size";
    EXPECT_EQ(mutated([](auto& f) { PutI16(f.data() + 111, 8); }), kErrHeaderCorrupt)
        << "calculated area";
    // The stored size byte is recomputed, not trusted: a wrong one is harmless.
    EXPECT_EQ(mutated([](auto& f) { f[Desc(3, 88)] = 200; }), 0);
}

TEST(OpenChecks, AbsurdCountsAndSizesFailBeforeAnythingIsUsed) {
    const auto sound = BuildTable(ThreeFields(), 2);
    auto mutated = [&](auto change) {
        auto file = sound.file;
        change(file);
        return CheckCode(file);
    };
    EXPECT_EQ(mutated([](auto& f) { PutU16(f.data() + 23, 0); }), kErrHeaderCorrupt);
    EXPECT_EQ(mutated([](auto& f) { PutU16(f.data() + 23, 1025); }), kErrHeaderCorrupt);
    EXPECT_EQ(mutated([](auto& f) { PutU16(f.data() + 23, 60); }), kErrHeaderCorrupt)
        << "descriptor block beyond the end of the file";
    EXPECT_EQ(mutated([](auto& f) { f.resize(100); }), kErrHeaderCorrupt)
        << "shorter than the header";
    EXPECT_EQ(mutated([](auto& f) { PutI16(f.data() + 25, 33); }), kErrHeaderCorrupt);
    EXPECT_EQ(mutated([](auto& f) { PutI16(f.data() + 25, -1); }), kErrHeaderCorrupt);
    EXPECT_EQ(mutated([](auto& f) { PutI32(f.data() + 9, 3); }), kErrHeaderCorrupt)
        << "free-chain head names no record slot";
    EXPECT_EQ(mutated([](auto& f) { PutI32(f.data() + 9, -1); }), kErrHeaderCorrupt);
    EXPECT_EQ(mutated([](auto& f) { PutI32(f.data() + 9, 2); }), 0);
    // A string declared 255 long would need a 256-byte slot.
    TTableDefinition one;
    one.fields = {Field(1, "S", kFtString, 250)};
    auto big = BuildTable(one);
    big.file[Desc(1, 86)] = 255;
    PutU16(big.file.data() + 21, 9 + 257);
    EXPECT_EQ(CheckCode(big.file), kErrHeaderCorrupt);
}

TEST(OpenChecks, VersionIsCheckedBeforeEverythingElse) {
    auto t = BuildTable(ThreeFields(), 3);
    t.file[8] = 2;
    EXPECT_EQ(CheckCode(t.file), kErrWrongVersion);
    // Still kErrWrongVersion with a missing locale, a missing password and a bad length.
    PutI16(t.file.data() + 103, 0x1234);
    t.file[86] = 1;
    t.file.pop_back();
    EXPECT_EQ(CheckCode(t.file), kErrWrongVersion);
}

TEST(OpenChecks, LocaleThenPasswordThenDescriptors) {
    auto t = BuildTable(ThreeFields(), 1);
    PutI16(t.file.data() + 103, 0x1234); // no such locale
    t.file[86] = 1;                      // protected, no password known
    PutU16(t.file.data() + Desc(1, 90), 10);
    EXPECT_EQ(CheckCode(t.file), kErrLanguageDriver);
    PutI16(t.file.data() + 103, 0x0409); // an existing locale
    EXPECT_EQ(CheckCode(t.file), kErrPasswordRequired);
    t.file[86] = 0;
    EXPECT_EQ(CheckCode(t.file), kErrHeaderCorrupt);
}

TEST(OpenChecks, ProtectedTableNeedsItsPasswordAndUnscramblesDescriptors) {
    TTableDefinition def = ThreeFields();
    def.isProtected = true;
    def.password = "Secret";
    const auto t = BuildTable(def, 2);
    EXPECT_EQ(CheckCode(t.file), kErrPasswordRequired);
    EXPECT_EQ(CheckCode(t.file, [](const std::string& p) { return p == "secret"; }),
              kErrPasswordRequired)
        << "passwords compare case-sensitively";
    const auto layout = TDataFileLayout::Check(t.file, t.file.size(), "T.DAT",
                                               [](const std::string& p) { return p == "Secret"; });
    EXPECT_EQ(layout.fields[0].name, "Name");
    // The session's password list is the default source.
    StartEngine();
    EXPECT_EQ(CodeOf([&] { TDataFileLayout::Check(t.file, t.file.size(), "T.DAT"); }),
              kErrPasswordRequired);
    AddPassword("Secret");
    EXPECT_NO_THROW(TDataFileLayout::Check(t.file, t.file.size(), "T.DAT"));
    RemoveAllPasswords();
    StopEngine();
}

class OpenChecksOnDisk : public ::testing::Test {
protected:
    void SetUp() override {
        scratch_ = std::make_unique<storetest::TScratchDir>("tabula-datafile");
        dir_ = scratch_->Path();
        StartEngine();
    }
    void TearDown() override {
        StopEngine();
        scratch_.reset();
    }
    std::string Store(const std::vector<std::uint8_t>& bytes) {
        const std::string path = dir_ + "/T.DAT";
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    std::unique_ptr<storetest::TScratchDir> scratch_;
    std::string dir_;
};

TEST_F(OpenChecksOnDisk, ReadsAndChecksThroughTheFileHandler) {
    auto t = BuildTable(ThreeFields(), 3);
    {
        TFileHandler file(Store(t.file));
        file.Open();
        const TDataFileLayout layout = TDataFileLayout::Read(file, kNoPasswords);
        EXPECT_EQ(layout.fields.size(), 3u);
        EXPECT_EQ(layout.header.nextRecordNumber, 4);
    }
    t.file.pop_back();
    TFileHandler shorter(Store(t.file));
    shorter.Open();
    try {
        TDataFileLayout::Read(shorter, kNoPasswords);
        FAIL() << "a short file was accepted";
    } catch (const ETabulaEngineError& e) {
        EXPECT_EQ(e.Code(), kErrHeaderCorrupt);
        EXPECT_NE(std::string(e.what()).find("T.DAT"), std::string::npos)
            << "the message names the data file: " << e.what();
    }
    t.file[8] = 2;
    TFileHandler old(Store(t.file));
    old.Open();
    EXPECT_EQ(CodeOf([&] { TDataFileLayout::Read(old, kNoPasswords); }), kErrWrongVersion);
}

} // namespace
} // namespace tabula
