// TrpControl: a dialog-page object without a wrapped window control.
#include "TrpControl.h"

namespace report {

TrpControl::TrpControl() {
    NamePrefix = "Control";
}

void TrpControl::Draw(QPainter& canvas) {
    Canvas = &canvas;
    BeginDraw();
    PaintControl();
    EndDraw();
}

void TrpControl::PaintControl() {
    DrawBackground();
    DrawFrame();
}

} // namespace report
