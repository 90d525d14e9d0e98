// TrpTBButton: the toolbar form of TrpSpeedButton. It starts flat; a
// toolbar places it from the left (or from the top in an upright one).
#pragma once

#include "TrpSpeedButton.h"

namespace report {

class TrpTBButton : public TrpSpeedButton {
    Q_OBJECT

public:
    explicit TrpTBButton(QWidget* parent = nullptr);
};

} // namespace report
