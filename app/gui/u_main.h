// TfmMain: the main frame. A maximized window without a maximize button,
// captioned "Version 1.0.0", with a banner of two pictures across the top,
// a status strip with an empty date panel across the bottom, and between
// them the area that holds the child windows: first the logon window, then
// one validation window per successful logon, each opened maximized.
//
// Closing the frame ends the program and destroys every child window. The
// logon window is destroyed when the user closes it; validation windows only
// minimize.
#pragma once

#include <QMainWindow>
#include <QString>

class QMdiArea;
class QMdiSubWindow;
class QStatusBar;

namespace morvane {

class TfmLogOn;
class TfmMorvane;

class TfmMain : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kBannerHeight = 66;
    static constexpr int kStatusHeight = 22;
    static constexpr int kDatePanelWidth = 187;

    // dataDir: the Data/ directory beside the executable.
    explicit TfmMain(const QString& dataDir, QWidget* parent = nullptr);

    // Creates the logon window inside the frame (start-up step 3).
    TfmLogOn* CreateLogOn();
    // Creates one more validation window and shows it in front.
    TfmMorvane* OpenValidationWindow();

    QMdiArea* ClientArea() const { return mdiArea_; }

private:
    QMdiSubWindow* AddChild(QWidget* child);

    QString dataDir_;
    QMdiArea* mdiArea_ = nullptr;
};

} // namespace morvane
