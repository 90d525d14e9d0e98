// TrpDataset: the report dataset a data band walks, and the base of the
// table-backed TrpDBDataSet and the event-driven TrpUserDataset.
//
// A walk is OpenRange, First, then Eof / Next until Eof answers true, then
// CloseRange. RecordNo counts the Next steps since First (Prior counts
// back). The range decides where the walk ends:
//   reLast     when the data ends (only a subclass with data knows; the
//              base never ends by itself unless OnCheckEOF says so);
//   reCount    after RangeEndCount Next steps: Eof is RecordNo >=
//              RangeEndCount, and OnNext is not called for the step that
//              reaches the count (nor for later ones);
//   reCurrent  at the record that was current when the walk was opened
//              (TrpDBDataSet).
// RangeBegin (rbFirst, rbCurrent) matters only to subclasses with data.
//
// Events are plain callables; an empty one is skipped. OnFirst / OnNext /
// OnPrior are called after the move; OnCheckEOF may change the end answer.
#pragma once

#include "tabula/Component.h"

#include <functional>

namespace report {

enum class TRangeBegin { rbFirst, rbCurrent };
enum class TRangeEnd { reLast, reCurrent, reCount };

class TrpDataset : public tabula::TComponent {
public:
    using TNotifyEvent = std::function<void(TrpDataset& sender)>;
    using TCheckEOFEvent = std::function<void(TrpDataset& sender, bool& eof)>;

    explicit TrpDataset(tabula::TComponent* owner = nullptr);

    TRangeBegin RangeBegin = TRangeBegin::rbFirst;
    TRangeEnd RangeEnd = TRangeEnd::reLast;
    int RangeEndCount = 0;
    TNotifyEvent OnFirst, OnNext, OnPrior;
    TCheckEOFEvent OnCheckEOF;

    int RecordNo() const { return recordNo_; }

    virtual void OpenRange() {}
    virtual void CloseRange() {}
    virtual void First();
    virtual void Next();
    virtual void Prior();
    virtual bool Eof();
    // At the end of a walk: whether the data stands on a record past the
    // walk's last one (a range that ended before the data did), so that
    // stepping back with Prior puts it on the last record walked. Without
    // data of its own, never.
    virtual bool PastWalkEnd() { return false; }

private:
    int recordNo_ = 0;
};

} // namespace report
