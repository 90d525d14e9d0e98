// TrpControl: the base of dialog-page objects that wrap a window control.
// They exist only as registered extension classes (type 10); this system
// registers none, so no window control is ever made. PaintControl stands in
// for painting the control into the object's rectangle.
#pragma once

#include "TrpView.h"

namespace report {

class TrpControl : public TrpView {
public:
    TrpControl();

    std::string ClassName() const override { return "TrpControl"; }

    void Draw(QPainter& canvas) override;
    // Paints the wrapped control into the object's rectangle; without a
    // control it draws the fill and the frame only.
    virtual void PaintControl();
};

} // namespace report
