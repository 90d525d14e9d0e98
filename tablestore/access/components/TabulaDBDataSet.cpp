// Database-bound datasets: names and usage flags.
#include "TabulaDBDataSet.h"

#include "AccessMessages.h"
#include "TabulaDatabase.h"
#include "TabulaSession.h"
#include "TabulaSessionList.h"

namespace tabula {

TTabulaDBDataSet::TTabulaDBDataSet(TComponent* owner) : TTabulaDataSet(owner) {
    if (TTabulaSession* session = TTabulaSessionList::Instance().AutoSessionOf(owner))
        sessionName_ = session->SessionName();
}

TTabulaDBDataSet::~TTabulaDBDataSet() {
    if (database_) {
        TTabulaDatabase* database = database_;
        database_ = nullptr;
        usageFlags_ = 0;
        database->RemoveDataSet(this);
        if (TTabulaSession* session = database->Session())
            session->ReleaseDatabase(database);
    }
}

void TTabulaDBDataSet::SetDatabaseName(const std::string& name) {
    CheckInactive();
    if (database_)
        msg::Raise(msg::kDatabaseOpen);
    databaseName_ = name;
    DataEvent(TDataEvent::dePropertyChange);
}

void TTabulaDBDataSet::SetSessionName(const std::string& name) {
    CheckInactive();
    sessionName_ = name;
    DataEvent(TDataEvent::dePropertyChange);
}

void TTabulaDBDataSet::Acquire() {
    TTabulaSessionList& list = TTabulaSessionList::Instance();
    // A database component loaded before its session existed still sits in
    // the default session; it moves to its own session now.
    TTabulaSession* session = list.LookupSession(sessionName_);
    TTabulaSession& defaultSession = list.DefaultSession();
    if (session && session != &defaultSession && !session->LookupDatabase(databaseName_)) {
        if (TTabulaDatabase* waiting = defaultSession.LookupDatabase(databaseName_))
            waiting->BindSession(true);
    }
    TTabulaSession& owner = list.RequireSession(sessionName_);
    TTabulaDatabase& database = owner.AcquireDatabase(databaseName_, Owner());
    database_ = &database;
    database.AddDataSet(this);
}

void TTabulaDBDataSet::SetUsageFlag(TUsageFlag flag, bool on) {
    const auto bit = static_cast<std::uint16_t>(1u << flag);
    if (on) {
        if (usageFlags_ & bit)
            return;
        if (usageFlags_ == 0)
            Acquire();
        usageFlags_ |= bit;
        return;
    }
    if (!(usageFlags_ & bit))
        return;
    usageFlags_ &= static_cast<std::uint16_t>(~bit);
    if (usageFlags_ == 0 && database_) {
        TTabulaDatabase* database = database_;
        database_ = nullptr;
        database->RemoveDataSet(this);
        if (TTabulaSession* session = database->Session())
            session->ReleaseDatabase(database);
    }
}

void TTabulaDBDataSet::DatabaseGone(TTabulaDatabase* database) {
    if (database_ == database) {
        database_ = nullptr;
        usageFlags_ = 0;
    }
}

} // namespace tabula
