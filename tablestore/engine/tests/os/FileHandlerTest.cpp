// Disk files through TFileHandler, the operating-system error mapping, the
// read-only attribute, and the engine session (passwords, private
// directory, answer-table names).
#include "FileHandler.h"

#include "EngineCodes.h"
#include "EngineError.h"
#include "FileSession.h"
#include "FileTestSupport.h"
#include "LockLayout.h"

#include <cerrno>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace tabula {
namespace {

using filetest::CodeOf;

using filetest::ScratchDirTest;

class FileHandlerTest : public ScratchDirTest {
protected:
    std::unique_ptr<TFileHandler> Opened(const std::string& name, bool exclusive,
                                         bool readOnly = false) {
        auto h = std::make_unique<TFileHandler>(Path(name));
        h->SetExclusive(exclusive);
        h->SetReadOnly(readOnly);
        h->Open();
        return h;
    }
    std::string Contents(const std::string& name) {
        std::ifstream in(Path(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
};

TEST(OsErrorMapping, EveryClassOfFailureHasItsCode) {
    EXPECT_EQ(MapOsError(ENOENT), kErrInvalidPath);
    EXPECT_EQ(MapOsError(ENOTDIR), kErrInvalidPath);
    EXPECT_EQ(MapOsError(EMFILE), kErrTooManyFiles);
    EXPECT_EQ(MapOsError(ENFILE), kErrTooManyFiles);
    EXPECT_EQ(MapOsError(EACCES), kErrAccessDenied);
    EXPECT_EQ(MapOsError(EAGAIN), kErrAccessDenied);
    EXPECT_EQ(MapOsError(EBADF), kErrInvalidHandle);
    EXPECT_EQ(MapOsError(ENOMEM), kErrOutOfMemory);
    EXPECT_EQ(MapOsError(ENODEV), kErrInvalidDevice);
    EXPECT_EQ(MapOsError(EXDEV), kErrFileMoved);
    EXPECT_EQ(MapOsError(EIO), kErrUnknownOsError);
}

TEST_F(FileHandlerTest, OpenAndCreateFailures) {
    TFileHandler missing(Path("MISSING.DAT"));
    EXPECT_EQ(CodeOf([&] { missing.Open(); }), kErrInvalidPath);
    EXPECT_FALSE(missing.IsOpen());
    TFileHandler noDir(Path("nodir/X.DAT"));
    noDir.SetExclusive(true);
    EXPECT_EQ(CodeOf([&] { noDir.Create(); }), kErrInvalidPath);

    // Create needs an exclusive, closed handler.
    TFileHandler shared(Path("NEW.DAT"));
    EXPECT_EQ(CodeOf([&] { shared.Create(); }), kErrMustBeExclusive);
    EXPECT_FALSE(shared.Exists());

    // A directory is not a table file.
    ::mkdir(Path("DIR.DAT").c_str(), 0755);
    TFileHandler dir(Path("DIR.DAT"));
    EXPECT_EQ(CodeOf([&] { dir.Open(); }), kErrInvalidPath);

    // The error names the file.
    try {
        missing.Open();
    } catch (const ETabulaEngineError& e) {
        EXPECT_EQ(e.Text(), "Invalid path or file name for data file " + Path("MISSING.DAT"));
    }
}

TEST_F(FileHandlerTest, ReadWriteSeekSizeAndCounter) {
    TFileHandler h(Path("T.DAT"));
    h.SetExclusive(true);
    h.Create();
    const std::uint8_t counter[4] = {0x78, 0x56, 0x34, 0x12};
    h.Write(counter, 4);
    h.Write("payload", 7);
    EXPECT_EQ(h.Size(), 11);
    EXPECT_EQ(h.ReadChangeCounter(), 0x12345678u);
    EXPECT_EQ(h.Position(), 11) << "the counter read leaves the position alone";

    char buf[16];
    h.Seek(-7, TSeekOrigin::End);
    EXPECT_EQ(h.Read(buf, 7), 7);
    EXPECT_EQ(std::string(buf, 7), "payload");
    h.Seek(-3, TSeekOrigin::Current);
    EXPECT_EQ(CodeOf([&] { h.Read(buf, 4); }), kErrReadError);
    h.Seek(8, TSeekOrigin::Start);
    EXPECT_EQ(h.Read(buf, 10, true), 3);

    // A write of 0 bytes truncates at the position.
    h.Seek(4, TSeekOrigin::Start);
    h.Write(nullptr, 0);
    EXPECT_EQ(h.Size(), 4);
    h.Seek(2, TSeekOrigin::Start);
    h.Write(nullptr, 0);
    EXPECT_EQ(CodeOf([&] { h.ReadChangeCounter(); }), kErrReadError);
    h.Flush();
    h.Close();
    EXPECT_EQ(Contents("T.DAT"), std::string("\x78\x56", 2));
}

TEST_F(FileHandlerTest, ReadOnlyAttributeAndReadOnlySetting) {
    WriteFile("RO.DAT", "data");
    ::chmod(Path("RO.DAT").c_str(), 0444);
    auto ro = Opened("RO.DAT", false);
    EXPECT_TRUE(ro->ReadOnly());
    EXPECT_TRUE(ro->ReadOnlyAttribute());
    EXPECT_EQ(CodeOf([&] { ro->Write("x", 1); }), kErrAccessDenied);
    // No locks are taken: every request succeeds, for every handle.
    auto ro2 = Opened("RO.DAT", false);
    EXPECT_TRUE(ro->Lock(kTableLockOffset, kTableLockLength));
    EXPECT_TRUE(ro2->Lock(kTableLockOffset, kTableLockLength));
    EXPECT_TRUE(ro->Unlock(1, 1));
    ro->Close();
    ro2->Close();
    // It is neither replaced by a create nor deleted.
    TFileHandler create(Path("RO.DAT"));
    create.SetExclusive(true);
    EXPECT_EQ(CodeOf([&] { create.Create(); }), kErrAccessDenied);
    EXPECT_EQ(CodeOf([&] { create.Delete(); }), kErrDeleteError);
    EXPECT_EQ(Contents("RO.DAT"), "data");

    // Read-only by setting: writes refused, locks behave normally.
    WriteFile("RW.DAT", "data");
    auto setting = Opened("RW.DAT", false, true);
    auto other = Opened("RW.DAT", false);
    EXPECT_FALSE(setting->ReadOnlyAttribute());
    EXPECT_EQ(CodeOf([&] { setting->Write("x", 1); }), kErrAccessDenied);
    EXPECT_TRUE(setting->Lock(kHeaderLockOffset, 1));
    EXPECT_FALSE(other->Lock(kHeaderLockOffset, 1));
}

TEST_F(FileHandlerTest, SharingModesBetweenHandles) {
    WriteFile("S.DAT", "contents");
    auto shared = Opened("S.DAT", false);
    auto shared2 = Opened("S.DAT", false);
    EXPECT_EQ(CodeOf([&] { Opened("S.DAT", true); }), kErrAccessDenied);
    // A create over a file that is open is refused before anything is cut.
    TFileHandler create(Path("S.DAT"));
    create.SetExclusive(true);
    EXPECT_EQ(CodeOf([&] { create.Create(); }), kErrAccessDenied);
    EXPECT_EQ(Contents("S.DAT"), "contents");
    // Neither delete nor rename touches a file in use.
    EXPECT_EQ(CodeOf([&] { create.Delete(); }), kErrDeleteError);
    EXPECT_EQ(CodeOf([&] { create.Rename(Path("R.DAT")); }), kErrUnknownOsError);
    shared->Close();
    shared2->Close();

    auto exclusive = Opened("S.DAT", true);
    EXPECT_EQ(CodeOf([&] { Opened("S.DAT", false); }), kErrAccessDenied);
    exclusive->Close();
    EXPECT_NO_THROW(Opened("S.DAT", false));
}

TEST_F(FileHandlerTest, DiskLocksBelongToTheHandle) {
    WriteFile("L.DAT", "");
    auto a = Opened("L.DAT", false);
    auto b = Opened("L.DAT", false);
    EXPECT_TRUE(a->Lock(kRecordLockBase - 5, 1));
    EXPECT_FALSE(b->Lock(kRecordLockBase - 5, 1));
    EXPECT_FALSE(a->Lock(kRecordLockBase - 5, 1)) << "a handle's own overlapping range";
    EXPECT_FALSE(b->Unlock(kRecordLockBase - 5, 1)) << "not b's lock";
    EXPECT_FALSE(a->Lock(kShareModeLockOffset, 1)) << "the share-mode byte is reserved";
    EXPECT_TRUE(a->Unlock(kRecordLockBase - 5, 1));
    EXPECT_FALSE(a->Unlock(kRecordLockBase - 5, 1));
    EXPECT_TRUE(b->Lock(kRecordLockBase - 5, 1));
    b->Close();
    EXPECT_TRUE(a->Lock(kTableLockOffset, kTableLockLength)) << "closing released b's lock";
}

TEST_F(FileHandlerTest, RenameAndCopy) {
    WriteFile("A.DAT", std::string(200000, 'a') + "end");
    WriteFile("B.DAT", "b");
    TFileHandler h(Path("A.DAT"));
    EXPECT_EQ(CodeOf([&] { h.Rename(Path("B.DAT")); }), kErrUnknownOsError);
    EXPECT_EQ(Contents("B.DAT"), "b") << "an existing target is never replaced";
    h.Rename(Path("C.DAT"));
    EXPECT_EQ(h.FileName(), Path("C.DAT"));
    h.Open();
    EXPECT_EQ(CodeOf([&] { h.Rename(Path("D.DAT")); }), kErrFileInUse);
    h.Copy(Path("D.DAT"));
    EXPECT_EQ(Contents("D.DAT"), Contents("C.DAT"));
    h.Close();
    h.Delete();
    EXPECT_FALSE(h.Exists());
}

TEST_F(FileHandlerTest, WriteThroughFilesWork) {
    TFileHandler h(Path("W.DAT"));
    h.SetExclusive(true);
    h.SetWriteThrough(true);
    h.Create();
    h.Write("abc", 3);
    h.Close();
    h.Open();
    EXPECT_EQ(h.Size(), 3);
}

TEST_F(FileHandlerTest, SessionPasswordsAndPrivateDirectory) {
    AddPassword("");
    EXPECT_EQ(Session().Passwords().Count(), 0u);
    AddPassword("Secret");
    AddPassword("Secret");
    EXPECT_TRUE(HasPassword("Secret"));
    EXPECT_FALSE(HasPassword("secret"));
    RemovePassword("Secret");
    EXPECT_TRUE(HasPassword("Secret")) << "added twice, removed once";
    RemoveAllPasswords();
    EXPECT_FALSE(HasPassword("Secret"));

    EXPECT_EQ(CodeOf([] { SetPrivateDir(std::string(256, 'd')); }), kErrInvalidPath);
    SetPrivateDir(dir_);
    EXPECT_EQ(GetPrivateDir(), dir_);
    StopEngine();
    EXPECT_EQ(CodeOf([] { GetPrivateDir(); }), kErrNotInitialized);
    StartEngine();
}

TEST_F(FileHandlerTest, AnswerTableNamesCountPastTakenNames) {
    SetPrivateDir(dir_);
    std::string first = MakeAnswerTableName(false);
    ASSERT_EQ(first.rfind(dir_ + "/", 0), 0u);
    ASSERT_EQ(first.substr(first.size() - 5), "0.DAT");
    WriteFile(first.substr(dir_.size() + 1), "");
    std::string second = MakeAnswerTableName(false);
    EXPECT_EQ(second, first.substr(0, first.size() - 5) + "1.DAT");

    // In memory the session's list decides.
    std::string mem = MakeAnswerTableName(true);
    EXPECT_EQ(mem, first) << "the disk file does not take the in-memory name";
    TFileHandler h(mem);
    h.SetInMemory(true);
    h.SetExclusive(true);
    h.Create();
    EXPECT_EQ(MakeAnswerTableName(true), second);
}

} // namespace
} // namespace tabula
