// The preview toolbar's pictures, drawn at start-up: one 18 x 18 image
// each on a transparent-colour background (the bottom-left pixel).
#pragma once

#include <QImage>

namespace report {

enum class TrpPreviewIcon { Open, Save, Print, PageSetup, Find, Help, Exit, Up, Down };

QImage PreviewIcon(TrpPreviewIcon icon);

} // namespace report
