// TrpDBDataSet: a walk over a table-store dataset with its range and its
// start bookmark.
#include "TrpDBDataSet.h"

#include "TrpDataErrors.h"

namespace report {

TrpDBDataSet::TrpDBDataSet(tabula::TComponent* owner) : TrpDataset(owner) {}

TrpDBDataSet::~TrpDBDataSet() {
    MarkDestroying();
}

void TrpDBDataSet::SetDataSet(tabula::TDataSet* dataSet) {
    ownSource_.SetDataSet(dataSet);
    sourceLink_.SetDataSource(nullptr);
}

void TrpDBDataSet::SetDataSource(tabula::TDataSource* source) {
    sourceLink_.SetDataSource(source);
    if (source)
        ownSource_.SetDataSet(nullptr);
}

tabula::TDataSet& TrpDBDataSet::GetDataSet() const {
    if (tabula::TDataSource* source = DataSource(); source && source->DataSet())
        return *source->DataSet();
    if (tabula::TDataSet* dataSet = DataSet())
        return *dataSet;
    throw EDSError(kUnableToOpenDataset + Name());
}

void TrpDBDataSet::Open() {
    tabula::TDataSet& dataSet = GetDataSet();
    if (OpenDataSource)
        dataSet.Open();
    if (OnOpen)
        OnOpen(*this);
}

void TrpDBDataSet::Close() {
    if (OnClose)
        OnClose(*this);
    if (CloseDataSource)
        GetDataSet().Close();
}

void TrpDBDataSet::OpenRange() {
    Open();
    tabula::TDataSet& dataSet = GetDataSet();
    // A dataset left closed (OpenDataSource off) has no current record.
    startBookmark_ = dataSet.Active() ? dataSet.GetBookmark() : tabula::TBookmark{};
    holdsBookmark_ = true;
    rangeEndReached_ = false;
}

void TrpDBDataSet::ReturnToStart(tabula::TDataSet& dataSet) {
    const bool backToStart =
        RangeBegin == TRangeBegin::rbCurrent || RangeEnd == TRangeEnd::reCurrent;
    if (backToStart && dataSet.Active())
        dataSet.GotoBookmark(startBookmark_);
}

void TrpDBDataSet::CloseRange() {
    if (holdsBookmark_) {
        // The bookmark is forgotten and the dataset closed even when the
        // start record can no longer be reached (deleted meanwhile).
        try {
            ReturnToStart(GetDataSet());
        } catch (...) {
            startBookmark_.clear();
            holdsBookmark_ = false;
            Close();
            throw;
        }
        startBookmark_.clear();
        holdsBookmark_ = false;
    }
    Close();
}

void TrpDBDataSet::First() {
    tabula::TDataSet& dataSet = GetDataSet();
    if (RangeBegin == TRangeBegin::rbFirst)
        dataSet.First();
    else
        dataSet.GotoBookmark(startBookmark_);
    rangeEndReached_ = false;
    TrpDataset::First();
}

void TrpDBDataSet::Next() {
    tabula::TDataSet& dataSet = GetDataSet();
    if (RangeEnd == TRangeEnd::reCurrent &&
        dataSet.CompareBookmarks(dataSet.GetBookmark(), startBookmark_) == 0) {
        rangeEndReached_ = true;
        return;
    }
    rangeEndReached_ = false;
    dataSet.Next();
    TrpDataset::Next();
}

void TrpDBDataSet::Prior() {
    GetDataSet().Prior();
    TrpDataset::Prior();
}

bool TrpDBDataSet::Eof() {
    const bool base = TrpDataset::Eof();
    return base || GetDataSet().Eof() || rangeEndReached_;
}

bool TrpDBDataSet::PastWalkEnd() {
    return Eof() && !GetDataSet().Eof() && !rangeEndReached_ && RecordNo() > 0;
}

} // namespace report
