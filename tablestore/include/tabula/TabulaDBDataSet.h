// TTabulaDBDataSet: a dataset bound to a database of a session by name
// (DatabaseName, SessionName), with the usage flags that keep the database
// acquired.
//
// Usage flags (bits of a 16-bit set):
//   UseCursor 0     the dataset's cursor is open
//   UsePrepared 1   a query statement is prepared
//   UseExecute 2    a statement runs without a result set
//   UseEmpty 3      an inactive table is being emptied
//   UseFieldList 4  field definitions of an inactive table are being read
//   UseIndexList 5  index definitions are being read
// Setting the first flag acquires the database from the session named by
// SessionName ("Session name %s is not valid." when none) and registers the
// dataset with it; clearing the last one unregisters it and releases the
// database. Setting a set flag or clearing a clear one does nothing.
//
// While a flag is set the dataset holds its database; the database then
// cannot be renamed from the dataset ("Cannot perform this operation on an
// open database.").
#pragma once

#include "TabulaDataSet.h"

#include <cstdint>
#include <string>

namespace tabula {

class TTabulaDatabase;
class TTabulaSession;

enum TUsageFlag : int {
    UseCursor = 0,
    UsePrepared = 1,
    UseExecute = 2,
    UseEmpty = 3,
    UseFieldList = 4,
    UseIndexList = 5,
};

class TTabulaDBDataSet : public TTabulaDataSet {
public:
    explicit TTabulaDBDataSet(TComponent* owner = nullptr);
    ~TTabulaDBDataSet() override;

    const std::string& DatabaseName() const { return databaseName_; }
    void SetDatabaseName(const std::string& name);
    const std::string& SessionName() const { return sessionName_; }
    void SetSessionName(const std::string& name);
    // The acquired database (nullptr while no flag is set).
    TTabulaDatabase* Database() const { return database_; }
    std::uint16_t UsageFlags() const { return usageFlags_; }
    bool HasUsageFlag(TUsageFlag flag) const { return (usageFlags_ >> flag) & 1u; }

    // Closes the dataset (the database disconnects it).
    virtual void Disconnect() { Close(); }
    virtual void SetUsageFlag(TUsageFlag flag, bool on);

private:
    friend class TTabulaDatabase;
    // The database is being destroyed under the dataset.
    void DatabaseGone(TTabulaDatabase* database);
    void Acquire();

    std::string databaseName_;
    std::string sessionName_;
    TTabulaDatabase* database_ = nullptr;
    std::uint16_t usageFlags_ = 0;
};

} // namespace tabula
