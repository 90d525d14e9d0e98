// TTabulaSessionList: the process-wide list of session components, the
// default session "Default", the auto-session number set and the session
// lock.
//
// The list is made at the first call of Instance(), which also creates the
// default session (no owner, SessionName "Default"); being the first session
// added, it is the default session, the only one that starts and stops the
// engine. The list and the default session live for the rest of the process.
//
// Locking: Lock() is the one re-entrant critical section (the session lock)
// that serialises every engine call a session makes, activation and
// deactivation, and the auto-session numbers. Sessions are added and
// removed under it.
#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace tabula {

class TComponent;
class TTabulaSession;

class TTabulaSessionList {
public:
    static TTabulaSessionList& Instance();
    TTabulaSessionList(const TTabulaSessionList&) = delete;
    TTabulaSessionList& operator=(const TTabulaSessionList&) = delete;

    TTabulaSession& DefaultSession() const { return *default_; }
    // The default session for an empty name; else the first session whose
    // SessionName equals name ignoring case; nullptr when none.
    TTabulaSession* LookupSession(const std::string& name) const;
    // As LookupSession; "Session name %s is not valid." when none.
    TTabulaSession& RequireSession(const std::string& name) const;
    // The session on owner with AutoSessionName on, if any.
    TTabulaSession* AutoSessionOf(const TComponent* owner) const;
    std::vector<TTabulaSession*> Sessions() const;
    std::recursive_mutex& Lock() { return lock_; }

private:
    friend class TTabulaSession;
    TTabulaSessionList() = default;
    void Add(TTabulaSession* session);
    void Remove(TTabulaSession* session);
    // The lowest free auto-session number, marked used.
    int AllocateAutoNumber();
    void FreeAutoNumber(int number);

    mutable std::recursive_mutex lock_;
    std::vector<TTabulaSession*> sessions_;
    std::vector<bool> autoNumbers_;
    TTabulaSession* default_ = nullptr;
};

// Shorthands for the list's operations.
TTabulaSession& DefaultSession();
TTabulaSession* LookupSession(const std::string& name);
TTabulaSession& RequireSession(const std::string& name);

} // namespace tabula
