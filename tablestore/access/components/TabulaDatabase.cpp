// Database components: connection, binding to sessions, names and paths.
#include "TabulaDatabase.h"

#include "AccessMessages.h"
#include "EngineCodes.h"
#include "EngineError.h"
#include "TabulaDBDataSet.h"
#include "TabulaSession.h"
#include "TabulaSessionList.h"
#include "TextBlanks.h"

#include <algorithm>

namespace tabula {

// Longest table path the data file accepts.
inline constexpr std::size_t kMaxTablePath = 255;

TTabulaDatabase::TTabulaDatabase(TComponent* owner) : TComponent(owner) {
    TTabulaSessionList& list = TTabulaSessionList::Instance();
    TTabulaSession* session = dynamic_cast<TTabulaSession*>(owner);
    if (!session)
        session = list.AutoSessionOf(owner);
    if (!session)
        session = &list.DefaultSession();
    session_ = session;
    sessionName_ = session->SessionName();
    session_->AddDatabase(this);
}

TTabulaDatabase::~TTabulaDatabase() {
    MarkDestroying();
    try {
        Disconnect();
    } catch (...) {
        // Destruction goes on.
    }
    const std::vector<TTabulaDBDataSet*> users = dataSets_;
    for (TTabulaDBDataSet* dataSet : users)
        dataSet->DatabaseGone(this);
    if (session_)
        session_->RemoveDatabase(this);
}

std::string TTabulaDatabase::EngineVersion() const {
    return kTabulaEngineVersion;
}

void TTabulaDatabase::Loaded() {
    if (streamedConnected_)
        Open();
    else
        BindSession(false);
}

void TTabulaDatabase::SetConnected(bool connected) {
    if (Loading()) {
        streamedConnected_ = connected;
        return;
    }
    if (connected)
        Connect();
    else
        Disconnect();
}

void TTabulaDatabase::BindSession(bool activate) {
    TTabulaSession* session = LookupSession(sessionName_);
    if (!session) {
        if (activate)
            msg::Raise(msg::kSessionNameInvalid, sessionName_);
        return;
    }
    if (session != session_) {
        if (session_)
            session_->RemoveDatabase(this);
        session_ = session;
        session_->AddDatabase(this);
        CheckDuplicateName();
    }
    if (activate)
        session_->SetActive(true);
}

void TTabulaDatabase::CheckDuplicateName() {
    if (!session_ || databaseName_.empty())
        return;
    const std::vector<TTabulaDatabase*> databases = session_->Databases();
    for (TTabulaDatabase* other : databases) {
        if (other == this || !SameName(other->databaseName_, databaseName_))
            continue;
        if (handleShared_ && other->handleShared_)
            continue;
        if (!other->temporary_ || other->refCount_ > 0 || !other->dataSets_.empty()) {
            const std::string name = databaseName_;
            databaseName_.clear();
            msg::Raise(msg::kDatabaseNameExists, name);
        }
        delete other;
        CheckDuplicateName(); // the copy above may hold the freed one
        return;
    }
}

void TTabulaDatabase::Connect() {
    if (connected_)
        return;
    if (BeforeConnect)
        BeforeConnect(*this);
    if (databaseName_.empty() && !temporary_)
        msg::Raise(msg::kDatabaseNameMissing);
    BindSession(true);
    if (handleShared_) {
        for (TTabulaDatabase* other : session_->Databases()) {
            if (other != this && other->connected_ && other->handleShared_ &&
                SameName(other->databaseName_, databaseName_)) {
                connected_ = true;
                return;
            }
        }
    }
    TTabulaSessionLock lock(*session_);
    connected_ = true;
}

void TTabulaDatabase::Disconnect() {
    if (!connected_)
        return;
    const std::vector<TTabulaDBDataSet*> users = dataSets_;
    for (auto it = users.rbegin(); it != users.rend(); ++it)
        (*it)->Disconnect();
    connected_ = false;
    refCount_ = 0;
}

void TTabulaDatabase::SetDatabaseName(const std::string& name) {
    if (Loading()) {
        databaseName_ = name;
        return;
    }
    if (name == databaseName_)
        return;
    if (connected_)
        msg::Raise(msg::kDatabaseOpen);
    if (!temporary_ && name.find('/') != std::string::npos)
        msg::Raise(msg::kDatabaseNameInvalid, name);
    databaseName_ = name;
    CheckDuplicateName();
}

void TTabulaDatabase::SetDirectory(const std::string& directory) {
    if (!Loading() && connected_)
        msg::Raise(msg::kDatabaseOpen);
    directory_ = directory;
}

void TTabulaDatabase::SetHandleShared(bool shared) {
    if (!Loading() && connected_)
        msg::Raise(msg::kDatabaseOpen);
    handleShared_ = shared;
}

void TTabulaDatabase::SetKeepConnection(bool keep) {
    keepConnection_ = keep;
    if (!keep && refCount_ == 0 && !Loading())
        Disconnect();
}

void TTabulaDatabase::SetSessionName(const std::string& name) {
    if (!Loading() && connected_)
        msg::Raise(msg::kDatabaseOpen);
    sessionName_ = name;
    if (!Loading())
        BindSession(false);
}

std::string TTabulaDatabase::GetDirectory() const {
    if (temporary_ && databaseName_.find('/') != std::string::npos)
        return databaseName_;
    return directory_;
}

std::string TTabulaDatabase::TablePath(const std::string& tableName) const {
    std::string dir(TrimSpaces(GetDirectory()));
    if (!dir.empty() && dir.back() != '/')
        dir += '/';
    const std::string path = dir + tableName;
    // A longer path would have to be cut and could then name another file.
    if (path.size() > kMaxTablePath)
        RaiseEngineError(kErrInvalidPath, path);
    return path;
}

void TTabulaDatabase::AddDataSet(TTabulaDBDataSet* dataSet) {
    if (std::find(dataSets_.begin(), dataSets_.end(), dataSet) == dataSets_.end())
        dataSets_.push_back(dataSet);
}

void TTabulaDatabase::RemoveDataSet(TTabulaDBDataSet* dataSet) {
    dataSets_.erase(std::remove(dataSets_.begin(), dataSets_.end(), dataSet), dataSets_.end());
}

} // namespace tabula
