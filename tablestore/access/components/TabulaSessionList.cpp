// The process-wide session list and the default session.
#include "TabulaSessionList.h"

#include "AccessMessages.h"
#include "TabulaSession.h"

#include <algorithm>

namespace tabula {

TTabulaSessionList& TTabulaSessionList::Instance() {
    // Made once and never freed: sessions and databases may be destroyed
    // during program exit in any order, and must still find the list.
    static TTabulaSessionList* list = [] {
        auto* made = new TTabulaSessionList();
        made->default_ = new TTabulaSession(*made, TTabulaSession::DefaultTag{});
        return made;
    }();
    return *list;
}

void TTabulaSessionList::Add(TTabulaSession* session) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    if (sessions_.empty())
        session->isDefault_ = true;
    sessions_.push_back(session);
}

void TTabulaSessionList::Remove(TTabulaSession* session) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    sessions_.erase(std::remove(sessions_.begin(), sessions_.end(), session), sessions_.end());
}

std::vector<TTabulaSession*> TTabulaSessionList::Sessions() const {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return sessions_;
}

TTabulaSession* TTabulaSessionList::LookupSession(const std::string& name) const {
    if (name.empty())
        return default_;
    std::lock_guard<std::recursive_mutex> guard(lock_);
    for (TTabulaSession* session : sessions_) {
        if (SameName(session->SessionName(), name))
            return session;
    }
    return nullptr;
}

TTabulaSession& TTabulaSessionList::RequireSession(const std::string& name) const {
    TTabulaSession* session = LookupSession(name);
    if (!session)
        msg::Raise(msg::kSessionNameInvalid, name);
    return *session;
}

TTabulaSession* TTabulaSessionList::AutoSessionOf(const TComponent* owner) const {
    if (!owner)
        return nullptr;
    std::lock_guard<std::recursive_mutex> guard(lock_);
    for (TTabulaSession* session : sessions_) {
        if (session->Owner() == owner && session->AutoSessionName())
            return session;
    }
    return nullptr;
}

int TTabulaSessionList::AllocateAutoNumber() {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    for (std::size_t i = 0; i < autoNumbers_.size(); ++i) {
        if (!autoNumbers_[i]) {
            autoNumbers_[i] = true;
            return static_cast<int>(i);
        }
    }
    autoNumbers_.push_back(true);
    return static_cast<int>(autoNumbers_.size() - 1);
}

void TTabulaSessionList::FreeAutoNumber(int number) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    if (number >= 0 && static_cast<std::size_t>(number) < autoNumbers_.size())
        autoNumbers_[static_cast<std::size_t>(number)] = false;
}

TTabulaSession& DefaultSession() {
    return TTabulaSessionList::Instance().DefaultSession();
}

TTabulaSession* LookupSession(const std::string& name) {
    return TTabulaSessionList::Instance().LookupSession(name);
}

TTabulaSession& RequireSession(const std::string& name) {
    return TTabulaSessionList::Instance().RequireSession(name);
}

} // namespace tabula
