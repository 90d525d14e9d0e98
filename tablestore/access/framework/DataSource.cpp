// Data sources: attaching to datasets and passing their events on.
#include "DataSource.h"

#include "DataLink.h"

#include <algorithm>

namespace tabula {

TDataSource::TDataSource(TComponent* owner) : TComponent(owner) {}

TDataSource::~TDataSource() {
    SetDataSet(nullptr);
    const std::vector<TDataLink*> links = links_;
    for (TDataLink* link : links)
        link->SetDataSource(nullptr);
}

void TDataSource::SetDataSet(TDataSet* dataSet) {
    if (dataSet == dataSet_)
        return;
    if (dataSet_) {
        auto& list = dataSet_->dataSources_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
    dataSet_ = dataSet;
    if (dataSet_)
        dataSet_->dataSources_.push_back(this);
    NotifyLinksActive();
}

void TDataSource::SetEnabled(bool enabled) {
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    NotifyLinksActive();
}

TDataSetState TDataSource::State() const {
    if (!dataSet_ || !enabled_)
        return TDataSetState::dsInactive;
    return dataSet_->State();
}

bool TDataSource::IsLinkedTo(const TDataSet* dataSet) const {
    const TDataSource* source = this;
    // A chain longer than the number of sources possible is a loop that does
    // not pass through dataSet; the bound keeps the walk finite.
    for (int steps = 0; source && steps < 10000; ++steps) {
        const TDataSet* current = source->dataSet_;
        if (!current)
            return false;
        if (current == dataSet)
            return true;
        source = current->GetDataSource();
    }
    return false;
}

void TDataSource::NotifyLinksActive() {
    lastState_ = State();
    const std::vector<TDataLink*> links = links_;
    for (TDataLink* link : links)
        link->UpdateActive();
}

void TDataSource::DataEvent(TDataEvent event, TField* field) {
    if (event == TDataEvent::deUpdateState) {
        const TDataSetState state = State();
        const bool activeChanged =
            (state == TDataSetState::dsInactive) != (lastState_ == TDataSetState::dsInactive);
        lastState_ = state;
        if (activeChanged) {
            NotifyLinksActive();
        }
        if (OnStateChange)
            OnStateChange(*this);
    }
    if (!enabled_)
        return;
    const std::vector<TDataLink*> links = links_;
    for (TDataLink* link : links)
        link->DataEvent(event, field);
    if (OnDataChange &&
        (event == TDataEvent::deFieldChange || event == TDataEvent::deRecordChange ||
         event == TDataEvent::deDataSetChange || event == TDataEvent::deDataSetScroll ||
         event == TDataEvent::deLayoutChange))
        OnDataChange(*this, event == TDataEvent::deFieldChange ? field : nullptr);
}

} // namespace tabula
