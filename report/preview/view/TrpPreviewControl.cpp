// The embedded preview control.
#include "TrpPreviewControl.h"

namespace report {

TrpPreviewControl::TrpPreviewControl(QWidget* parent) : TrpPreviewForm(parent) {
    embedded_ = true;
    setWindowFlags(Qt::Widget);
}

void TrpPreviewControl::Connect(TrpReport& report) {
    Attach(report);
}

} // namespace report
