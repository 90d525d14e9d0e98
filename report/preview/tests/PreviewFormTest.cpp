// The preview window: opening, page layout per zoom mode, the remembered
// zoom, keys, scrolling by drag and wheel, painting, files, print, closing
// and the kept bounds.
#include "PreviewTestSupport.h"
#include "TrpMessageBox.h"
#include "TrpPBox.h"
#include "TrpPreviewControl.h"
#include "TrpPreviewForm.h"
#include "TrpPreviewSeams.h"
#include "TrpPreviewWindows.h"
#include "TrpTBButton.h"
#include "TrpTBSeparator.h"

#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

using namespace report;
using preview_test::FillReport;

namespace {

struct RecordedBoxes : TrpMessageBoxSink {
    std::vector<std::string> texts;
    void ShowMessageBox(const std::string& text, const std::string&, TrpMessageIcon) override {
        texts.push_back(text);
    }
};

// A form whose page box is box.
void SizeFor(TrpPreviewForm& form, QSize box) {
    form.resize(box.width() + TrpPreviewForm::kBarExtent,
                box.height() + TrpPreviewForm::kToolbarHeight + TrpPreviewForm::kBarExtent);
}

void SendMouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button,
               Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(at), w->mapToGlobal(QPointF(at)), button, buttons,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(w, &event);
}

void WriteBounds(const QRect& r, const char* maximized) {
    QSettings settings(TrpPreviewForm::kSettingsOrganization);
    settings.beginGroup(TrpPreviewForm::kSettingsGroup);
    settings.setValue("XPosition", QString::number(r.x()));
    settings.setValue("YPosition", QString::number(r.y()));
    settings.setValue("Width", QString::number(r.width()));
    settings.setValue("Height", QString::number(r.height()));
    settings.setValue("Maximized", maximized);
}

} // namespace

class PreviewFormTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void reportWithoutPagesOpensNoWindow();
    void widePagesAt100PercentSitLeftAlignedOnePerRow();
    void narrowPagesThatFitOnceAreCentred();
    void fittingModesFollowTheBox();
    void zoomChosenInOnePreviewOpensTheNext();
    void keysPageAndScroll();
    void scrollingByTheUserPicksTheCurrentPage();
    void dragAndWheelScroll();
    void toolbarControlsAndGeometry();
    void paintingDrawsDeskAndReleasesPagesOffScreen();
    void openAndSaveGoThroughTheFileSeam();
    void printGivesThePagesBackForItsLength();
    void escapeClosesAndTheReportKeepsAnEmptyList();
    void boundsAreRestoredFromTheSettings();
    void installedSinkRunsTheWindowModally();
    void embeddedControlShowsPagesInPlace();

private:
    QTemporaryDir config_;
    RecordedBoxes boxes_;
};

void PreviewFormTest::initTestCase() {
    qputenv("XDG_CONFIG_HOME", config_.path().toUtf8());
    SetMessageBoxSink(&boxes_);
    // Away from every window, so no button starts under the mouse.
    QCursor::setPos(2000, 2000);
}

void PreviewFormTest::init() {
    LastZoom() = {};
    boxes_.texts.clear();
    WriteBounds(QRect(0, 0, 700, 500), "0");
}

void PreviewFormTest::reportWithoutPagesOpensNoWindow() {
    TrpReport report;
    TrpPreviewForm form;
    QVERIFY(!form.Attach(report));
    TrpPreviewWindowSink sink;
    sink.ShowPreview(report, "Preview");
    for (QWidget* w : QApplication::topLevelWidgets())
        QVERIFY(!qobject_cast<TrpPreviewForm*>(w) || w == &form);
    QVERIFY(!form.isVisible());
}

void PreviewFormTest::widePagesAt100PercentSitLeftAlignedOnePerRow() {
    TrpReport report;
    FillReport(report, 3);
    TrpPreviewForm form;
    SizeFor(form, QSize(500, 400));
    QVERIFY(form.Attach(report));
    QCOMPARE(form.PBox->size(), QSize(500, 400));
    QCOMPARE(form.ZoomBtn->text(), QString("100%"));
    QCOMPARE(form.PagesPerRow(), 1);
    const TrpPageMetrics& m = form.Pages()->Page(0).Metrics;
    int y = 10;
    for (std::size_t i = 0; i < 3; ++i) {
        const QRect& r = form.Pages()->Page(i).LayoutRect;
        QCOMPARE(r, QRect(10, y, m.sheetWidth, m.sheetHeight));
        y += m.sheetHeight + 10;
    }
    QCOMPARE(form.HScrollBar->maximum(), 10 + m.sheetWidth - 500 + 10);
    QCOMPARE(form.VScrollBar->maximum(), y - 10 - 400 + 10);
    QCOMPARE(form.Label1->text(), QString("Page 1/3"));
}

void PreviewFormTest::narrowPagesThatFitOnceAreCentred() {
    TrpReport report;
    FillReport(report, 3);
    TrpPreviewForm form;
    SizeFor(form, QSize(1000, 600));
    QVERIFY(form.Attach(report));
    const TrpPageMetrics& m = form.Pages()->Page(0).Metrics;
    QVERIFY(2 * m.sheetWidth + 30 > 1000 && m.sheetWidth + 20 <= 1000);
    QCOMPARE(form.PagesPerRow(), 1);
    QCOMPARE(form.Pages()->Page(1).LayoutRect.left(), (1000 - m.sheetWidth) / 2);
    QVERIFY(!form.HScrollBar->isEnabled());

    // At 50% two fit side by side; the third starts the next row.
    form.ChooseZoom(50);
    QCOMPARE(form.PagesPerRow(), 2);
    const int w = int(std::lround(m.sheetWidth * 0.5)), h = int(std::lround(m.sheetHeight * 0.5));
    QCOMPARE(form.Pages()->Page(0).LayoutRect, QRect(10, 10, w, h));
    QCOMPARE(form.Pages()->Page(1).LayoutRect, QRect(10 + w + 10, 10, w, h));
    QCOMPARE(form.Pages()->Page(2).LayoutRect, QRect(10, 10 + h + 10, w, h));
    QCOMPARE(form.ZoomBtn->text(), QString("50%"));
}

void PreviewFormTest::fittingModesFollowTheBox() {
    TrpReport report;
    FillReport(report, 3);
    TrpPreviewForm form;
    SizeFor(form, QSize(400, 300));
    QVERIFY(form.Attach(report));
    const TrpPageMetrics& m = form.Pages()->Page(0).Metrics;
    form.ChooseZoom(kZoomTagPageWidth);
    QCOMPARE(form.Zoom(), (400.0 - 20) / m.sheetWidth);
    QCOMPARE(form.Pages()->Page(0).LayoutRect.width(), 380);
    form.ChooseZoom(kZoomTagOnePage);
    QCOMPARE(form.Zoom(), (300.0 - 20) / m.sheetHeight);
    QCOMPARE(form.PagesPerRow(), 1);
    QCOMPARE(form.Pages()->Page(0).LayoutRect.height(), 280);
    form.ChooseZoom(kZoomTagTwoPages);
    QCOMPARE(form.Zoom(), (400.0 - 30) / (2.0 * m.sheetWidth));
    QCOMPARE(form.PagesPerRow(), 2);
    const QRect a = form.Pages()->Page(0).LayoutRect, b = form.Pages()->Page(1).LayoutRect;
    QCOMPARE(b.top(), a.top());
    QCOMPARE(b.left(), a.left() + a.width() + 10);
    // Two per row even when the pages are made wider than the box.
    form.Pages()->Page(0).Metrics.sheetWidth = 5000;
    form.ChooseZoom(kZoomTagTwoPages);
    QCOMPARE(form.PagesPerRow(), 2);
    QCOMPARE(form.Pages()->Page(1).LayoutRect.top(), form.Pages()->Page(0).LayoutRect.top());
}

void PreviewFormTest::zoomChosenInOnePreviewOpensTheNext() {
    {
        TrpReport report;
        FillReport(report, 2);
        TrpPreviewForm form;
        SizeFor(form, QSize(500, 400));
        form.Attach(report);
        form.ProcMenu->actions().at(4)->trigger(); // "50%"
        QCOMPARE(form.Zoom(), 0.5);
    }
    TrpReport report;
    FillReport(report, 2);
    TrpPreviewForm next;
    SizeFor(next, QSize(500, 400));
    next.Attach(report);
    QCOMPARE(next.Zoom(), 0.5);
    QCOMPARE(next.ZoomBtn->text(), QString("50%"));
    QAction* fifty = next.ProcMenu->actions().at(4);
    QCOMPARE(fifty->text(), QString("50%"));
    QVERIFY(fifty->isChecked());

    // A report's initial zoom sets the mode for its preview and the next.
    TrpReport wide;
    FillReport(wide, 1);
    wide.InitialZoom = TrpPreviewZoom::pzPageWidth;
    TrpPreviewForm third;
    SizeFor(third, QSize(500, 400));
    third.Attach(wide);
    QCOMPARE(third.ZoomMode(), TrpZoomMode::PageWidth);
    QVERIFY(third.ProcMenu->actions().at(7)->isChecked());
    QCOMPARE(third.ProcMenu->actions().at(7)->text(), QString("&Page width"));
}

void PreviewFormTest::keysPageAndScroll() {
    TrpReport report;
    FillReport(report, 12);
    TrpPreviewForm form;
    SizeFor(form, QSize(500, 400));
    form.Attach(report);
    QWidget* box = form.PBox;
    QTest::keyClick(box, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(form.Label1->text(), QString("Page 12/12"));
    QTest::keyClick(box, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(form.VScrollBar->value(), 0);
    QCOMPARE(form.Label1->text(), QString("Page 1/12"));
    QTest::keyClick(box, Qt::Key_PageDown, Qt::ControlModifier);
    QCOMPARE(form.CurrentPage(), 2);
    QCOMPARE(form.VScrollBar->value(), form.Pages()->Page(1).LayoutRect.top() - 10);
    QTest::keyClick(box, Qt::Key_PageUp, Qt::ControlModifier);
    QCOMPARE(form.CurrentPage(), 1);
    QTest::keyClick(box, Qt::Key_PageUp, Qt::ControlModifier);
    QCOMPARE(form.CurrentPage(), 1);
    QTest::keyClick(box, Qt::Key_Down);
    QCOMPARE(form.VScrollBar->value(), 10);
    QTest::keyClick(box, Qt::Key_PageDown);
    QCOMPARE(form.VScrollBar->value(), 210);
    QTest::keyClick(box, Qt::Key_Up);
    QCOMPARE(form.VScrollBar->value(), 200);
    QTest::keyClick(box, Qt::Key_Right);
    QCOMPARE(form.HScrollBar->value(), 10);
    QTest::keyClick(box, Qt::Key_Left);
    QCOMPARE(form.HScrollBar->value(), 0);
    // Home and End alone and other plain keys pass on; Ctrl keys are eaten.
    QVERIFY(!form.HandleKey(Qt::Key_Home, Qt::NoModifier));
    QVERIFY(!form.HandleKey(Qt::Key_A, Qt::NoModifier));
    QVERIFY(form.HandleKey(Qt::Key_Q, Qt::ControlModifier));
    // F3 without a search text does nothing.
    const int before = form.VScrollBar->value();
    QVERIFY(form.HandleKey(Qt::Key_F3, Qt::NoModifier));
    QCOMPARE(form.VScrollBar->value(), before);
}

void PreviewFormTest::scrollingByTheUserPicksTheCurrentPage() {
    TrpReport report;
    FillReport(report, 12);
    TrpPreviewForm form;
    SizeFor(form, QSize(500, 400));
    form.Attach(report);
    const QRect third = form.Pages()->Page(2).LayoutRect;
    form.VScrollBar->setValue(third.top() - 10);
    QCOMPARE(form.Label1->text(), QString("Page 3/12"));
    // In the gap below page 3 the current page stays.
    form.VScrollBar->setValue(third.top() + third.height() - 10 + 4);
    QCOMPARE(form.CurrentPage(), 3);
    form.VScrollBar->setValue(third.top() + 100);
    QCOMPARE(form.CurrentPage(), 3);
}

void PreviewFormTest::dragAndWheelScroll() {
    TrpReport report;
    FillReport(report, 4);
    TrpPreviewForm form;
    SizeFor(form, QSize(500, 400));
    form.Attach(report);
    form.ChooseZoom(200);
    form.HScrollBar->setValue(100);
    form.VScrollBar->setValue(100);
    QWidget* box = form.PBox;
    SendMouse(box, QEvent::MouseButtonPress, QPoint(200, 200), Qt::LeftButton, Qt::LeftButton);
    QVERIFY(form.PBox->Dragging());
    QCOMPARE(form.PBox->PressedPage(), 1);
    SendMouse(box, QEvent::MouseMove, QPoint(230, 220), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(form.HScrollBar->value(), 70);
    QCOMPARE(form.VScrollBar->value(), 80);
    SendMouse(box, QEvent::MouseButtonRelease, QPoint(230, 220), Qt::LeftButton, Qt::NoButton);
    QVERIFY(!form.PBox->Dragging());
    SendMouse(box, QEvent::MouseMove, QPoint(300, 300), Qt::NoButton, Qt::NoButton);
    QCOMPARE(form.HScrollBar->value(), 70);

    QWheelEvent up(QPointF(50, 50), box->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, 240),
                   Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(box, &up);
    QCOMPARE(form.VScrollBar->value(), 60);

    // A double click on page 2 makes it current and starts no drag.
    form.ChooseZoom(25);
    const QRect second =
        form.Pages()->Page(1).LayoutRect.translated(-form.ScrollX(), -form.ScrollY());
    const QPoint onSecond = second.center();
    SendMouse(box, QEvent::MouseButtonPress, onSecond, Qt::LeftButton, Qt::LeftButton);
    SendMouse(box, QEvent::MouseButtonRelease, onSecond, Qt::LeftButton, Qt::NoButton);
    SendMouse(box, QEvent::MouseButtonDblClick, onSecond, Qt::LeftButton, Qt::LeftButton);
    QVERIFY(!form.PBox->Dragging());
    QCOMPARE(form.CurrentPage(), 2);
    QCOMPARE(form.Label1->text(), QString("Page 2/4"));
}

void PreviewFormTest::toolbarControlsAndGeometry() {
    TrpReport report;
    FillReport(report, 1);
    TrpPreviewForm form;
    SizeFor(form, QSize(500, 400));
    form.Attach(report);
    QCOMPARE(form.ZoomBtn->toolTip(), QString("Scale"));
    QCOMPARE(form.LoadBtn->toolTip(), QString("Open report"));
    QCOMPARE(form.SaveBtn->toolTip(), QString("Save report"));
    QCOMPARE(form.PrintBtn->toolTip(), QString("Print report"));
    QCOMPARE(form.FindBtn->toolTip(), QString("Find text"));
    QCOMPARE(form.HelpBtn->toolTip(), QString("Show help"));
    QCOMPARE(form.ExitBtn->toolTip(), QString("Close preview"));
    QCOMPARE(form.ZoomBtn->property("HelpContext").toInt(), 200);
    QCOMPARE(form.PBox->property("HelpContext").toInt(), 207);
    QVERIFY(!form.PBox->whatsThis().isEmpty());
    QVERIFY(form.HelpBtn->whatsThis().isEmpty());
    QVERIFY2(!form.PrintBtn->isEnabled(), "no printer and no print request installed");
    {
        // The print request offers a PDF file, so it prints without printers.
        PreviewPrintRequest() = [](TrpPreviewForm&) {};
        TrpReport printable;
        FillReport(printable, 1);
        TrpPreviewForm withPrint;
        withPrint.Attach(printable);
        QVERIFY(withPrint.PrintBtn->isEnabled());
        QVERIFY(!withPrint.PageSetupBtn->isEnabled());
        PreviewPrintRequest() = nullptr;
    }
    QVERIFY(form.PageSetupBtn->isHidden());

    QCOMPARE(form.ZoomBtn->geometry(), QRect(2, 4, 53, 24));
    QCOMPARE(form.ZoomGap->geometry(), QRect(55, 4, 8, 24));
    QCOMPARE(form.LoadBtn->geometry(), QRect(63, 4, 24, 24));
    QCOMPARE(form.PrintBtn->x(), 63 + 48);
    QCOMPARE(form.FileGap->x(), 63 + 72);
    QCOMPARE(form.FindBtn->x(), 63 + 80);
    QCOMPARE(form.HelpGap->x(), 63 + 128);
    QCOMPARE(form.ExitBtn->x(), 63 + 136);
    QCOMPARE(form.PBox->geometry(), QRect(0, 33, 500, 400));
    QCOMPARE(form.PgDown->geometry(), QRect(500, 433, 16, 16));
    QCOMPARE(form.PgUp->geometry(), QRect(500, 417, 16, 16));
    QCOMPARE(form.VScrollBar->geometry(), QRect(500, 33, 16, 384));
    QCOMPARE(form.HScrollBar->geometry().right(), 499);

    TrpReport fewer;
    FillReport(fewer, 1);
    fewer.PreviewButtons = pbLoad | pbExit;
    fewer.GrayedButtons = true;
    TrpPreviewForm other;
    SizeFor(other, QSize(500, 400));
    other.Attach(fewer);
    QVERIFY(other.ZoomBtn->isHidden());
    QVERIFY(other.ZoomGap->isHidden());
    QVERIFY(other.HelpGap->isHidden());
    QCOMPARE(other.LoadBtn->x(), 2);
    QCOMPARE(other.FileGap->x(), 26);
    QCOMPARE(other.ExitBtn->x(), 34);
    QVERIFY(other.ExitBtn->GrayedInactive());
}

void PreviewFormTest::paintingDrawsDeskAndReleasesPagesOffScreen() {
    TrpReport report;
    FillReport(report, 12);
    TrpPreviewForm form;
    SizeFor(form, QSize(500, 400));
    form.Attach(report);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    SizeFor(form, QSize(500, 400));
    const QImage shot = form.PBox->grab().toImage();
    QCOMPARE(QColor(shot.pixel(5, 5)), TrpPreviewForm::kDeskColour);
    QCOMPARE(QColor(shot.pixel(10, 10)), QColor(Qt::black));
    QCOMPARE(QColor(shot.pixel(30, 30)), QColor(Qt::white));
    QVERIFY(form.Pages()->Page(0).Visible);
    QVERIFY(form.Pages()->Page(0).Built);
    QVERIFY(!form.Pages()->Page(11).Visible);
    QVERIFY(!form.Pages()->Page(11).Built);
    // Paging to the end releases page 1 and builds page 12.
    form.LastPage();
    form.PBox->grab();
    QVERIFY(!form.Pages()->Page(0).Built);
    QVERIFY(form.Pages()->Page(11).Built);

    form.ChooseZoom(kZoomTagPageWidth);
    form.ChooseZoom(kZoomTagPageWidth);
    preview_test::SaveShot(form.grab().toImage(), "preview-page-width");
    // At 50% a wider window holds two pages side by side.
    SizeFor(form, QSize(900, 500));
    form.ChooseZoom(50);
    QCOMPARE(form.PagesPerRow(), 2);
    preview_test::SaveShot(form.grab().toImage(), "preview-50");
    form.close();

    // The flat toolbar, greyed, with the mouse over the find button.
    TrpReport greyed;
    FillReport(greyed, 2);
    greyed.GrayedButtons = true;
    TrpPreviewForm toolbar;
    SizeFor(toolbar, QSize(500, 300));
    toolbar.Attach(greyed);
    toolbar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&toolbar));
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(toolbar.FindBtn, &enter);
    QVERIFY(toolbar.FindBtn->MouseInControl());
    QVERIFY2(!toolbar.ZoomBtn->MouseInControl(), "the mouse is parked off the window");
    const QImage bar = toolbar.grab(QRect(0, 0, 260, TrpPreviewForm::kToolbarHeight)).toImage();
    preview_test::SaveShot(bar.scaled(bar.size() * 3), "toolbar-hover");
    preview_test::SaveShot(toolbar.grab().toImage(), "preview-greyed-toolbar");
    // Inside the magnifier's glass and the folder (pictures start 3 pixels in).
    const QPoint find = toolbar.FindBtn->geometry().topLeft() + QPoint(3 + 6, 3 + 6);
    const QPoint load = toolbar.LoadBtn->geometry().topLeft() + QPoint(3 + 8, 3 + 10);
    const QColor hot = bar.pixelColor(find), cold = bar.pixelColor(load);
    QVERIFY2(hot.red() != hot.green() || hot.green() != hot.blue(), "colour under the mouse");
    QVERIFY2(cold.red() == cold.green() && cold.green() == cold.blue(), "grey elsewhere");
}

void PreviewFormTest::openAndSaveGoThroughTheFileSeam() {
    QTemporaryDir dir;
    TrpReport report;
    FillReport(report, 3);
    TrpPreviewForm form;
    SizeFor(form, QSize(500, 400));
    form.Attach(report);
    std::string answer, filter;
    PreviewFileDialogs().SaveFileName = [&](QWidget*, const std::string& f) {
        filter = f;
        return answer;
    };
    PreviewFileDialogs().OpenFileName = PreviewFileDialogs().SaveFileName;
    answer = dir.filePath("kept.dat").toStdString();
    QTest::keyClick(form.PBox, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(filter, std::string("Report file (*.rpp)"));
    QVERIFY(QFile::exists(dir.filePath("kept.rpp")));
    QCOMPARE(form.PageCount(), std::size_t(3));
    QCOMPARE(report.EMFPages().Count(), std::size_t(0));

    // A damaged file is refused with a message; the shown pages stay.
    QFile bad(dir.filePath("bad.rpp"));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("not a prepared report");
    bad.close();
    answer = bad.fileName().toStdString();
    form.OpenReport();
    QCOMPARE(boxes_.texts.size(), std::size_t(1));
    QCOMPARE(form.PageCount(), std::size_t(3));
    QCOMPARE(report.EMFPages().Count(), std::size_t(0));

    // A good one replaces them; it can no longer be rebuilt.
    TrpReport two;
    FillReport(two, 2);
    two.EMFPages().SaveToFile(dir.filePath("two.rpp").toStdString());
    form.NextPage();
    answer = dir.filePath("two.rpp").toStdString();
    QTest::keyClick(form.PBox, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(form.PageCount(), std::size_t(2));
    QCOMPARE(form.Label1->text(), QString("Page 1/2"));
    QVERIFY(!form.Pages()->CanRebuild);
    QCOMPARE(report.EMFPages().Count(), std::size_t(0));

    // Cancelled dialogs change nothing.
    answer.clear();
    form.OpenReport();
    form.SaveReport();
    QCOMPARE(form.PageCount(), std::size_t(2));
}

void PreviewFormTest::printGivesThePagesBackForItsLength() {
    TrpReport report;
    FillReport(report, 3);
    TrpPreviewForm form;
    SizeFor(form, QSize(500, 400));
    form.Attach(report);
    std::size_t seen = 0;
    PreviewPrintRequest() = [&](TrpPreviewForm& f) {
        QCOMPARE(f.Report(), &report);
        QVERIFY(!f.Pages());
        seen = report.EMFPages().Count();
    };
    form.PrintReport();
    PreviewPrintRequest() = nullptr;
    QCOMPARE(seen, std::size_t(3));
    QCOMPARE(form.PageCount(), std::size_t(3));
    QCOMPARE(report.EMFPages().Count(), std::size_t(0));
}

void PreviewFormTest::escapeClosesAndTheReportKeepsAnEmptyList() {
    TrpReport report;
    FillReport(report, 3);
    auto* form = new TrpPreviewForm;
    form->Attach(report);
    form->setModal(true);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form));
    QCOMPARE(report.EMFPages().Count(), std::size_t(0));
    QTest::keyClick(form->PBox, Qt::Key_Escape);
    QVERIFY(!form->isVisible());
    QCOMPARE(form->result(), int(QDialog::Accepted));
    delete form;
    QCOMPARE(report.EMFPages().Count(), std::size_t(0));
    QSettings settings(TrpPreviewForm::kSettingsOrganization);
    settings.beginGroup(TrpPreviewForm::kSettingsGroup);
    QCOMPARE(settings.value("Maximized").toString(), QString("0"));
    QVERIFY(settings.value("Width").toString().toInt() > 0);
}

void PreviewFormTest::boundsAreRestoredFromTheSettings() {
    WriteBounds(QRect(30, 40, 620, 450), "0");
    TrpReport report;
    FillReport(report, 1);
    TrpPreviewForm form;
    form.Attach(report);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.size(), QSize(620, 450));
    QVERIFY(!form.isMaximized());
    form.close();
    QSettings settings(TrpPreviewForm::kSettingsOrganization);
    settings.beginGroup(TrpPreviewForm::kSettingsGroup);
    settings.remove("Maximized");
    settings.sync();
    TrpPreviewForm fresh;
    fresh.Attach(report);
    fresh.show();
    QVERIFY2(fresh.isMaximized(), "without a stored value the window opens maximized");
}

void PreviewFormTest::installedSinkRunsTheWindowModally() {
    TrpPreviewSink* previous = InstallPreviewWindows();
    TrpReport report;
    FillReport(report, 2);
    QString caption;
    bool wasModal = false;
    // Once the window runs, read it and press Escape.
    QTimer::singleShot(0, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* form = qobject_cast<TrpPreviewForm*>(w); form && form->isVisible()) {
                caption = form->windowTitle();
                wasModal = form->isModal();
                QCOMPARE(form->PageCount(), std::size_t(2));
                QTest::keyClick(form->PBox, Qt::Key_Escape);
            }
    });
    PreviewSink()->ShowPreview(report, "Preview - Payments");
    SetPreviewSink(previous);
    QCOMPARE(caption, QString("Preview - Payments"));
    QVERIFY(wasModal);
    QCOMPARE(report.EMFPages().Count(), std::size_t(0));
    for (QWidget* w : QApplication::topLevelWidgets())
        QVERIFY2(!qobject_cast<TrpPreviewForm*>(w), "the closed window is freed");
}

void PreviewFormTest::embeddedControlShowsPagesInPlace() {
    TrpReport report;
    FillReport(report, 2);
    QWidget window;
    window.resize(600, 500);
    auto* control = new TrpPreviewControl(&window);
    control->setGeometry(0, 0, 600, 500);
    static_cast<TrpPreview*>(control)->Connect(report);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(control->PageCount(), std::size_t(2));
    QCOMPARE(report.EMFPages().Count(), std::size_t(0));
    QVERIFY(!control->isWindow());
    QVERIFY(control->ExitBtn->isHidden());
    QVERIFY(control->HelpBtn->isHidden());
    QVERIFY2(!control->HelpGap->isHidden(), "the find button still has its gap");
    QTest::keyClick(control->PBox, Qt::Key_Escape);
    QVERIFY(control->isVisible());
}

QTEST_MAIN(PreviewFormTest)
#include "PreviewFormTest.moc"
