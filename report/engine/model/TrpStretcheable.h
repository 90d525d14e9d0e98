// TrpStretcheable: a report object whose height can follow its content.
// ActualHeight is the height computed for the current content.
#pragma once

#include "TrpView.h"

namespace report {

class TrpStretcheable : public TrpView {
public:
    std::int32_t ActualHeight = 0;

    // Height needed for the current content.
    virtual std::int32_t CalcHeight() = 0;
    // Smallest height a split part may have.
    virtual std::int32_t MinHeight() = 0;
    // Height of what is left to print.
    virtual std::int32_t RemainHeight() = 0;
};

} // namespace report
