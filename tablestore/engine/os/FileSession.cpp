// The engine session, its password list, engine start/stop and answer-table
// names.
//
// The default session is owned here from StartEngine to StopEngine; the
// current-session pointer points at it or at a session that the access layer
// owns and made current.
#include "FileSession.h"

#include "EngineCodes.h"
#include "EngineError.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace tabula {

namespace {

std::unique_ptr<TFileSession> gDefaultSession;
std::atomic<TFileSession*> gCurrentSession{nullptr};
std::mutex gStartLock;

std::string Cut(const std::string& text, std::size_t max) {
    return text.size() > max ? text.substr(0, max) : text;
}

bool DiskFileExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

} // namespace

void TPasswordList::Add(const std::string& password) {
    if (password.empty())
        return;
    passwords_.push_back(Cut(password, kPasswordMax));
}

void TPasswordList::Remove(const std::string& password) {
    auto it = std::find(passwords_.begin(), passwords_.end(), Cut(password, kPasswordMax));
    if (it != passwords_.end())
        passwords_.erase(it);
}

bool TPasswordList::Has(const std::string& password) const {
    if (password.empty())
        return false;
    return std::find(passwords_.begin(), passwords_.end(), Cut(password, kPasswordMax)) !=
           passwords_.end();
}

void TFileSession::SetPrivateDir(const std::string& dir) {
    if (dir.size() > kPrivateDirMax)
        RaiseEngineError(kErrInvalidPath, dir);
    privateDir_ = dir;
}

void TFileSession::SetLastError(int code, const TErrorContext& context) {
    context_ = TErrorContext{};
    lastErrorCode_ = static_cast<std::int16_t>(code);
    context_.FieldName = Cut(context.FieldName, kErrorContextMax);
    context_.FileName = Cut(context.FileName, kErrorContextMax);
    context_.SqlText = Cut(context.SqlText, kErrorContextMax);
    context_.IndexName = Cut(context.IndexName, kErrorContextMax);
}

std::recursive_mutex& MemoryFileSection() {
    static std::recursive_mutex section;
    return section;
}

void StartEngine() {
    std::lock_guard<std::mutex> guard(gStartLock);
    if (gDefaultSession)
        return;
    gDefaultSession = std::make_unique<TFileSession>();
    gCurrentSession = gDefaultSession.get();
}

void StopEngine() {
    std::lock_guard<std::mutex> guard(gStartLock);
    std::lock_guard<std::recursive_mutex> memoryGuard(MemoryFileSection());
    gCurrentSession = nullptr;
    gDefaultSession.reset();
}

bool EngineStarted() {
    return gCurrentSession.load() != nullptr;
}

TFileSession* CurrentSessionOrNull() {
    return gCurrentSession.load();
}

TFileSession& Session() {
    TFileSession* session = gCurrentSession.load();
    if (!session)
        RaiseEngineError(kErrNotInitialized);
    return *session;
}

void SetCurrentSession(TFileSession* session) {
    Session(); // kErrNotInitialized when not started
    gCurrentSession = session ? session : gDefaultSession.get();
}

std::string GetPrivateDir() {
    return Session().PrivateDir();
}
void SetPrivateDir(const std::string& dir) {
    Session().SetPrivateDir(dir);
}

void AddPassword(const std::string& password) {
    Session().Passwords().Add(password);
}
void RemovePassword(const std::string& password) {
    Session().Passwords().Remove(password);
}
void RemoveAllPasswords() {
    Session().Passwords().Clear();
}
bool HasPassword(const std::string& password) {
    return Session().Passwords().Has(password);
}

std::string MakeAnswerTableName(bool inMemory) {
    TFileSession& session = Session();
    std::string dir;
    if (!session.PrivateDir().empty() || inMemory) {
        dir = session.PrivateDir();
    } else {
        char buffer[4096];
        if (::getcwd(buffer, sizeof buffer))
            dir = buffer;
    }
    // An empty directory (an in-memory table without a private directory)
    // stays empty rather than turning into the root directory.
    if (!dir.empty() && dir.back() != '/')
        dir += '/';
    long long tid = static_cast<long long>(::gettid());
    std::string stem = std::to_string(std::llabs(tid)).substr(0, 5);

    std::lock_guard<std::recursive_mutex> guard(MemoryFileSection());
    for (long long n = 0;; ++n) {
        std::string name = dir + stem + std::to_string(n) + ".DAT";
        bool taken = inMemory ? session.MemoryFiles().Find(name) != nullptr : DiskFileExists(name);
        if (!taken)
            return name;
    }
}

} // namespace tabula
