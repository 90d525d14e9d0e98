// TTabulaSession: a session component. It owns one engine session of the
// physical layer (TFileSession: error context, in-memory files, table
// passwords) while active, and keeps the list of databases registered with
// it.
//
// States and transitions:
//
//   inactive --SetActive(true)--> active
//     under the session lock: OnStartup; "Session name is missing." when
//     SessionName is empty; the default session is activated first; the
//     default session starts the engine and takes its default engine
//     session, any other session creates its own; PrivateDir is applied
//     (on failure the session becomes inactive again).
//   active --SetActive(false)--> inactive
//     under the session lock: its engine session is made current; its
//     databases, last first: a temporary one is freed, a persistent one
//     disconnected; the default session stops the engine, another frees
//     its engine session and makes the default one current.
//   While loading, Active is remembered and applied by Loaded.
//
// Session lock: LockSession / UnlockSession nest by a count per session.
// The first entry takes the list's critical section and makes this
// session's engine session current (activating the session when needed);
// the last exit releases it. TTabulaSessionLock does both by scope. The
// count is not per thread: components are used from the main thread, and
// the critical section serialises sessions used from elsewhere.
//
// Names: SessionName is unique among sessions ignoring case. With
// AutoSessionName on, the name is the component name + "_" + n, where n - 1
// is the lowest free process-wide auto-session number, and cannot be
// assigned from outside.
#pragma once

#include "Component.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tabula {

class TFileSession;
class TTabulaDatabase;
class TTabulaSessionList;

// The engine version every component reports.
inline constexpr const char* kTabulaEngineVersion = "1.19";

class TTabulaSession : public TComponent {
public:
    explicit TTabulaSession(TComponent* owner = nullptr);
    ~TTabulaSession() override;

    std::string EngineVersion() const { return kTabulaEngineVersion; }
    void SetEngineVersion(const std::string&) {}

    bool Active() const { return engine_ != nullptr; }
    void SetActive(bool active);
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }
    bool AutoSessionName() const { return autoSessionName_; }
    void SetAutoSessionName(bool on);
    bool KeepConnections() const { return keepConnections_; }
    void SetKeepConnections(bool keep) { keepConnections_ = keep; }
    // While active: the engine session's directory in upper case.
    std::string PrivateDir() const;
    void SetPrivateDir(const std::string& dir);
    const std::string& SessionName() const { return sessionName_; }
    void SetSessionName(const std::string& name);
    void SetName(const std::string& name) override;
    bool IsDefault() const { return isDefault_; }

    // OnPassword(Sender, Continue): asked for a password of a protected
    // table; the handler adds passwords with AddTablePassword and sets
    // Continue to try again.
    std::function<void(TTabulaSession&, bool&)> OnPassword;
    std::function<void(TTabulaSession&)> OnStartup;

    // ---- Databases ----------------------------------------------------------
    // With an owner, first a database of that owner with HandleShared on;
    // otherwise the first database of the name (an empty name matches only
    // a temporary database).
    TTabulaDatabase* LookupDatabase(const std::string& name,
                                    const TComponent* owner = nullptr) const;
    // Finds or creates (temporary) the database, connects it and counts
    // one more user.
    TTabulaDatabase& AcquireDatabase(const std::string& name, const TComponent* owner = nullptr);
    // One user fewer; with none left and KeepConnection off, a persistent
    // database is disconnected and a temporary one freed.
    void ReleaseDatabase(TTabulaDatabase* database);
    const std::vector<TTabulaDatabase*>& Databases() const { return databases_; }

    // ---- Table passwords (compared case-sensitively) ---------------------------
    void AddTablePassword(const std::string& password);
    void RemoveTablePassword(const std::string& password);
    void ClearTablePasswords();

    // The answer to the engine's request for a password of a protected
    // table: Continue of OnPassword (called with false) when assigned,
    // otherwise the password dialog's answer.
    bool RequestPassword();
    // The password dialog the application installs; without one the
    // request is refused.
    static void SetPasswordDialog(std::function<bool(TTabulaSession&)> dialog);

    // ---- Session lock -----------------------------------------------------------
    void LockSession();
    void UnlockSession();
    // The engine session (nullptr while inactive).
    TFileSession* EngineSession() const { return engine_; }

protected:
    void Loaded() override;

private:
    friend class TTabulaSessionList;
    friend class TTabulaDatabase;
    struct DefaultTag {};
    TTabulaSession(TTabulaSessionList& list, DefaultTag);
    void Activate();
    void Deactivate();
    void AssignAutoName();
    void AddDatabase(TTabulaDatabase* database);
    void RemoveDatabase(TTabulaDatabase* database);

    TTabulaSessionList& list_;
    bool isDefault_ = false;
    TFileSession* engine_ = nullptr;
    std::unique_ptr<TFileSession> ownEngine_;
    std::vector<TTabulaDatabase*> databases_;
    std::string sessionName_;
    std::string privateDir_;
    bool keepConnections_ = true;
    bool autoSessionName_ = false;
    int autoNumber_ = -1;
    bool settingAutoName_ = false;
    bool streamedActive_ = false;
    int lockCount_ = 0;
};

// Holds a session's lock for a scope.
class TTabulaSessionLock {
public:
    explicit TTabulaSessionLock(TTabulaSession& session) : session_(session) {
        session_.LockSession();
    }
    ~TTabulaSessionLock() { session_.UnlockSession(); }
    TTabulaSessionLock(const TTabulaSessionLock&) = delete;
    TTabulaSessionLock& operator=(const TTabulaSessionLock&) = delete;

private:
    TTabulaSession& session_;
};

} // namespace tabula
