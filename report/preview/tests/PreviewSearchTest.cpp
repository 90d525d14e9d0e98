// Text search in the preview: the recording surface, matching one drawn
// item at a time, the case option, where a search starts and goes on, and
// the scroll to a match.
#include "PreviewTestSupport.h"
#include "TrpDrawingRecorder.h"
#include "TrpPBox.h"
#include "TrpPreviewForm.h"
#include "TrpPreviewSeams.h"
#include "TrpPreviewSearch.h"
#include "TrpPreviewSearchForm.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QRadioButton>
#include <QScrollBar>
#include <QtTest>

using namespace report;
using preview_test::AddTextPage;

namespace {

// Pages: 1 without a match, 2 with two, 3 with one.
void FillSearchPages(TrpEMFPages& pages) {
    AddTextPage(pages, {"Header", "nothing here"});
    AddTextPage(pages, {"Header", "GRAND TOTAL 10", "sub total 4"});
    AddTextPage(pages, {"Header", "Total carried"});
}

} // namespace

class PreviewSearchTest : public QObject {
    Q_OBJECT

private slots:
    void recorderNumbersCallsAndKeepsTextBounds();
    void caseOptionDecidesWhetherUpperCaseMatches();
    void findNextWalksMatchesInOrder();
    void findNextStartsAtThePageTheUserMovedTo();
    void textSplitOverTwoItemsIsNotFound();
    void emptyTextFindsNothing();
    void formScrollsTheMatchTenPixelsInside();
    void dialogCarriesTheChoices();
};

void PreviewSearchTest::recorderNumbersCallsAndKeepsTextBounds() {
    TrpDrawingRecorder recorder(QSize(500, 400));
    {
        QPainter painter(&recorder);
        painter.fillRect(10, 10, 20, 20, Qt::red);
        painter.drawText(100, 50, "Hello");
        painter.translate(50, 60);
        painter.drawText(0, 20, "World");
        painter.drawLine(0, 0, 10, 10);
    }
    const auto& calls = recorder.Calls();
    QCOMPARE(calls.size(), std::size_t(4));
    QVERIFY(!calls[0].IsText);
    QVERIFY(calls[1].IsText);
    QCOMPARE(calls[1].Text, QString("Hello"));
    const QFontMetrics metrics(QFont(), &recorder);
    QCOMPARE(calls[1].Bounds.left(), 100);
    QVERIFY(qAbs(calls[1].Bounds.top() - (50 - metrics.ascent())) <= 1);
    QVERIFY(qAbs(calls[1].Bounds.width() - metrics.horizontalAdvance("Hello")) <= 1);
    QCOMPARE(calls[2].Text, QString("World"));
    QCOMPARE(calls[2].Bounds.left(), 50);
    QVERIFY(!calls[3].IsText);
}

void PreviewSearchTest::caseOptionDecidesWhetherUpperCaseMatches() {
    TrpEMFPages pages;
    AddTextPage(pages, {"Header", "TOTAL"});
    TrpPreviewSearch search;
    const auto found = search.Find(pages, "total", false, true, 1);
    QVERIFY(found);
    QCOMPARE(found->Page, std::size_t(0));
    // Inside the object, after its small inner gap.
    QVERIFY(found->Rect.left() >= preview_test::kTextLeft);
    QVERIFY(found->Rect.left() <= preview_test::kTextLeft + 4);
    QVERIFY(found->Rect.top() >= preview_test::kTextTop + preview_test::kTextPitch);
    QCOMPARE(search.Text(), QString("TOTAL"));
    QVERIFY(!search.Find(pages, "total", true, true, 1));
}

void PreviewSearchTest::findNextWalksMatchesInOrder() {
    TrpEMFPages pages;
    FillSearchPages(pages);
    TrpPreviewSearch search;
    auto match = search.Find(pages, "total", false, true, 1);
    QVERIFY(match);
    QCOMPARE(match->Page, std::size_t(1));
    const int firstTop = match->Rect.top();
    match = search.FindNext(pages, 2);
    QVERIFY(match);
    QCOMPARE(match->Page, std::size_t(1));
    QVERIFY2(match->Rect.top() > firstTop, "the second match on page 2");
    match = search.FindNext(pages, 2);
    QVERIFY(match);
    QCOMPARE(match->Page, std::size_t(2));
    QVERIFY2(!search.FindNext(pages, 3), "no later match");
    QCOMPARE(search.SearchPage(), pages.Count());
    // Origin "current page" on the page of the last match goes on after it.
    match = search.Find(pages, "total", false, true, 1);
    match = search.Find(pages, "total", false, false, 2);
    QVERIFY(match);
    QVERIFY(match->Rect.top() > firstTop);
}

void PreviewSearchTest::findNextStartsAtThePageTheUserMovedTo() {
    TrpEMFPages pages;
    FillSearchPages(pages);
    TrpPreviewSearch search;
    QVERIFY(search.Find(pages, "total", false, true, 1));
    const auto match = search.FindNext(pages, 3);
    QVERIFY(match);
    QCOMPARE(match->Page, std::size_t(2));
    // Back on page 1 the search begins again there and finds page 2's first.
    const auto again = search.FindNext(pages, 1);
    QVERIFY(again);
    QCOMPARE(again->Page, std::size_t(1));
}

void PreviewSearchTest::textSplitOverTwoItemsIsNotFound() {
    TrpEMFPages pages;
    AddTextPage(pages, {"GRAND", "TOTAL"});
    TrpPreviewSearch search;
    QVERIFY(!search.Find(pages, "GRAND TOTAL", true, true, 1));
    QVERIFY(!search.Find(pages, "GRANDTOTAL", true, true, 1));
    QVERIFY2(!pages.Page(0).Built, "a page searched without a match keeps no built objects");
    QVERIFY(search.Find(pages, "AND", true, true, 1));
}

void PreviewSearchTest::emptyTextFindsNothing() {
    TrpEMFPages pages;
    FillSearchPages(pages);
    TrpPreviewSearch search;
    QVERIFY(!search.FindNext(pages, 1));
    QVERIFY(!search.Find(pages, "", false, true, 1));
    QVERIFY(!search.FindNext(pages, 1));
}

void PreviewSearchTest::formScrollsTheMatchTenPixelsInside() {
    LastZoom() = {2.0, TrpZoomMode::Percent};
    TrpReport report;
    FillSearchPages(report.EMFPages());
    TrpPreviewForm form;
    form.resize(500, 400);
    QVERIFY(form.Attach(report));
    TrpSearchRequest asked;
    PreviewSearchDialog() = [&](QWidget*, const TrpSearchRequest& last) {
        asked = last;
        return std::optional<TrpSearchRequest>(TrpSearchRequest{"total", false, true});
    };
    form.FindText();
    QVERIFY(form.LastMatch());
    QCOMPARE(form.CurrentPage(), 2);
    const QRect& layout = form.Pages()->Page(1).LayoutRect;
    const QRect& rect = form.LastMatch()->Rect;
    QCOMPARE(form.VScrollBar->value(), int(std::lround(rect.top() * 2.0)) + layout.top() - 10);
    QCOMPARE(form.HScrollBar->value(), int(std::lround(rect.left() * 2.0)) + layout.left() - 10);
    QCOMPARE(form.Label1->text(), QString("Page 2/3"));
    const int firstY = form.VScrollBar->value();
    QTest::keyClick(form.PBox, Qt::Key_F3);
    QVERIFY(form.VScrollBar->value() > firstY);
    QCOMPARE(form.CurrentPage(), 2);
    QTest::keyClick(form.PBox, Qt::Key_F3);
    QCOMPARE(form.CurrentPage(), 3);
    const int lastY = form.VScrollBar->value();
    QTest::keyClick(form.PBox, Qt::Key_F3);
    QCOMPARE(form.VScrollBar->value(), lastY);
    QCOMPARE(form.CurrentPage(), 3);

    // The dialog opens with the last choices.
    PreviewSearchDialog() = [&](QWidget*, const TrpSearchRequest& last) {
        asked = last;
        return std::optional<TrpSearchRequest>();
    };
    form.FindText();
    QCOMPARE(asked.Text, QString("total"));

    // The found item, framed, at 100%.
    form.ChooseZoom(100);
    PreviewSearchDialog() = [](QWidget*, const TrpSearchRequest&) {
        return std::optional<TrpSearchRequest>(TrpSearchRequest{"carried", false, true});
    };
    form.FindText();
    QCOMPARE(form.CurrentPage(), 3);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    preview_test::SaveShot(form.grab().toImage(), "preview-found");
}

void PreviewSearchTest::dialogCarriesTheChoices() {
    TrpPreviewSearchForm dialog;
    QCOMPARE(dialog.windowTitle(), QString("Find text"));
    QVERIFY(!dialog.CaseSensitive->isChecked());
    QVERIFY(dialog.FirstPage->isChecked());
    QCOMPARE(dialog.CaseSensitive->text(), QString("&Case sensitive"));
    QCOMPARE(dialog.CurrentPage->text(), QString("Current &page"));
    dialog.SetRequest({"TOTAL", true, false});
    const TrpSearchRequest back = dialog.Request();
    QCOMPARE(back.Text, QString("TOTAL"));
    QVERIFY(back.CaseSensitive);
    QVERIFY(!back.FromFirstPage);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.Edit1->selectedText(), QString("TOTAL"));
    preview_test::SaveShot(dialog.grab().toImage(), "search-dialog");
}

QTEST_MAIN(PreviewSearchTest)
#include "PreviewSearchTest.moc"
