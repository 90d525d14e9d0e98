// TDataLink: a follower of a data source. Subclasses override the
// notifications they need; the base does nothing in each.
//
// Notifications: ActiveChanged when the dataset opens or closes (or the
// link moves to another source); RecordChanged(field) when a field of the
// current record changed (field null: the whole record); DataSetChanged
// after a structural change (open, post, cancel, delete, first, locate);
// DataSetScrolled after next and prior; LayoutChanged when the fields
// change; EditingChanged when edit or insert state begins or ends;
// CheckBrowseMode before the dataset leaves a record; UpdateData when
// pending control values must be written into the record.
#pragma once

#include "DataSet.h"

namespace tabula {

class TDataSource;

class TDataLink {
public:
    TDataLink() = default;
    virtual ~TDataLink();
    TDataLink(const TDataLink&) = delete;
    TDataLink& operator=(const TDataLink&) = delete;

    TDataSource* DataSource() const { return dataSource_; }
    void SetDataSource(TDataSource* source);
    TDataSet* DataSet() const;
    // A source with an open dataset, enabled.
    bool Active() const { return active_; }
    bool Editing() const { return editing_; }

protected:
    virtual void ActiveChanged() {}
    virtual void RecordChanged(TField*) {}
    virtual void DataSetChanged() {}
    virtual void DataSetScrolled() {}
    virtual void LayoutChanged() {}
    virtual void EditingChanged() {}
    virtual void CheckBrowseMode() {}
    virtual void UpdateData() {}

private:
    friend class TDataSource;
    void DataEvent(TDataEvent event, TField* field);
    void UpdateActive();

    TDataSource* dataSource_ = nullptr;
    bool active_ = false;
    bool editing_ = false;
};

} // namespace tabula
