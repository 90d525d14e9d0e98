// Data links: following a data source.
#include "DataLink.h"

#include "DataSource.h"

#include <algorithm>

namespace tabula {

TDataLink::~TDataLink() {
    if (dataSource_) {
        auto& list = dataSource_->links_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
}

void TDataLink::SetDataSource(TDataSource* source) {
    if (source == dataSource_)
        return;
    if (dataSource_) {
        auto& list = dataSource_->links_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
    dataSource_ = source;
    if (dataSource_)
        dataSource_->links_.push_back(this);
    UpdateActive();
}

TDataSet* TDataLink::DataSet() const {
    return dataSource_ ? dataSource_->DataSet() : nullptr;
}

void TDataLink::UpdateActive() {
    const bool active = dataSource_ && dataSource_->State() != TDataSetState::dsInactive;
    const bool editing = active && (dataSource_->State() == TDataSetState::dsEdit ||
                                    dataSource_->State() == TDataSetState::dsInsert);
    if (active != active_) {
        active_ = active;
        ActiveChanged();
    }
    if (editing != editing_) {
        editing_ = editing;
        EditingChanged();
    }
}

void TDataLink::DataEvent(TDataEvent event, TField* field) {
    switch (event) {
    case TDataEvent::deUpdateState:
        UpdateActive();
        break;
    case TDataEvent::deFieldChange:
    case TDataEvent::deRecordChange:
        if (active_)
            RecordChanged(field);
        break;
    case TDataEvent::deDataSetChange:
        if (active_)
            DataSetChanged();
        break;
    case TDataEvent::deDataSetScroll:
        if (active_)
            DataSetScrolled();
        break;
    case TDataEvent::deLayoutChange:
        if (active_)
            LayoutChanged();
        break;
    case TDataEvent::deCheckBrowseMode:
        if (active_)
            CheckBrowseMode();
        break;
    case TDataEvent::deUpdateRecord:
        if (active_)
            UpdateData();
        break;
    case TDataEvent::dePropertyChange:
        break;
    }
}

} // namespace tabula
