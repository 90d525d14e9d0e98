// TrpHighlightScope: while a text object's highlight condition evaluates to
// nonzero, its font style, font colour and fill colour are replaced by the
// highlight's for one printing (or measuring) of the object; leaving the
// scope puts the object's own attributes back.
#pragma once

#include "TrpObjectCodes.h"

#include <cstdint>

namespace report {

class TrpMemoView;

class TrpHighlightScope {
public:
    explicit TrpHighlightScope(TrpMemoView& view);
    ~TrpHighlightScope();
    TrpHighlightScope(const TrpHighlightScope&) = delete;
    TrpHighlightScope& operator=(const TrpHighlightScope&) = delete;

    bool Active() const { return active_; }

private:
    TrpMemoView& view_;
    bool active_ = false;
    std::int16_t style_ = 0;
    TrpColor fontColor_ = 0, fillColor_ = 0;
};

} // namespace report
