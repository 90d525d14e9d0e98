// TrpTBButton: a speed button that starts flat.
#include "TrpTBButton.h"

namespace report {

TrpTBButton::TrpTBButton(QWidget* parent) : TrpSpeedButton(parent) {
    SetFlat(true);
}

} // namespace report
