// TrpDBDataSet: the report dataset that walks a table-store dataset.
//
// The table dataset is named either directly (DataSet) or through a data
// source (DataSource); setting one clears the other (setting an empty data
// source leaves DataSet as it is). Both references are held through the
// dataset framework's own connectors - a private data source on the
// dataset, a data link on the data source - so that a dataset or data
// source destroyed elsewhere leaves the reference cleared rather than
// dangling. The dataset a walk uses is the data source's dataset when the
// source has one, else DataSet; with neither, EDSError.
//
// Walk states: idle --OpenRange--> walking --CloseRange--> idle.
// OpenRange opens the dataset (OpenDataSource), calls OnOpen, remembers the
// current record in StartBookmark and clears RangeEndReached. CloseRange
// returns to StartBookmark when the range began or ends at the current
// record, forgets it, calls OnClose and closes the dataset
// (CloseDataSource). One bookmark is held per walk.
//
// The range:
//   rbFirst    First moves the dataset to its first record;
//   rbCurrent  First returns to StartBookmark;
//   reLast     the walk ends with the dataset's end of data;
//   reCurrent  Next on the start record does not move: it sets
//              RangeEndReached, which ends the walk. So with rbCurrent the
//              walk visits exactly the start record. With rbFirst, Next
//              moves on normally until the start record has been visited,
//              so the walk covers the first record up to the start record
//              (or the end of data if the start record is gone);
//   reCount    as in TrpDataset, or the end of data if that comes first.
#pragma once

#include "TrpDataset.h"
#include "tabula/DataLink.h"
#include "tabula/DataSet.h"
#include "tabula/DataSource.h"

namespace report {

class TrpDBDataSet : public TrpDataset {
public:
    explicit TrpDBDataSet(tabula::TComponent* owner = nullptr);
    ~TrpDBDataSet() override;

    tabula::TDataSet* DataSet() const { return ownSource_.DataSet(); }
    void SetDataSet(tabula::TDataSet* dataSet);
    tabula::TDataSource* DataSource() const { return sourceLink_.DataSource(); }
    void SetDataSource(tabula::TDataSource* source);

    bool OpenDataSource = true;
    bool CloseDataSource = false;
    TNotifyEvent OnOpen, OnClose;

    const tabula::TBookmark& StartBookmark() const { return startBookmark_; }
    bool RangeEndReached() const { return rangeEndReached_; }

    // The table dataset a walk uses; EDSError when there is none.
    tabula::TDataSet& GetDataSet() const;

    void OpenRange() override;
    void CloseRange() override;
    void First() override;
    void Next() override;
    void Prior() override;
    bool Eof() override;
    // The walk ended by its range or by "OnCheckEOF" after the last Next
    // moved the wrapped dataset onto a further record.
    bool PastWalkEnd() override;

private:
    void Open();
    void Close();
    void ReturnToStart(tabula::TDataSet& dataSet);

    // Follows the data source without reacting to its events.
    class TSourceLink : public tabula::TDataLink {};

    tabula::TDataSource ownSource_;
    TSourceLink sourceLink_;
    tabula::TBookmark startBookmark_;
    bool holdsBookmark_ = false;
    bool rangeEndReached_ = false;
};

} // namespace report
