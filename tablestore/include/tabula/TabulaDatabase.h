// TTabulaDatabase: a database component, nothing more than a named
// directory of tables within a session. Connecting touches no file: a wrong
// Directory shows only when a table is opened.
//
// States and transitions:
//
//   disconnected --Open / Connected := true--> connected
//     BeforeConnect; "Database name is missing." for a persistent database
//     without a name; bound to the session named by SessionName ("Session
//     name %s is not valid." when none) and that session activated; with
//     HandleShared on, the connection of a connected shared namesake in the
//     session is adopted; otherwise marked connected under the session lock.
//   connected --Close / Connected := false--> disconnected
//     every dataset using it is disconnected, the most recently added
//     first; the reference count drops to 0.
//
// A temporary database is created by a session for a dataset that names a
// database no component provides; it lives until the session releases its
// last user (with KeepConnection off) or is deactivated.
//
// Binding: the database is registered with one session at a time. A change
// of session checks the name there: a namesake (unless both share handles)
// is an error "Database name %s already exists." when persistent or in use
// (and the name is cleared), and is freed when it is an unused temporary one.
//
// Paths use "/" as the directory separator; a temporary database whose
// name contains "/" is itself the directory.
#pragma once

#include "Component.h"

#include <functional>
#include <string>
#include <vector>

namespace tabula {

class TTabulaSession;
class TTabulaDBDataSet;

class TTabulaDatabase : public TComponent {
public:
    explicit TTabulaDatabase(TComponent* owner = nullptr);
    ~TTabulaDatabase() override;

    std::string EngineVersion() const;
    void SetEngineVersion(const std::string&) {}

    bool Connected() const { return connected_; }
    void SetConnected(bool connected);
    void Open() { SetConnected(true); }
    void Close() { SetConnected(false); }
    const std::string& DatabaseName() const { return databaseName_; }
    void SetDatabaseName(const std::string& name);
    const std::string& Directory() const { return directory_; }
    void SetDirectory(const std::string& directory);
    bool HandleShared() const { return handleShared_; }
    void SetHandleShared(bool shared);
    bool KeepConnection() const { return keepConnection_; }
    void SetKeepConnection(bool keep);
    const std::string& SessionName() const { return sessionName_; }
    void SetSessionName(const std::string& name);

    std::function<void(TTabulaDatabase&)> BeforeConnect;

    // The session it is registered with (nullptr after that session died).
    TTabulaSession* Session() const { return session_; }
    bool Temporary() const { return temporary_; }
    int RefCount() const { return refCount_; }
    // The directory of the database's tables: for a temporary database whose
    // name is a path, the name; otherwise Directory.
    std::string GetDirectory() const;
    // The path handed to the data file for a table: GetDirectory without
    // leading and trailing blanks, a "/" appended when it is not empty and
    // does not end in one, then the table name unchanged. kErrInvalidPath (invalid
    // path) when the result exceeds 255 characters.
    std::string TablePath(const std::string& tableName) const;

    // Datasets using the database, in the order they began to.
    const std::vector<TTabulaDBDataSet*>& DataSets() const { return dataSets_; }
    void AddDataSet(TTabulaDBDataSet* dataSet);
    void RemoveDataSet(TTabulaDBDataSet* dataSet);
    // Moves to the session named by SessionName if that exists and differs
    // (activating it when activate is set).
    void BindSession(bool activate);

protected:
    void Loaded() override;

private:
    friend class TTabulaSession;
    void Connect();
    void Disconnect();
    // The duplicate-name rule in the current session.
    void CheckDuplicateName();

    TTabulaSession* session_ = nullptr;
    std::vector<TTabulaDBDataSet*> dataSets_;
    std::string databaseName_;
    std::string directory_;
    std::string sessionName_;
    bool connected_ = false;
    bool handleShared_ = false;
    bool keepConnection_ = true;
    bool temporary_ = false;
    bool streamedConnected_ = false;
    int refCount_ = 0;
};

} // namespace tabula
