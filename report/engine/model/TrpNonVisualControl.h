// TrpNonVisualControl: a dialog-page object without a window control.
#pragma once

#include "TrpControl.h"

namespace report {

class TrpNonVisualControl : public TrpControl {
public:
    std::string ClassName() const override { return "TrpNonVisualControl"; }
    void PaintControl() override {}
};

} // namespace report
