// TfmMain: frame layout, banner pictures and child window creation.
#include "u_main.h"

#include "ShortDateFormat.h"
#include "u_Morvane.h"
#include "u_MorvaneLogon.h"

#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStatusBar>
#include <QVBoxLayout>

namespace morvane {

namespace {

const QColor kFrameColor(204, 153, 204);
const QColor kStatusColor(121, 60, 102);
constexpr int kLeftBannerWidth = 420;

// A banner picture stretched to fill its place. The pictures are JPEG
// images compiled into the program; if they cannot be decoded the banner
// stays plain.
QLabel* BannerPicture(const QString& name, const QString& resource, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setScaledContents(true);
    label->setMinimumWidth(1);
    QImageReader reader(resource, "jpeg");
    const QImage image = reader.read();
    if (!image.isNull())
        label->setPixmap(QPixmap::fromImage(image));
    return label;
}

} // namespace

TfmMain::TfmMain(const QString& dataDir, QWidget* parent) : QMainWindow(parent), dataDir_(dataDir) {
    setObjectName(QStringLiteral("fmMain"));
    SetProgramShortDateFormat();
    setWindowTitle(QStringLiteral("Version 1.0.0"));
    // System menu and minimize only: no maximize button.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* banner = new QWidget(central);
    banner->setObjectName(QStringLiteral("Panel1"));
    banner->setFixedHeight(kBannerHeight);
    auto* pictures = new QHBoxLayout(banner);
    pictures->setContentsMargins(0, 0, 0, 0);
    pictures->setSpacing(0);
    QLabel* left =
        BannerPicture(QStringLiteral("Image1"), QStringLiteral(":/banner_left.jpg"), banner);
    left->setFixedWidth(kLeftBannerWidth);
    pictures->addWidget(left);
    pictures->addWidget(
        BannerPicture(QStringLiteral("Image2"), QStringLiteral(":/banner_right.jpg"), banner), 1);
    column->addWidget(banner);

    mdiArea_ = new QMdiArea(central);
    mdiArea_->setObjectName(QStringLiteral("MDIClient"));
    mdiArea_->setBackground(kFrameColor);
    column->addWidget(mdiArea_, 1);
    setCentralWidget(central);

    auto* status = new QStatusBar(this);
    status->setObjectName(QStringLiteral("StatusBar1"));
    status->setFixedHeight(kStatusHeight);
    status->setSizeGripEnabled(false);
    status->setAutoFillBackground(true);
    QPalette sp = status->palette();
    sp.setColor(QPalette::Window, kStatusColor);
    status->setPalette(sp);
    auto* datePanel = new QLabel(status);
    datePanel->setObjectName(QStringLiteral("DatePanel"));
    datePanel->setFixedWidth(kDatePanelWidth);
    datePanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    status->addPermanentWidget(datePanel);
    setStatusBar(status);
}

QMdiSubWindow* TfmMain::AddChild(QWidget* child) {
    QMdiSubWindow* frame = mdiArea_->addSubWindow(child);
    frame->setAttribute(Qt::WA_DeleteOnClose);
    frame->setWindowTitle(child->windowTitle());
    frame->showMaximized();
    mdiArea_->setActiveSubWindow(frame);
    return frame;
}

TfmLogOn* TfmMain::CreateLogOn() {
    auto* logOn = new TfmLogOn(dataDir_, [this] { OpenValidationWindow(); });
    AddChild(logOn);
    return logOn;
}

TfmMorvane* TfmMain::OpenValidationWindow() {
    auto* window = new TfmMorvane(dataDir_);
    QMdiSubWindow* frame = AddChild(window);
    window->MinimizeOnClose(frame);
    return window;
}

} // namespace morvane
