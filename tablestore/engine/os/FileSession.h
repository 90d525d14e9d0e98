// The engine session: TFileSession, its password list, and engine start/stop.
//
// One engine session is current per process. StartEngine creates the
// default session and the engine's two critical sections; StopEngine frees
// them (and every in-memory file with the session). Other sessions may be
// created by the access layer and made current with SetCurrentSession.
//
// States of the engine:
//   Stopped --StartEngine--> Started --StopEngine--> Stopped
// StartEngine while Started does nothing. Session() and the private
// directory raise kErrNotInitialized while Stopped.
//
// Locking: the in-memory critical section (MemoryFileSection) guards every
// in-memory file operation and each session's in-memory file list. The
// second critical section exists with the engine and guards nothing here.
// The engine's own work runs on one thread; the current-session pointer is
// nevertheless atomic.
#pragma once

#include "MemoryFile.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace tabula {

// Context of the last engine error; each text is at most kErrorContextMax
// characters (longer texts are cut when stored).
inline constexpr std::size_t kErrorContextMax = 255;
inline constexpr std::size_t kPrivateDirMax = 255;
inline constexpr std::size_t kPasswordMax = 255;

struct TErrorContext {
    std::string FieldName;
    std::string FileName;
    std::string SqlText;
    std::string IndexName;
};

// Passwords given for protected tables. An empty password is never added;
// lookup and removal compare exactly (case-sensitive). A password added
// twice must be removed twice.
class TPasswordList {
public:
    void Add(const std::string& password);
    void Remove(const std::string& password);
    void Clear() { passwords_.clear(); }
    bool Has(const std::string& password) const;
    std::size_t Count() const { return passwords_.size(); }

private:
    std::vector<std::string> passwords_;
};

class TFileSession {
public:
    TFileSession() = default;
    TFileSession(const TFileSession&) = delete;
    TFileSession& operator=(const TFileSession&) = delete;

    const std::string& PrivateDir() const { return privateDir_; }
    // kErrInvalidPath for a directory longer than 255 characters.
    void SetPrivateDir(const std::string& dir);

    int LastErrorCode() const { return lastErrorCode_; }
    const TErrorContext& ErrorContext() const { return context_; }
    // Clears the context, then stores the code and the texts (each cut to
    // 255 characters).
    void SetLastError(int code, const TErrorContext& context);

    TMemoryFileList& MemoryFiles() { return memoryFiles_; }
    TPasswordList& Passwords() { return passwords_; }

private:
    std::string privateDir_;
    std::int16_t lastErrorCode_ = 0;
    TErrorContext context_;
    TMemoryFileList memoryFiles_;
    TPasswordList passwords_;
};

void StartEngine();
void StopEngine();
bool EngineStarted();
// The current session; kErrNotInitialized when the engine is not started.
TFileSession& Session();
// Makes another session current (nullptr returns to the default session).
void SetCurrentSession(TFileSession* session);
// The current session or nullptr; never raises.
TFileSession* CurrentSessionOrNull();

// The critical section of every in-memory file operation.
std::recursive_mutex& MemoryFileSection();

// Private directory of the current session (kErrNotInitialized when not started).
std::string GetPrivateDir();
void SetPrivateDir(const std::string& dir);

// Passwords of the current session.
void AddPassword(const std::string& password);
void RemovePassword(const std::string& password);
void RemoveAllPasswords();
bool HasPassword(const std::string& password);

// A fresh name for a temporary answer table: directory (the private
// directory when set or when the table is in memory, else the current
// directory) + the first five digits of the thread id + a counter + ".DAT",
// the counter counting up from 0 past every name already taken on disk or
// in the session's in-memory list.
std::string MakeAnswerTableName(bool inMemory);

} // namespace tabula
