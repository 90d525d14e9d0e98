// TrpPreviewControl: the preview placed inside another window (a report's
// "Preview" control). It is the preview window's page area and toolbar as a
// child widget: Connect takes the report's prepared pages like the window
// does; it keeps no bounds, shows no help or close button, and Escape
// leaves it alone.
#pragma once

#include "TrpPreviewForm.h"
#include "TrpPreviewSeam.h"

namespace report {

class TrpPreviewControl : public TrpPreviewForm, public TrpPreview {
    Q_OBJECT

public:
    explicit TrpPreviewControl(QWidget* parent = nullptr);

    void Connect(TrpReport& report) override;
};

} // namespace report
