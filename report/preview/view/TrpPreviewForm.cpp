// TrpPreviewForm: construction, showing, layout, paging and scrolling.
#include "TrpPreviewForm.h"
#include "TrpPreviewSeams.h"

#include "TrpPBox.h"
#include "TrpPreviewHelp.h"
#include "TrpPreviewIcons.h"
#include "TrpPrinter.h"
#include "TrpReport.h"
#include "TrpTBButton.h"
#include "TrpTBSeparator.h"

#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QWhatsThis>
#include <cmath>

namespace report {
namespace {

const char* const kHelpProperty = "HelpContext";

void SetHelp(QWidget* widget, int number) {
    widget->setProperty(kHelpProperty, number);
    widget->setWhatsThis(PreviewHelpText(number));
}

TrpTBButton* ToolButton(QWidget* bar, const char* tip, int help) {
    auto* button = new TrpTBButton(bar);
    button->resize(TrpPreviewForm::kButtonSize, TrpPreviewForm::kButtonSize);
    if (tip)
        button->setToolTip(tip);
    if (help)
        SetHelp(button, help);
    return button;
}

TrpTBButton* ToolButton(QWidget* bar, TrpPreviewIcon icon, const char* tip, int help) {
    TrpTBButton* button = ToolButton(bar, tip, help);
    button->SetPicture(PreviewIcon(icon));
    return button;
}

TrpTBSeparator* Gap(QWidget* bar) {
    auto* gap = new TrpTBSeparator(bar);
    gap->resize(TrpPreviewForm::kGapWidth, TrpPreviewForm::kButtonSize);
    return gap;
}

QString ZoomItemCaption(int tag) {
    switch (tag) {
    case kZoomTagPageWidth:
        return "&Page width";
    case kZoomTagOnePage:
        return "&Whole page";
    case kZoomTagTwoPages:
        return "&Two pages";
    default:
        return QString::number(tag) + "%";
    }
}

TrpZoomMode ModeOfTag(int tag) {
    switch (tag) {
    case kZoomTagPageWidth:
        return TrpZoomMode::PageWidth;
    case kZoomTagOnePage:
        return TrpZoomMode::OnePage;
    case kZoomTagTwoPages:
        return TrpZoomMode::TwoPages;
    default:
        return TrpZoomMode::Percent;
    }
}

int TagOfMode(TrpZoomMode mode) {
    switch (mode) {
    case TrpZoomMode::PageWidth:
        return kZoomTagPageWidth;
    case TrpZoomMode::OnePage:
        return kZoomTagOnePage;
    case TrpZoomMode::TwoPages:
        return kZoomTagTwoPages;
    case TrpZoomMode::Percent:
        break;
    }
    return 0;
}

} // namespace

TrpPreviewForm::TrpPreviewForm(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Preview");
    setObjectName("TrpPreviewForm");
    resize(640, 480);
    CreateToolbar();
    CreateZoomMenu();
    CreateScrollArea();
    ArrangeToolbar();
}

// Closing frees the held pages; the report keeps the empty list it was
// given.
TrpPreviewForm::~TrpPreviewForm() = default;

void TrpPreviewForm::CreateToolbar() {
    toolbar_ = new QWidget(this);
    toolbar_->setAutoFillBackground(true);
    ZoomBtn = ToolButton(toolbar_, "Scale", kHelpZoom);
    ZoomBtn->resize(kZoomButtonWidth, kButtonSize);
    ZoomBtn->setText("100%");
    ZoomGap = Gap(toolbar_);
    LoadBtn = ToolButton(toolbar_, TrpPreviewIcon::Open, "Open report", kHelpLoad);
    SaveBtn = ToolButton(toolbar_, TrpPreviewIcon::Save, "Save report", kHelpSave);
    PrintBtn = ToolButton(toolbar_, TrpPreviewIcon::Print, "Print report", kHelpPrint);
    PageSetupBtn = ToolButton(toolbar_, TrpPreviewIcon::PageSetup, nullptr, kHelpPrint);
    FileGap = Gap(toolbar_);
    FindBtn = ToolButton(toolbar_, TrpPreviewIcon::Find, "Find text", kHelpFind);
    HelpBtn = ToolButton(toolbar_, TrpPreviewIcon::Help, "Show help", 0);
    HelpGap = Gap(toolbar_);
    ExitBtn = ToolButton(toolbar_, TrpPreviewIcon::Exit, "Close preview", kHelpExit);
    PageSetupBtn->hide();

    connect(ZoomBtn, &QAbstractButton::clicked, this,
            [this] { ProcMenu->popup(ZoomBtn->mapToGlobal(QPoint(0, ZoomBtn->height()))); });
    connect(LoadBtn, &QAbstractButton::clicked, this, &TrpPreviewForm::OpenReport);
    connect(SaveBtn, &QAbstractButton::clicked, this, &TrpPreviewForm::SaveReport);
    connect(PrintBtn, &QAbstractButton::clicked, this, &TrpPreviewForm::PrintReport);
    connect(FindBtn, &QAbstractButton::clicked, this, &TrpPreviewForm::FindText);
    connect(HelpBtn, &QAbstractButton::clicked, this, [] { QWhatsThis::enterWhatsThisMode(); });
    connect(ExitBtn, &QAbstractButton::clicked, this, &TrpPreviewForm::CloseWindow);
}

void TrpPreviewForm::CreateZoomMenu() {
    ProcMenu = new QMenu(this);
    zoomGroup_ = new QActionGroup(ProcMenu);
    zoomGroup_->setExclusive(true);
    for (int tag : kZoomMenuTags) {
        QAction* item = ProcMenu->addAction(ZoomItemCaption(tag));
        item->setCheckable(true);
        item->setData(tag);
        zoomGroup_->addAction(item);
        connect(item, &QAction::triggered, this, [this, tag] { ChooseZoom(tag); });
    }
}

void TrpPreviewForm::CreateScrollArea() {
    PBox = new TrpPBox(*this);
    SetHelp(PBox, kHelpPageBox);
    Label1 = new QLabel(this);
    Label1->setAlignment(Qt::AlignCenter);
    SetHelp(Label1, kHelpPageLabel);
    VScrollBar = new QScrollBar(Qt::Vertical, this);
    HScrollBar = new QScrollBar(Qt::Horizontal, this);
    for (QScrollBar* bar : {VScrollBar, HScrollBar}) {
        bar->setSingleStep(kSmallStep);
        bar->setPageStep(kLargeStep);
        bar->setFocusPolicy(Qt::NoFocus);
        bar->setRange(0, 0);
        bar->setEnabled(false);
    }
    connect(VScrollBar, &QScrollBar::valueChanged, this, &TrpPreviewForm::VerticalScrolled);
    connect(HScrollBar, &QScrollBar::valueChanged, this, &TrpPreviewForm::HorizontalScrolled);
    PgUp = new TrpSpeedButton(this);
    PgDown = new TrpSpeedButton(this);
    PgUp->SetPicture(PreviewIcon(TrpPreviewIcon::Up));
    PgDown->SetPicture(PreviewIcon(TrpPreviewIcon::Down));
    connect(PgUp, &QAbstractButton::clicked, this, &TrpPreviewForm::PriorPage);
    connect(PgDown, &QAbstractButton::clicked, this, &TrpPreviewForm::NextPage);
}

bool TrpPreviewForm::Attach(TrpReport& report) {
    if (report.EMFPages().Count() == 0)
        return false;
    report_ = &report;
    TakePages();
    // A window not shown yet has had no resize event to place its parts.
    PlaceScrollArea();
    SetUpButtons(report);
    switch (report.InitialZoom) {
    case TrpPreviewZoom::pzPageWidth:
        LastZoom().Mode = TrpZoomMode::PageWidth;
        break;
    case TrpPreviewZoom::pzOnePage:
        LastZoom().Mode = TrpZoomMode::OnePage;
        break;
    case TrpPreviewZoom::pzTwoPages:
        LastZoom().Mode = TrpZoomMode::TwoPages;
        break;
    case TrpPreviewZoom::pzDefault:
        break;
    }
    FullLayout(true);
    return true;
}

void TrpPreviewForm::SetUpButtons(const TrpReport& report) {
    const auto shown = [&](TrpPreviewButton member) {
        return (report.PreviewButtons & member) != 0;
    };
    ZoomBtn->setVisible(shown(pbZoom));
    LoadBtn->setVisible(shown(pbLoad));
    SaveBtn->setVisible(shown(pbSave));
    PrintBtn->setVisible(shown(pbPrint));
    PageSetupBtn->setVisible(shown(pbPageSetup));
    FindBtn->setVisible(shown(pbFind));
    // Help and close belong to a toolbar on a window of its own.
    HelpBtn->setVisible(shown(pbHelp) && !embedded_);
    ExitBtn->setVisible(shown(pbExit) && !embedded_);
    ZoomGap->setVisible(shown(pbZoom));
    HelpGap->setVisible(shown(pbFind) || !HelpBtn->isHidden());
    // The virtual printer is always the last entry; any before it is an
    // installed printer. The installed print request also offers a PDF
    // file as destination, so it can print without any installed printer;
    // page setup needs a real one.
    const bool installedPrinter = Printer().VirtualPrinterIndex() > 0;
    PrintBtn->setEnabled(installedPrinter || static_cast<bool>(PreviewPrintRequest()));
    PageSetupBtn->setEnabled(installedPrinter);
    for (TrpTBButton* button :
         {ZoomBtn, LoadBtn, SaveBtn, PrintBtn, PageSetupBtn, FindBtn, HelpBtn, ExitBtn})
        button->SetGrayedInactive(report.GrayedButtons);
    ArrangeToolbar();
}

void TrpPreviewForm::ArrangeToolbar() {
    int x = 2;
    for (QWidget* item :
         std::initializer_list<QWidget*>{ZoomBtn, ZoomGap, LoadBtn, SaveBtn, PrintBtn, PageSetupBtn,
                                         FileGap, FindBtn, HelpBtn, HelpGap, ExitBtn}) {
        if (item->isHidden())
            continue;
        item->move(x, (kToolbarHeight - kButtonSize) / 2);
        x += item->width();
    }
}

void TrpPreviewForm::PlaceScrollArea() {
    const int w = width(), h = height();
    toolbar_->setGeometry(0, 0, w, kToolbarHeight);
    const int boxHeight = std::max(0, h - kToolbarHeight - kBarExtent);
    const int boxWidth = std::max(0, w - kBarExtent);
    PBox->setGeometry(0, kToolbarHeight, boxWidth, boxHeight);
    PgDown->setGeometry(boxWidth, h - kBarExtent, kBarExtent, kBarExtent);
    PgUp->setGeometry(boxWidth, h - 2 * kBarExtent, kBarExtent, kBarExtent);
    VScrollBar->setGeometry(boxWidth, kToolbarHeight, kBarExtent,
                            std::max(0, h - kToolbarHeight - 2 * kBarExtent));
    Label1->setGeometry(0, h - kBarExtent, kPageLabelWidth, kBarExtent);
    HScrollBar->setGeometry(kPageLabelWidth, h - kBarExtent,
                            std::max(0, w - kPageLabelWidth - kBarExtent), kBarExtent);
}

void TrpPreviewForm::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    PlaceScrollArea();
    LayOut();
}

void TrpPreviewForm::CheckZoomItem(int tag) {
    for (QAction* item : zoomGroup_->actions())
        item->setChecked(item->data().toInt() == tag);
}

void TrpPreviewForm::FullLayout(bool reset) {
    zoom_ = LastZoom().Zoom;
    zoomMode_ = LastZoom().Mode;
    CheckZoomItem(zoomMode_ == TrpZoomMode::Percent ? ZoomPercent(zoom_) : TagOfMode(zoomMode_));
    if (reset) {
        currentPage_ = 1;
        SetScroll(HScrollBar, 0, false);
        SetScroll(VScrollBar, 0, false);
        scrollX_ = scrollY_ = 0;
    }
    UpdatePageLabel();
    LayOut();
    if (pages_)
        for (std::size_t i = 0; i < pages_->Count(); ++i) {
            pages_->Page(i).Visible = false;
            pages_->Page(i).Built.reset();
        }
    PBox->update();
}

std::vector<QSize> TrpPreviewForm::SheetSizes() const {
    std::vector<QSize> sizes;
    for (std::size_t i = 0; i < PageCount(); ++i) {
        const TrpPageMetrics& m = pages_->Page(i).Metrics;
        sizes.emplace_back(m.sheetWidth, m.sheetHeight);
    }
    return sizes;
}

void TrpPreviewForm::LayOut() {
    if (PageCount() == 0)
        return;
    ready_ = false;
    layout_ =
        LayOutPages(SheetSizes(), std::size_t(currentPage_ - 1), PBox->size(), zoomMode_, zoom_);
    zoom_ = layout_.Zoom;
    CheckZoomItem(zoomMode_ == TrpZoomMode::Percent ? ZoomPercent(zoom_) : TagOfMode(zoomMode_));
    ZoomBtn->setText(QString::number(ZoomPercent(zoom_)) + "%");
    for (std::size_t i = 0; i < PageCount(); ++i)
        pages_->Page(i).LayoutRect = layout_.Rects[i];
    scrollingByProgram_ = true;
    HScrollBar->setRange(0, layout_.MaxScrollX);
    VScrollBar->setRange(0, layout_.MaxScrollY);
    scrollingByProgram_ = false;
    HScrollBar->setEnabled(layout_.MaxScrollX > 0);
    VScrollBar->setEnabled(layout_.MaxScrollY > 0);
    scrollX_ = HScrollBar->value();
    scrollY_ = VScrollBar->value();
    ScrollToCurrentPage();
    ready_ = true;
    PBox->update();
}

void TrpPreviewForm::UpdatePageLabel() {
    Label1->setText(PageCount() == 0 ? QString()
                                     : QString("Page %1/%2").arg(currentPage_).arg(PageCount()));
}

void TrpPreviewForm::ScrollToCurrentPage() {
    if (PageCount() == 0)
        return;
    SetScroll(VScrollBar, pages_->Page(currentPage_ - 1).LayoutRect.top() - kDeskGap, false);
}

void TrpPreviewForm::PriorPage() {
    if (currentPage_ > 1)
        --currentPage_;
    UpdatePageLabel();
    ScrollToCurrentPage();
}

void TrpPreviewForm::NextPage() {
    if (std::size_t(currentPage_) < PageCount())
        ++currentPage_;
    UpdatePageLabel();
    ScrollToCurrentPage();
}

void TrpPreviewForm::LastPage() {
    if (PageCount() == 0)
        return;
    currentPage_ = static_cast<int>(PageCount());
    UpdatePageLabel();
    ScrollToCurrentPage();
}

// byUser: a move by the user also picks the current page from the new
// position; the program's own moves (paging, layout, search) keep it.
void TrpPreviewForm::SetScroll(QScrollBar* bar, int value, bool byUser) {
    const bool previous = scrollingByProgram_;
    scrollingByProgram_ = !byUser;
    bar->setValue(value);
    scrollingByProgram_ = previous;
}

void TrpPreviewForm::VerticalScrolled(int value) {
    const int dy = scrollY_ - value;
    scrollY_ = value;
    if (ready_)
        PBox->scroll(0, dy);
    if (scrollingByProgram_ || PageCount() == 0)
        return;
    // The first page crossed by the line 11 pixels below the top; in a gap
    // between pages the current page stays.
    const int line = value + kDeskGap + 1;
    for (std::size_t i = 0; i < PageCount(); ++i) {
        const QRect& r = pages_->Page(i).LayoutRect;
        if (r.top() < line && r.top() + r.height() > line) {
            currentPage_ = static_cast<int>(i) + 1;
            break;
        }
    }
    UpdatePageLabel();
}

void TrpPreviewForm::HorizontalScrolled(int value) {
    const int dx = scrollX_ - value;
    scrollX_ = value;
    if (ready_)
        PBox->scroll(dx, 0);
}

void TrpPreviewForm::ChooseZoom(int tag) {
    if (PageCount() == 0)
        return;
    SetScroll(HScrollBar, 0, false);
    scrollX_ = 0;
    zoomMode_ = ModeOfTag(tag);
    if (zoomMode_ == TrpZoomMode::Percent)
        zoom_ = tag / 100.0;
    CheckZoomItem(tag);
    LayOut();
    LastZoom() = {zoom_, zoomMode_};
    PBox->update();
}

void TrpPreviewForm::TakePages() {
    if (!report_)
        return;
    pages_ = report_->TakeEMFPages();
}

void TrpPreviewForm::GiveBackPages() {
    if (!report_ || !pages_)
        return;
    report_->SetEMFPages(std::move(pages_));
}

} // namespace report
