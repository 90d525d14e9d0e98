// Session components: activation, naming, databases, passwords and the
// session lock.
#include "TabulaSession.h"

#include "AccessMessages.h"
#include "FileSession.h"
#include "TabulaDBDataSet.h"
#include "TabulaDatabase.h"
#include "TabulaSessionList.h"

#include <algorithm>
#include <cctype>
#include <mutex>

namespace tabula {

namespace {

std::mutex gDialogLock;
std::function<bool(TTabulaSession&)> gPasswordDialog;

} // namespace

TTabulaSession::TTabulaSession(TTabulaSessionList& list, DefaultTag)
    : TComponent(nullptr), list_(list) {
    list_.Add(this);
    sessionName_ = "Default";
}

TTabulaSession::TTabulaSession(TComponent* owner)
    : TComponent(owner), list_(TTabulaSessionList::Instance()) {
    if (list_.AutoSessionOf(owner))
        msg::Raise(msg::kAutoSessionExists);
    list_.Add(this);
}

TTabulaSession::~TTabulaSession() {
    MarkDestroying();
    try {
        SetActive(false);
    } catch (...) {
        // Destruction goes on; the engine session is freed below.
    }
    // Databases that outlive the session (owned elsewhere) lose it.
    const std::vector<TTabulaDatabase*> databases = databases_;
    for (TTabulaDatabase* database : databases)
        database->session_ = nullptr;
    databases_.clear();
    if (autoSessionName_)
        list_.FreeAutoNumber(autoNumber_);
    list_.Remove(this);
}

void TTabulaSession::SetActive(bool active) {
    if (Loading()) {
        streamedActive_ = active;
        return;
    }
    if (active == Active())
        return;
    if (active)
        Activate();
    else
        Deactivate();
}

void TTabulaSession::Loaded() {
    if (streamedActive_)
        SetActive(true);
}

void TTabulaSession::Activate() {
    std::lock_guard<std::recursive_mutex> guard(list_.Lock());
    if (OnStartup)
        OnStartup(*this);
    if (sessionName_.empty())
        msg::Raise(msg::kSessionNameMissing);
    if (!isDefault_)
        list_.DefaultSession().SetActive(true);
    if (Active())
        return;
    if (isDefault_) {
        StartEngine();
        SetCurrentSession(nullptr);
        engine_ = CurrentSessionOrNull();
    } else {
        ownEngine_ = std::make_unique<TFileSession>();
        engine_ = ownEngine_.get();
    }
    if (!privateDir_.empty()) {
        try {
            engine_->SetPrivateDir(privateDir_);
        } catch (...) {
            Deactivate();
            throw;
        }
    }
}

void TTabulaSession::Deactivate() {
    std::lock_guard<std::recursive_mutex> guard(list_.Lock());
    if (EngineStarted())
        SetCurrentSession(engine_);
    const std::vector<TTabulaDatabase*> databases = databases_;
    for (auto it = databases.rbegin(); it != databases.rend(); ++it) {
        TTabulaDatabase* database = *it;
        if (std::find(databases_.begin(), databases_.end(), database) == databases_.end())
            continue; // freed along with an earlier one
        if (database->Temporary() && !database->Destroying())
            delete database;
        else
            database->Close();
    }
    if (isDefault_) {
        engine_ = nullptr;
        StopEngine();
    } else {
        if (EngineStarted())
            SetCurrentSession(nullptr);
        engine_ = nullptr;
        ownEngine_.reset();
    }
}

std::string TTabulaSession::PrivateDir() const {
    if (!Active())
        return privateDir_;
    std::string dir = engine_->PrivateDir();
    for (char& c : dir)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return dir;
}

void TTabulaSession::SetPrivateDir(const std::string& dir) {
    if (Active()) {
        TTabulaSessionLock lock(*this);
        engine_->SetPrivateDir(dir);
    }
    privateDir_ = dir;
}

void TTabulaSession::SetSessionName(const std::string& name) {
    if (autoSessionName_ && !settingAutoName_)
        msg::Raise(msg::kAutoSessionActive);
    if (name == sessionName_)
        return;
    if (Active())
        msg::Raise(msg::kSessionActive);
    if (!name.empty()) {
        for (TTabulaSession* other : list_.Sessions()) {
            if (other != this && SameName(other->sessionName_, name))
                msg::Raise(msg::kSessionNameExists, name);
        }
    }
    sessionName_ = name;
}

void TTabulaSession::SetName(const std::string& name) {
    TComponent::SetName(name);
    if (autoSessionName_)
        AssignAutoName();
}

void TTabulaSession::SetAutoSessionName(bool on) {
    if (on == autoSessionName_)
        return;
    std::lock_guard<std::recursive_mutex> guard(list_.Lock());
    if (on) {
        if (Active())
            msg::Raise(msg::kSessionActive);
        if (Owner()) {
            for (TTabulaSession* other : list_.Sessions()) {
                if (other != this && other->Owner() == Owner())
                    msg::Raise(msg::kAutoSessionOnly);
            }
        }
        autoNumber_ = list_.AllocateAutoNumber();
        autoSessionName_ = true;
        try {
            AssignAutoName();
        } catch (...) {
            list_.FreeAutoNumber(autoNumber_);
            autoNumber_ = -1;
            autoSessionName_ = false;
            throw;
        }
    } else {
        autoSessionName_ = false;
        list_.FreeAutoNumber(autoNumber_);
        autoNumber_ = -1;
    }
}

void TTabulaSession::AssignAutoName() {
    const std::string name = Name() + "_" + std::to_string(autoNumber_ + 1);
    settingAutoName_ = true;
    try {
        SetSessionName(name);
    } catch (...) {
        settingAutoName_ = false;
        throw;
    }
    settingAutoName_ = false;
    if (!Owner())
        return;
    for (TComponent* component : Owner()->Components()) {
        if (auto* database = dynamic_cast<TTabulaDatabase*>(component)) {
            if (!SameName(database->SessionName(), name))
                database->SetSessionName(name);
        } else if (auto* dataSet = dynamic_cast<TTabulaDBDataSet*>(component)) {
            if (!SameName(dataSet->SessionName(), name))
                dataSet->SetSessionName(name);
        }
    }
}

// ---- Databases ---------------------------------------------------------------------

void TTabulaSession::AddDatabase(TTabulaDatabase* database) {
    if (std::find(databases_.begin(), databases_.end(), database) == databases_.end())
        databases_.push_back(database);
}

void TTabulaSession::RemoveDatabase(TTabulaDatabase* database) {
    databases_.erase(std::remove(databases_.begin(), databases_.end(), database), databases_.end());
}

TTabulaDatabase* TTabulaSession::LookupDatabase(const std::string& name,
                                                const TComponent* owner) const {
    if (owner) {
        for (TTabulaDatabase* database : databases_) {
            if (database->Owner() == owner && database->HandleShared() &&
                SameName(database->DatabaseName(), name))
                return database;
        }
    }
    for (TTabulaDatabase* database : databases_) {
        if (SameName(database->DatabaseName(), name) &&
            (!database->DatabaseName().empty() || database->Temporary()))
            return database;
    }
    return nullptr;
}

TTabulaDatabase& TTabulaSession::AcquireDatabase(const std::string& name, const TComponent* owner) {
    TTabulaSessionLock lock(*this);
    TTabulaDatabase* database = LookupDatabase(name, owner);
    TTabulaDatabase* created = nullptr;
    try {
        if (!database) {
            created = new TTabulaDatabase(this);
            database = created;
            created->temporary_ = true;
            created->SetDatabaseName(name);
            created->SetKeepConnection(keepConnections_);
        }
        database->Open();
    } catch (...) {
        delete created;
        throw;
    }
    ++database->refCount_;
    return *database;
}

void TTabulaSession::ReleaseDatabase(TTabulaDatabase* database) {
    if (!database)
        return;
    if (database->refCount_ > 0)
        --database->refCount_;
    if (database->refCount_ == 0 && !database->KeepConnection()) {
        if (!database->Temporary())
            database->Close();
        else if (!database->Destroying())
            delete database;
    }
}

// ---- Passwords ------------------------------------------------------------------------

void TTabulaSession::AddTablePassword(const std::string& password) {
    TTabulaSessionLock lock(*this);
    engine_->Passwords().Add(password);
}

void TTabulaSession::RemoveTablePassword(const std::string& password) {
    TTabulaSessionLock lock(*this);
    engine_->Passwords().Remove(password);
}

void TTabulaSession::ClearTablePasswords() {
    TTabulaSessionLock lock(*this);
    engine_->Passwords().Clear();
}

bool TTabulaSession::RequestPassword() {
    if (OnPassword) {
        bool proceed = false;
        OnPassword(*this, proceed);
        return proceed;
    }
    std::function<bool(TTabulaSession&)> dialog;
    {
        std::lock_guard<std::mutex> guard(gDialogLock);
        dialog = gPasswordDialog;
    }
    return dialog ? dialog(*this) : false;
}

void TTabulaSession::SetPasswordDialog(std::function<bool(TTabulaSession&)> dialog) {
    std::lock_guard<std::mutex> guard(gDialogLock);
    gPasswordDialog = std::move(dialog);
}

// ---- Session lock -----------------------------------------------------------------------

void TTabulaSession::LockSession() {
    if (lockCount_ == 0) {
        list_.Lock().lock();
        try {
            if (!Active())
                SetActive(true);
            SetCurrentSession(engine_);
        } catch (...) {
            list_.Lock().unlock();
            throw;
        }
    }
    ++lockCount_;
}

void TTabulaSession::UnlockSession() {
    if (lockCount_ == 0)
        return;
    if (--lockCount_ == 0)
        list_.Lock().unlock();
}

} // namespace tabula
