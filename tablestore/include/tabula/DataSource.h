// TDataSource: the connector between one dataset and the data links
// (controls, master–detail links, report links) that follow it.
//
// The dataset sends its events (TDataEvent) to every data source attached
// to it; the source passes them on to its links while Enabled. Attaching
// and detaching keeps both sides' lists consistent; destroying either side
// detaches it. A source never owns its dataset or its links.
#pragma once

#include "Component.h"
#include "DataSet.h"

#include <functional>
#include <vector>

namespace tabula {

class TDataLink;

class TDataSource : public TComponent {
public:
    explicit TDataSource(TComponent* owner = nullptr);
    ~TDataSource() override;

    TDataSet* DataSet() const { return dataSet_; }
    void SetDataSet(TDataSet* dataSet);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    // The dataset's state, inactive without a dataset or while disabled.
    TDataSetState State() const;
    // Whether following masters from this source leads back to dataSet.
    bool IsLinkedTo(const TDataSet* dataSet) const;

    std::function<void(TDataSource&, TField*)> OnDataChange;
    std::function<void(TDataSource&)> OnStateChange;

private:
    friend class TDataSet;
    friend class TDataLink;
    void DataEvent(TDataEvent event, TField* field);
    void NotifyLinksActive();

    TDataSet* dataSet_ = nullptr;
    bool enabled_ = true;
    TDataSetState lastState_ = TDataSetState::dsInactive;
    std::vector<TDataLink*> links_;
};

} // namespace tabula
