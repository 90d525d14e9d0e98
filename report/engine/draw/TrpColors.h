// Platform colour values to Qt colours. A plain value is 0x00BBGGRR; a
// system colour (high bit set) is looked up by its index in the classic
// default scheme, an unknown index reads as black. The no-colour value is
// the caller's business: it means "do not paint".
#pragma once

#include "TrpObjectCodes.h"

#include <QColor>

namespace report {

QColor ToQColor(TrpColor color);

} // namespace report
