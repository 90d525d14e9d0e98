// Sessions and databases: the default session, names and auto-names,
// activation and the engine session switch, passwords, database binding,
// duplicate names, temporary databases, table paths, and datasets that
// acquire and release their database.
#include "EngineCodes.h"
#include "FileSession.h"
#include "MemoryDataSet.h"
#include "TabulaDatabase.h"
#include "TabulaSession.h"
#include "TabulaSessionList.h"

#include <gtest/gtest.h>

namespace tabula {
namespace {

using test::ErrorOf;
using test::TMemoryDataSet;

// Leaves the default session inactive, as the process starts it.
class Sessions : public ::testing::Test {
protected:
    void TearDown() override { DefaultSession().SetActive(false); }
};

TEST_F(Sessions, DefaultSessionLookupAndNames) {
    TTabulaSession& standard = DefaultSession();
    EXPECT_EQ(standard.SessionName(), "Default");
    EXPECT_TRUE(standard.IsDefault());
    EXPECT_EQ(LookupSession(""), &standard);
    EXPECT_EQ(LookupSession("DEFAULT"), &standard);
    EXPECT_EQ(ErrorOf([] { RequireSession("Nowhere"); }), "Session name Nowhere is not valid.");

    TTabulaSession mine;
    EXPECT_EQ(ErrorOf([&] { mine.SetSessionName("default"); }),
              "Session name default already exists.");
    EXPECT_EQ(ErrorOf([&] { mine.SetActive(true); }), "Session name is missing.");
    mine.SetSessionName("Mine");
    EXPECT_EQ(LookupSession("mine"), &mine);
    mine.SetActive(true);
    EXPECT_EQ(ErrorOf([&] { mine.SetSessionName("Other"); }),
              "Cannot perform this operation on an active session.");

    mine.SetEngineVersion("2.0");
    EXPECT_EQ(mine.EngineVersion(), "1.19");
    TTabulaDatabase database;
    database.SetEngineVersion("9");
    EXPECT_EQ(database.EngineVersion(), "1.19");
    TMemoryDataSet table;
    EXPECT_EQ(table.EngineVersion(), "1.19");
}

TEST_F(Sessions, ActivationSwitchesTheEngineSessionAndKeepsPasswordsApart) {
    TTabulaSession mine;
    mine.SetSessionName("Private");
    int startups = 0;
    mine.OnStartup = [&](TTabulaSession&) { ++startups; };
    mine.SetActive(true);
    EXPECT_EQ(startups, 1);
    // The default session was activated first and started the engine.
    EXPECT_TRUE(DefaultSession().Active());
    EXPECT_TRUE(EngineStarted());
    ASSERT_NE(mine.EngineSession(), nullptr);
    EXPECT_NE(mine.EngineSession(), DefaultSession().EngineSession());

    mine.AddTablePassword("Secret");
    EXPECT_TRUE(mine.EngineSession()->Passwords().Has("Secret"));
    EXPECT_FALSE(mine.EngineSession()->Passwords().Has("secret"));
    EXPECT_FALSE(DefaultSession().EngineSession()->Passwords().Has("Secret"));
    {
        TTabulaSessionLock outer(mine);
        EXPECT_EQ(CurrentSessionOrNull(), mine.EngineSession());
        {
            TTabulaSessionLock inner(mine); // re-entrant
            EXPECT_EQ(CurrentSessionOrNull(), mine.EngineSession());
        }
    }
    mine.SetPrivateDir("/tmp/private");
    EXPECT_EQ(mine.PrivateDir(), "/TMP/PRIVATE");
    mine.SetActive(false);
    EXPECT_EQ(CurrentSessionOrNull(), DefaultSession().EngineSession());
    EXPECT_EQ(mine.PrivateDir(), "/tmp/private");

    // A private directory the engine refuses leaves the session inactive.
    TTabulaSession bad;
    bad.SetSessionName("Bad");
    bad.SetPrivateDir(std::string(300, 'x'));
    EXPECT_THROW(bad.SetActive(true), ETabulaEngineError);
    EXPECT_FALSE(bad.Active());
}

TEST_F(Sessions, PasswordRequestAsksOnPasswordOrTheDialog) {
    TTabulaSession& session = DefaultSession();
    EXPECT_FALSE(session.RequestPassword()); // no handler, no dialog
    int dialogs = 0;
    TTabulaSession::SetPasswordDialog([&](TTabulaSession&) { return ++dialogs == 1; });
    EXPECT_TRUE(session.RequestPassword());
    EXPECT_FALSE(session.RequestPassword());
    session.OnPassword = [](TTabulaSession& s, bool& proceed) {
        EXPECT_FALSE(proceed);
        s.AddTablePassword("pw");
        proceed = true;
    };
    EXPECT_TRUE(session.RequestPassword());
    EXPECT_EQ(dialogs, 2);
    EXPECT_TRUE(session.EngineSession()->Passwords().Has("pw"));
    session.ClearTablePasswords();
    session.OnPassword = nullptr;
    TTabulaSession::SetPasswordDialog(nullptr);
}

TEST_F(Sessions, AutoSessionNamesNumberAndRule) {
    TComponent window1;
    TComponent window2;
    auto* first = new TTabulaSession(&window1);
    first->SetName("Session1");
    auto* database = new TTabulaDatabase(&window1);
    first->SetAutoSessionName(true);
    EXPECT_EQ(first->SessionName(), "Session1_1");
    EXPECT_EQ(database->SessionName(), "Session1_1");
    EXPECT_EQ(database->Session(), first);
    EXPECT_EQ(ErrorOf([&] { first->SetSessionName("X"); }),
              "Cannot perform this operation on the active auto-session.");
    EXPECT_EQ(ErrorOf([&] { new TTabulaSession(&window1); }), "This auto-session already exists.");
    // Components placed on the owner later join the auto-session.
    auto* later = new TMemoryDataSet(&window1);
    EXPECT_EQ(later->SessionName(), "Session1_1");

    auto* second = new TTabulaSession(&window2);
    second->SetName("Session1");
    new TTabulaSession(&window2);
    EXPECT_EQ(ErrorOf([&] { second->SetAutoSessionName(true); }),
              "The active auto-session can be the only active session.");

    TComponent window3;
    auto* third = new TTabulaSession(&window3);
    third->SetName("Session1");
    third->SetAutoSessionName(true);
    EXPECT_EQ(third->SessionName(), "Session1_2");
    third->SetName("Renamed");
    EXPECT_EQ(third->SessionName(), "Renamed_2");
    first->SetAutoSessionName(false); // frees number 1 for the next one
    TComponent window4;
    auto* fourth = new TTabulaSession(&window4);
    fourth->SetName("S");
    fourth->SetAutoSessionName(true);
    EXPECT_EQ(fourth->SessionName(), "S_1");
}

TEST_F(Sessions, TwoDatabasesNamedDBLoadAndTheFirstServes) {
    TComponent logon;
    TComponent validation;
    auto* first = new TTabulaDatabase(&logon);
    first->BeginLoading();
    first->SetDatabaseName("DB");
    first->SetDirectory("/data/first");
    first->EndLoading();
    auto* second = new TTabulaDatabase(&validation);
    second->BeginLoading();
    second->SetDatabaseName("DB");
    second->SetDirectory("/data/second");
    second->EndLoading();
    EXPECT_EQ(DefaultSession().LookupDatabase("db"), first);

    auto* table = new TMemoryDataSet(&validation);
    table->UseDatabase = true;
    table->SetDatabaseName("DB");
    table->Open();
    EXPECT_EQ(table->Database(), first);
    EXPECT_TRUE(first->Connected());
    EXPECT_EQ(first->RefCount(), 1);
    EXPECT_EQ(ErrorOf([&] { first->SetDirectory("/x"); }),
              "Cannot perform this operation on an open database.");
    EXPECT_EQ(ErrorOf([&] { first->SetDatabaseName("Other"); }),
              "Cannot perform this operation on an open database.");
    // Disconnecting closes the datasets that use the database.
    first->Close();
    EXPECT_FALSE(table->Active());
    EXPECT_EQ(table->Database(), nullptr);
    EXPECT_EQ(first->RefCount(), 0);

    // Outside loading a second name alike is refused and cleared.
    auto* third = new TTabulaDatabase(&validation);
    EXPECT_EQ(ErrorOf([&] { third->SetDatabaseName("db"); }), "Database name db already exists.");
    EXPECT_EQ(third->DatabaseName(), "");
    EXPECT_EQ(ErrorOf([&] { third->Open(); }), "Database name is missing.");
    EXPECT_EQ(ErrorOf([&] { third->SetDatabaseName("a/b"); }), "Database name a/b is not valid.");
    third->SetSessionName("Nowhere");
    EXPECT_EQ(third->Session(), &DefaultSession()); // a missing session leaves the binding
    third->SetDatabaseName("Third");
    EXPECT_EQ(ErrorOf([&] { third->Open(); }), "Session name Nowhere is not valid.");
}

TEST_F(Sessions, TemporaryDatabasesLiveWhileUsed) {
    TTabulaSession session;
    session.SetSessionName("Temp");
    session.SetKeepConnections(false);
    TMemoryDataSet table;
    table.UseDatabase = true;
    table.SetSessionName("Temp");
    table.SetDatabaseName("/data/tables");
    table.Open();
    TTabulaDatabase* temporary = table.Database();
    ASSERT_NE(temporary, nullptr);
    EXPECT_TRUE(temporary->Temporary());
    EXPECT_FALSE(temporary->KeepConnection());
    EXPECT_EQ(temporary->GetDirectory(), "/data/tables");
    EXPECT_EQ(temporary->TablePath("X.DAT"), "/data/tables/X.DAT");
    EXPECT_EQ(session.Databases().size(), 1u);
    table.SetUsageFlag(UseEmpty, true); // a second flag does not acquire again
    EXPECT_EQ(temporary->RefCount(), 1);
    table.SetUsageFlag(UseEmpty, false);
    table.Close();
    // The last user released it; with KeepConnection off it is gone.
    EXPECT_TRUE(session.Databases().empty());
    EXPECT_EQ(ErrorOf([&] { table.SetSessionName("Gone"), table.Open(); }),
              "Session name Gone is not valid.");
    EXPECT_FALSE(table.Active());
    EXPECT_EQ(table.Database(), nullptr);
}

TEST_F(Sessions, TablePathsFromDirectoryForms) {
    TTabulaDatabase database;
    database.SetDatabaseName("PathDB");
    EXPECT_EQ(database.TablePath("ReportTableDetail.DAT"), "ReportTableDetail.DAT");
    database.SetDirectory("/srv/Data");
    const std::string expected = "/srv/Data/ReportTableDetail.DAT";
    EXPECT_EQ(database.TablePath("ReportTableDetail.DAT"), expected);
    database.SetDirectory("/srv/Data/");
    EXPECT_EQ(database.TablePath("ReportTableDetail.DAT"), expected);
    database.SetDirectory("  /srv/Data  ");
    EXPECT_EQ(database.TablePath("ReportTableDetail.DAT"), expected);
    // A path the data file could not take is refused, never cut.
    database.SetDirectory(std::string(250, 'd'));
    try {
        database.TablePath("ReportTableDetail.DAT");
        FAIL() << "an over-long path was accepted";
    } catch (const ETabulaEngineError& e) {
        EXPECT_EQ(e.Code(), kErrInvalidPath);
    }
}

} // namespace
} // namespace tabula
