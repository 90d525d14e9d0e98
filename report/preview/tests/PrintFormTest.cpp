// The print dialog: its controls and their rules, the printer chosen and
// given back, and the Print action around it - rebuild for a new printer
// (pages of this run) or kept pages (loaded ones), the conversion message,
// an unusable printer, and a PDF file as destination.
#include "PrintTestSupport.h"
#include "TrpDataErrors.h"
#include "TrpMessageBox.h"
#include "TrpPrintForm.h"
#include "TrpPrinter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

using namespace report;
using namespace print_test;

namespace {

class RecordingBoxes : public TrpMessageBoxSink {
public:
    void ShowMessageBox(const std::string& text, const std::string& caption,
                        TrpMessageIcon) override {
        boxes << QString::fromStdString(caption + ": " + text);
    }
    QStringList boxes;
};

template <typename T> T* Child(QWidget* parent, const char* name) {
    T* child = parent->findChild<T*>(QString::fromLatin1(name));
    if (!child)
        qFatal("no control %s", name);
    return child;
}

void WhenShown(std::function<void(TrpPrintForm*)> action) {
    QTimer::singleShot(0, [action] {
        auto* form = qobject_cast<TrpPrintForm*>(QApplication::activeModalWidget());
        if (!form)
            qFatal("print dialog not shown");
        action(form);
    });
}

// Hands every call on to a recording the test keeps after the job.
class ForwardingTarget : public TrpPrintTarget {
public:
    explicit ForwardingTarget(TrpPrintTarget& to) : to_(to) {}
    void BeginDoc(const std::string& title) override { to_.BeginDoc(title); }
    void StartSheet(const TrpPrintPaper& paper) override { to_.StartSheet(paper); }
    void DrawPage(TrpEMFPages& pages, std::size_t index, const QRect& rect) override {
        to_.DrawPage(pages, index, rect);
    }
    void EndDoc() override { to_.EndDoc(); }
    void Abort() override { to_.Abort(); }
    int Resolution() const override { return to_.Resolution(); }

private:
    TrpPrintTarget& to_;
};

void Choose(TrpPrintForm* form, int entry) {
    auto* cb1 = Child<QComboBox>(form, "CB1");
    cb1->setCurrentIndex(entry);
    emit cb1->activated(entry);
}

} // namespace

class PrintFormTest : public QObject {
    Q_OBJECT
private:
    FakeBackend backend_;
    RecordingBoxes boxes_;
    std::unique_ptr<RecordingTarget> lastTarget_;

private slots:
    void init() {
        backend_ = FakeBackend();
        SetPlatformPrinterBackend(&backend_);
        Printer().AttachPrinter(&backend_);
        boxes_.boxes.clear();
        SetMessageBoxSink(&boxes_);
        lastTarget_.reset();
        SetPrintTargetFactory([this](QWidget*, const std::string&) {
            lastTarget_ = std::make_unique<RecordingTarget>();
            return std::unique_ptr<TrpPrintTarget>(
                std::make_unique<ForwardingTarget>(*lastTarget_));
        });
    }
    void cleanup() {
        SetPrintTargetFactory(nullptr);
        SetPdfFileChooser(nullptr);
        SetMessageBoxSink(nullptr);
    }

    void controlsAtStart() {
        TrpPrintForm form(Printer());
        QCOMPARE(form.windowTitle(), QStringLiteral("Print"));
        QCOMPARE(Child<QGroupBox>(&form, "GroupBox1")->title(), QStringLiteral("Printer"));
        QCOMPARE(Child<QGroupBox>(&form, "GroupBox2")->title(), QStringLiteral("Page range"));
        QCOMPARE(Child<QGroupBox>(&form, "GroupBox3")->title(), QStringLiteral("Copies"));
        auto* cb1 = Child<QComboBox>(&form, "CB1");
        QCOMPARE(cb1->count(), 3); // the platform's two, then the PDF file
        QCOMPARE(cb1->itemText(0), QStringLiteral("Office"));
        QCOMPARE(cb1->itemText(2), QString::fromLatin1(kPdfFileEntry));
        QVERIFY(!cb1->itemIcon(0).isNull());
        QCOMPARE(cb1->currentIndex(), 0);
        QVERIFY(Child<QRadioButton>(&form, "RB1")->isChecked());
        auto* cb2 = Child<QComboBox>(&form, "CB2");
        QCOMPARE(cb2->count(), 3);
        QCOMPARE(cb2->itemText(2), QStringLiteral("Even pages"));
        QCOMPARE(cb2->currentIndex(), 0);
        QVERIFY(Child<QPushButton>(&form, "OKButton")->isDefault());
        QVERIFY(Child<QCheckBox>(&form, "CollateCB")->isChecked());
        QVERIFY(Child<QPushButton>(&form, "PropButton")->isEnabled());
    }

    void pageRangeRadioAndField() {
        TrpPrintForm form(Printer());
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        auto* e2 = Child<QLineEdit>(&form, "E2");
        auto* rb3 = Child<QRadioButton>(&form, "RB3");
        e2->setFocus();
        QVERIFY(rb3->isChecked());
        Child<QRadioButton>(&form, "RB1")->click();
        Child<QPushButton>(&form, "OKButton")->setFocus();
        QTest::mouseClick(rb3, Qt::LeftButton);
        QVERIFY(e2->hasFocus());

        QTest::keyClicks(e2, "2-4");
        QCOMPARE(form.Request(7).pageList, std::string("2-4"));
        Child<QRadioButton>(&form, "RB2")->click();
        QCOMPARE(form.Request(7).pageList, std::string("7"));
        Child<QRadioButton>(&form, "RB1")->click();
        QCOMPARE(form.Request(7).pageList, std::string());
    }

    // Up adds one; down never goes below 1; a field that is no whole
    // number answers with the conversion message and stays as it is.
    void copiesArrowsAndField() {
        TrpPrintForm form(Printer());
        auto* e1 = Child<QLineEdit>(&form, "E1");
        auto* up = Child<QToolButton>(&form, "CopiesUp");
        auto* down = Child<QToolButton>(&form, "CopiesDown");
        QCOMPARE(e1->text(), QStringLiteral("1"));
        down->click();
        QCOMPARE(e1->text(), QStringLiteral("1"));
        up->click();
        up->click();
        QCOMPARE(e1->text(), QStringLiteral("3"));
        down->click();
        QCOMPARE(form.Request(1).copies, 2);
        e1->setText("two");
        up->click();
        QCOMPARE(e1->text(), QStringLiteral("two"));
        QCOMPARE(boxes_.boxes, QStringList{"Error: 'two' is not a valid integer value"});
        QVERIFY_THROWS_EXCEPTION(EConvertError, form.Request(1));
    }

    // The picture follows the box; clicking its text toggles it.
    void collatePicture() {
        TrpPrintForm form(Printer());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto* box = Child<QCheckBox>(&form, "CollateCB");
        QWidget* picture = Child<QWidget>(&form, "CollatePicture");
        const QImage collated = picture->grab().toImage();
        QTest::mouseClick(box, Qt::LeftButton);
        QVERIFY(!box->isChecked());
        QVERIFY(!form.Request(1).collate);
        QVERIFY(picture->grab().toImage() != collated);
        form.SetCollate(true);
        QCOMPARE(picture->grab().toImage(), collated);
    }

    // Choosing selects at once; any close but OK gives the opening printer
    // back; the PDF file runs on the virtual printer, without properties.
    void printerChoiceAndRestore() {
        TrpPrinter& printer = Printer();
        {
            TrpPrintForm form(printer);
            form.show();
            Choose(&form, 1);
            QCOMPARE(printer.PrinterIndex(), 1);
            QTest::keyClick(&form, Qt::Key_Escape);
            QCOMPARE(printer.PrinterIndex(), 0);
        }
        {
            TrpPrintForm form(printer);
            form.show();
            Choose(&form, 2);
            QVERIFY(printer.VirtualSelected());
            QVERIFY(form.PdfSelected());
            QVERIFY(!Child<QPushButton>(&form, "PropButton")->isEnabled());
            form.close();
            QCOMPARE(printer.PrinterIndex(), 0);
        }
        {
            TrpPrintForm form(printer);
            form.show();
            Choose(&form, 1);
            form.accept();
            QCOMPARE(printer.PrinterIndex(), 1);
        }
    }

    // Pages of this run are prepared again for a newly chosen printer and
    // the template takes the printer's name; loaded pages are kept.
    void newPrinterRebuildsOnlyPagesOfThisRun() {
        TrpReport report;
        report.Pages.Add();
        std::unique_ptr<TrpEMFPages> pages = MakePages(report, 3);
        TrpEMFPages* before = pages.get();
        WhenShown([](TrpPrintForm* form) {
            Choose(form, 1);
            form->accept();
        });
        QVERIFY(ShowPrintDialog(nullptr, report, pages, 1));
        QVERIFY(pages.get() != before);
        QCOMPARE(report.PrinterName, std::string("Lab"));

        std::unique_ptr<TrpEMFPages> loaded = MakePages(report, 3);
        loaded->CanRebuild = false;
        before = loaded.get();
        WhenShown([](TrpPrintForm* form) {
            Choose(form, 0);
            form->accept();
        });
        QVERIFY(ShowPrintDialog(nullptr, report, loaded, 1));
        QCOMPARE(loaded.get(), before);
        QCOMPARE(Printer().PrinterIndex(), 0);
        QVERIFY(lastTarget_);
        QCOMPARE(lastTarget_->pages, (QList<int>{1, 2, 3}));
    }

    // The dialog's choices reach the job.
    void requestReachesTheJob() {
        TrpReport report;
        report.DefaultCopies = 2;
        report.DefaultCollate = false;
        auto pages = MakePages(report, 5);
        WhenShown([](TrpPrintForm* form) {
            QCOMPARE(Child<QLineEdit>(form, "E1")->text(), QStringLiteral("2"));
            QVERIFY(!Child<QCheckBox>(form, "CollateCB")->isChecked());
            Child<QRadioButton>(form, "RB3")->click();
            Child<QLineEdit>(form, "E2")->setText("1-4");
            Child<QComboBox>(form, "CB2")->setCurrentIndex(1);
            form->accept();
        });
        QVERIFY(ShowPrintDialog(nullptr, report, pages, 1));
        QCOMPARE(lastTarget_->pages, (QList<int>{1, 1, 3, 3}));
    }

    void badPageListFailsWithPagesHeld() {
        TrpReport report;
        auto pages = MakePages(report, 5);
        TrpEMFPages* before = pages.get();
        WhenShown([](TrpPrintForm* form) {
            Child<QRadioButton>(form, "RB3")->click();
            Child<QLineEdit>(form, "E2")->setText("-3");
            form->accept();
        });
        try {
            ShowPrintDialog(nullptr, report, pages, 1);
            QFAIL("no conversion error");
        } catch (const EConvertError& e) {
            QCOMPARE(std::string(e.what()), std::string("'' is not a valid integer value"));
        }
        QCOMPARE(pages.get(), before);
        QCOMPARE(pages->Count(), std::size_t(5));
        QVERIFY(!lastTarget_);
    }

    void unusablePrinterIsRefused() {
        backend_.refusedPrinter = 1;
        TrpReport report;
        report.PrinterName = "Office";
        auto pages = MakePages(report, 2);
        TrpEMFPages* before = pages.get();
        WhenShown([](TrpPrintForm* form) {
            Choose(form, 1);
            form->accept();
        });
        QVERIFY(!ShowPrintDialog(nullptr, report, pages, 1));
        QCOMPARE(boxes_.boxes, QStringList{"Error: Printer selected is not valid"});
        QCOMPARE(Printer().PrinterIndex(), 0);
        QCOMPARE(report.PrinterName, std::string("Office"));
        QCOMPARE(pages.get(), before);
        QVERIFY(!lastTarget_);
    }

    // Without any platform printer the PDF file is still offered; the file
    // holds the job's sheets.
    void pdfFileWithoutPlatformPrinters() {
        backend_.names.clear();
        Printer().AttachPrinter(&backend_);
        SetPrintTargetFactory(nullptr);
        QTemporaryDir dir;
        const QString file = dir.filePath("report.pdf");
        SetPdfFileChooser([&](QWidget*) { return file; });
        TrpReport report;
        auto pages = MakePages(report, 3);
        pages->CanRebuild = false;
        WhenShown([](TrpPrintForm* form) {
            QCOMPARE(Child<QComboBox>(form, "CB1")->count(), 1);
            QVERIFY(form->PdfSelected());
            Child<QComboBox>(form, "CB2")->setCurrentIndex(2);
            form->accept();
        });
        QVERIFY(ShowPrintDialog(nullptr, report, pages, 1));
        QProcess pdftotext;
        pdftotext.start("pdftotext", {file, "-"});
        QVERIFY(pdftotext.waitForFinished(30000));
        const QString text = QString::fromUtf8(pdftotext.readAllStandardOutput());
        QCOMPARE(text.split('\f', Qt::SkipEmptyParts).size(), 1);
        QVERIFY(text.contains("Sheet 2"));

        SetPdfFileChooser([](QWidget*) { return QString(); }); // cancelled
        QFile::remove(file);
        WhenShown([](TrpPrintForm* form) { form->accept(); });
        QVERIFY(!ShowPrintDialog(nullptr, report, pages, 1));
        QVERIFY(!QFile::exists(file));
    }

    // With MORVANE_SHOTS set: the dialog as a PNG in that directory.
    void screenshot() {
        const QByteArray dir = qgetenv("MORVANE_SHOTS");
        if (dir.isEmpty())
            QSKIP("MORVANE_SHOTS not set");
        TrpPrintForm form(Printer());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QDir().mkpath(QString::fromLocal8Bit(dir));
        QVERIFY(form.grab().save(QString::fromLocal8Bit(dir) + "/print-dialog.png"));
        Child<QCheckBox>(&form, "CollateCB")->setChecked(false);
        Child<QRadioButton>(&form, "RB3")->click();
        Child<QLineEdit>(&form, "E2")->setText("1,3,5-12");
        QVERIFY(form.grab().save(QString::fromLocal8Bit(dir) + "/print-dialog-uncollated.png"));
    }
};

QTEST_MAIN(PrintFormTest)
#include "PrintFormTest.moc"
