// TrpPrintForm: the print dialog's controls and their rules.
#include "TrpPrintForm.h"

#include "TrpMessageBox.h"
#include "TrpMessages.h"
#include "TrpPageList.h"
#include "TrpPrintPictures.h"
#include "TrpPrinter.h"
#include "VirtualPaperTable.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace report {

namespace {

constexpr int kPrintLabelGap = 11;
constexpr int kMinimumCopies = 1;
// The collate picture area: room for the larger of the two pictures at
// its place.
constexpr QSize kCollateAreaSize{100, 53};

// The picture beside "Collate": the area in the window face colour, then
// the collated or uncollated sheets.
class TrpCollatePicture : public QWidget {
public:
    TrpCollatePicture(QCheckBox* box, QWidget* parent)
        : QWidget(parent), box_(box), collated_(CollatedPicture()),
          uncollated_(UncollatedPicture()) {
        setFixedSize(kCollateAreaSize);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), palette().color(QPalette::Window));
        if (box_->isChecked())
            p.drawPixmap(kCollatedPictureAt, collated_);
        else
            p.drawPixmap(kUncollatedPictureAt, uncollated_);
    }

private:
    QCheckBox* box_;
    QPixmap collated_, uncollated_;
};

TrpPdfFileChooser& PdfFileChooser() {
    static TrpPdfFileChooser chooser;
    return chooser;
}

TrpPropertiesDialog& PropertiesDialog() {
    static TrpPropertiesDialog dialog;
    return dialog;
}

// The platform's page setup dialog on the selected printer, starting from
// the layer's paper; on OK the layer takes the chosen paper.
bool StandardPropertiesDialog(QWidget* parent, TrpPrinter& printer) {
    const std::string& name = printer.PrinterNames().at(printer.PrinterIndex());
    QPrinter device(QPrinterInfo::printerInfo(QString::fromStdString(name)));
    const bool landscape = printer.SheetOrientation() == TrpOrientation::Landscape;
    if (QPageSize::id(printer.PaperCode()) != QPageSize::Custom)
        device.setPageSize(QPageSize(QPageSize::id(printer.PaperCode())));
    device.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    QPageSetupDialog dialog(&device, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QPageLayout layout = device.pageLayout();
    const QSizeF mm = layout.fullRectPoints().size() * (25.4 / 72.0);
    const int code = layout.pageSize().windowsId();
    printer.SetPaper(code > 0 ? code : kUserPaperCode, qRound(mm.width() * 10),
                     qRound(mm.height() * 10),
                     layout.orientation() == QPageLayout::Landscape ? TrpOrientation::Landscape
                                                                    : TrpOrientation::Portrait,
                     printer.PaperSource(), true);
    return true;
}

} // namespace

TrpPdfFileChooser SetPdfFileChooser(TrpPdfFileChooser chooser) {
    return std::exchange(PdfFileChooser(), std::move(chooser));
}

TrpPropertiesDialog SetPropertiesDialog(TrpPropertiesDialog dialog) {
    return std::exchange(PropertiesDialog(), std::move(dialog));
}

QString ChoosePdfFile(QWidget* parent) {
    if (PdfFileChooser())
        return PdfFileChooser()(parent);
    return QFileDialog::getSaveFileName(parent, QStringLiteral("Print to PDF file"), QString(),
                                        QStringLiteral("PDF files (*.pdf)"));
}

TrpPrintForm::TrpPrintForm(TrpPrinter& printer, QWidget* parent)
    : QDialog(parent), printer_(printer), openingPrinter_(printer.PrinterIndex()) {
    setObjectName(QStringLiteral("TrpPrintForm"));
    setWindowTitle(QStringLiteral("Print"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    auto* layout = new QVBoxLayout(this);
    auto* printerGroup = new QGroupBox(QStringLiteral("Printer"), this);
    printerGroup->setObjectName(QStringLiteral("GroupBox1"));
    BuildPrinterGroup(printerGroup);
    layout->addWidget(printerGroup);

    auto* row = new QHBoxLayout;
    auto* rangeGroup = new QGroupBox(QStringLiteral("Page range"), this);
    rangeGroup->setObjectName(QStringLiteral("GroupBox2"));
    BuildRangeGroup(rangeGroup);
    row->addWidget(rangeGroup, 1);
    auto* copiesGroup = new QGroupBox(QStringLiteral("Copies"), this);
    copiesGroup->setObjectName(QStringLiteral("GroupBox3"));
    BuildCopiesGroup(copiesGroup);
    row->addWidget(copiesGroup);
    layout->addLayout(row);

    auto* bottom = new QHBoxLayout;
    auto* printLabel = new QLabel(QStringLiteral("P&rint"), this);
    cb2_ = new QComboBox(this);
    cb2_->setObjectName(QStringLiteral("CB2"));
    cb2_->addItems(
        {QStringLiteral("All pages"), QStringLiteral("Odd pages"), QStringLiteral("Even pages")});
    cb2_->setCurrentIndex(static_cast<int>(TrpPageSelection::AllPages));
    printLabel->setBuddy(cb2_);
    bottom->addWidget(printLabel);
    bottom->addSpacing(kPrintLabelGap - bottom->spacing());
    bottom->addWidget(cb2_);
    bottom->addStretch(1);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    bottom->addWidget(ok);
    bottom->addWidget(cancel);
    layout->addLayout(bottom);
    // QDialog answers Escape with reject(), as the cancel button does.
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TrpPrintForm::BuildPrinterGroup(QWidget* group) {
    auto* row = new QHBoxLayout(group);
    auto* label = new QLabel(QStringLiteral("&Name:"), group);
    cb1_ = new QComboBox(group);
    cb1_->setObjectName(QStringLiteral("CB1"));
    cb1_->setMinimumWidth(240);
    const QPixmap picture = PrinterPicture();
    const auto& names = printer_.PrinterNames();
    for (int i = 0; i < printer_.VirtualPrinterIndex(); ++i)
        cb1_->addItem(picture, QString::fromStdString(names[static_cast<std::size_t>(i)]));
    cb1_->addItem(picture, QString::fromLatin1(kPdfFileEntry));
    cb1_->setCurrentIndex(printer_.VirtualSelected() ? printer_.VirtualPrinterIndex()
                                                     : printer_.PrinterIndex());
    label->setBuddy(cb1_);
    propButton_ = new QPushButton(QStringLiteral("Properties"), group);
    propButton_->setObjectName(QStringLiteral("PropButton"));
    propButton_->setEnabled(!PdfSelected());
    row->addWidget(label);
    row->addWidget(cb1_, 1);
    row->addWidget(propButton_);
    connect(cb1_, &QComboBox::activated, this, &TrpPrintForm::PrinterChosen);
    connect(propButton_, &QPushButton::clicked, this, &TrpPrintForm::ShowProperties);
}

void TrpPrintForm::BuildRangeGroup(QWidget* group) {
    auto* column = new QVBoxLayout(group);
    rb1_ = new QRadioButton(QStringLiteral("&All"), group);
    rb1_->setObjectName(QStringLiteral("RB1"));
    rb1_->setChecked(true);
    rb2_ = new QRadioButton(QStringLiteral("Current pa&ge"), group);
    rb2_->setObjectName(QStringLiteral("RB2"));
    rb3_ = new QRadioButton(QStringLiteral("&Pages:"), group);
    rb3_->setObjectName(QStringLiteral("RB3"));
    e2_ = new QLineEdit(group);
    e2_->setObjectName(QStringLiteral("E2"));
    e2_->installEventFilter(this);
    auto* pagesRow = new QHBoxLayout;
    pagesRow->addWidget(rb3_);
    pagesRow->addWidget(e2_, 1);
    auto* hint = new QLabel(QStringLiteral("Enter page numbers and/or page ranges, separated by "
                                           "commas. For example, 1,3,5-12"),
                            group);
    hint->setWordWrap(true);
    hint->setFixedWidth(220);
    column->addWidget(rb1_);
    column->addWidget(rb2_);
    column->addLayout(pagesRow);
    column->addWidget(hint);
    connect(rb3_, &QRadioButton::clicked, e2_, [this] { e2_->setFocus(); });
}

void TrpPrintForm::BuildCopiesGroup(QWidget* group) {
    auto* column = new QVBoxLayout(group);
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("Number of &copies:"), group);
    e1_ = new QLineEdit(QStringLiteral("1"), group);
    e1_->setObjectName(QStringLiteral("E1"));
    e1_->setFixedWidth(40);
    label->setBuddy(e1_);
    auto* arrows = new QVBoxLayout;
    arrows->setSpacing(0);
    auto* up = new QToolButton(group);
    up->setObjectName(QStringLiteral("CopiesUp"));
    up->setArrowType(Qt::UpArrow);
    up->setFixedSize(16, 11);
    auto* down = new QToolButton(group);
    down->setObjectName(QStringLiteral("CopiesDown"));
    down->setArrowType(Qt::DownArrow);
    down->setFixedSize(16, 11);
    arrows->addWidget(up);
    arrows->addWidget(down);
    row->addWidget(label);
    row->addWidget(e1_);
    row->addLayout(arrows);
    column->addLayout(row);
    auto* collateRow = new QHBoxLayout;
    collateCB_ = new QCheckBox(QStringLiteral("Co&llate"), group);
    collateCB_->setObjectName(QStringLiteral("CollateCB"));
    collateCB_->setChecked(true);
    collatePicture_ = new TrpCollatePicture(collateCB_, group);
    collatePicture_->setObjectName(QStringLiteral("CollatePicture"));
    collateRow->addWidget(collatePicture_);
    collateRow->addWidget(collateCB_);
    column->addLayout(collateRow);
    column->addStretch(1);
    connect(up, &QToolButton::clicked, this, [this] { StepCopies(+1); });
    connect(down, &QToolButton::clicked, this, [this] { StepCopies(-1); });
    connect(collateCB_, &QCheckBox::toggled, collatePicture_, qOverload<>(&QWidget::update));
}

bool TrpPrintForm::PdfSelected() const {
    return cb1_->currentIndex() == printer_.VirtualPrinterIndex();
}

int TrpPrintForm::ChosenPrinter() const {
    return cb1_->currentIndex();
}

void TrpPrintForm::PrinterChosen(int entry) {
    printer_.SelectPrinter(entry);
    propButton_->setEnabled(!PdfSelected());
}

// A copies field that is not a whole number fails with the conversion
// message, as when it is read on OK.
void TrpPrintForm::StepCopies(int step) {
    try {
        const int copies = ReadWholeNumber(e1_->text().toStdString());
        e1_->setText(QString::number(std::max(copies + step, kMinimumCopies)));
    } catch (const std::exception& e) {
        ShowMessageBox(e.what(), std::string(MessageText(kMsgErrorCaption)), TrpMessageIcon::Error);
    }
}

void TrpPrintForm::ShowProperties() {
    if (PdfSelected())
        return;
    if (PropertiesDialog())
        PropertiesDialog()(this, printer_);
    else
        StandardPropertiesDialog(this, printer_);
}

void TrpPrintForm::SetCopies(int copies) {
    e1_->setText(QString::number(copies));
}

void TrpPrintForm::SetCollate(bool collate) {
    collateCB_->setChecked(collate);
}

TrpPrintRequest TrpPrintForm::Request(int currentPage) const {
    TrpPrintRequest request;
    if (rb2_->isChecked())
        request.pageList = std::to_string(currentPage);
    else if (rb3_->isChecked())
        request.pageList = e2_->text().toStdString();
    request.copies = ReadWholeNumber(e1_->text().toStdString());
    request.collate = collateCB_->isChecked();
    request.selection = static_cast<TrpPageSelection>(cb2_->currentIndex());
    return request;
}

// Any way of closing but OK gives the opening printer back.
void TrpPrintForm::done(int result) {
    if (result != QDialog::Accepted && printer_.PrinterIndex() != openingPrinter_)
        printer_.SelectPrinter(openingPrinter_);
    QDialog::done(result);
}

bool TrpPrintForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == e2_ && event->type() == QEvent::FocusIn)
        rb3_->setChecked(true);
    return QDialog::eventFilter(watched, event);
}

} // namespace report
