// The print job: page order for copies, collation, page lists and odd/even
// selection; paper per sheet; the drawing rectangle; Cancel; the progress
// window around the job; a PDF file read back.
#include "PrintTestSupport.h"
#include "TrpDataErrors.h"
#include "TrpPageList.h"
#include "TrpPreviewSeam.h"
#include "TrpPrintJob.h"
#include "TrpPrinter.h"
#include "TrpQtPrintTarget.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace report;
using namespace print_test;

namespace {

// A progress window that runs the work at once and records its texts.
class RecordingProgress : public TrpProgressSink {
public:
    void Run(TrpReport&, const std::string& c, const std::string& l,
             const std::function<void()>& build) override {
        caption = c;
        labels << QString::fromStdString(l);
        build();
    }
    void SetLabel(const std::string& l) override { labels << QString::fromStdString(l); }
    void ProcessEvents() override {
        if (onEvents)
            onEvents();
    }
    std::string caption;
    QStringList labels;
    std::function<void()> onEvents;
};

QString RunPdfTool(const QString& tool, const QStringList& args) {
    QProcess process;
    process.start(tool, args);
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

class PrintJobTest : public QObject {
    Q_OBJECT
private:
    // Runs a job over pages on the virtual printer; the target's record.
    QList<int> Order(int pageCount, const TrpPrintRequest& request) {
        TrpReport report;
        auto pages = MakePages(report, pageCount);
        TrpPrinter printer;
        RecordingTarget target;
        TrpPrintJob job(report, *pages, printer, target);
        job.Run(request);
        return target.pages;
    }
    static TrpPrintRequest Request(const std::string& list, int copies = 1, bool collate = true,
                                   TrpPageSelection selection = TrpPageSelection::AllPages) {
        return {list, copies, collate, selection};
    }

private slots:
    void copiesAndCollation() {
        QCOMPARE(Order(5, Request("1-3", 2, true)), (QList<int>{1, 2, 3, 1, 2, 3}));
        QCOMPARE(Order(5, Request("1-3", 2, false)), (QList<int>{1, 1, 2, 2, 3, 3}));
        QCOMPARE(Order(2, Request("", 0)), (QList<int>{1, 2})); // below 1 counts as 1
        QCOMPARE(Order(2, Request("", -3, false)), (QList<int>{1, 2}));
    }

    void oddAndEvenPages() {
        QCOMPARE(Order(6, Request("1-5", 1, true, TrpPageSelection::EvenPages)),
                 (QList<int>{2, 4}));
        QCOMPARE(Order(6, Request("", 1, true, TrpPageSelection::OddPages)), (QList<int>{1, 3, 5}));
        QCOMPARE(Order(4, Request("2", 2, false, TrpPageSelection::OddPages)), QList<int>{});
    }

    void pageLists() {
        QCOMPARE(Order(15, Request("1,3,5-12")), (QList<int>{1, 3, 5, 6, 7, 8, 9, 10, 11, 12}));
        QCOMPARE(Order(9, Request("7-")), (QList<int>{7, 8, 9}));
        QCOMPARE(Order(5, Request(" 4 , 1 - 2 ")), (QList<int>{1, 2, 4}));
        // Document order, each page once per pass, whatever the list says.
        QCOMPARE(Order(5, Request("3,1,3,2-3")), (QList<int>{1, 2, 3}));
        // Beyond the last page: nothing, also for a range running past it.
        QCOMPARE(Order(5, Request("20")), QList<int>{});
        QCOMPARE(Order(5, Request("4-100000000")), (QList<int>{4, 5}));
        // A range that ends below its start selects no number: all pages.
        QCOMPARE(Order(3, Request("3-1")), (QList<int>{1, 2, 3}));
    }

    void badPageListFailsBeforeAnything() {
        const std::vector<std::pair<std::string, std::string>> cases = {
            {"-3", "'' is not a valid integer value"},
            {"1,,2", "'' is not a valid integer value"},
            {"1,a", "'a' is not a valid integer value"},
            {"2-x", "'x' is not a valid integer value"},
            {"99999999999", "'99999999999' is not a valid integer value"},
        };
        for (const auto& [list, message] : cases) {
            TrpReport report;
            auto pages = MakePages(report, 3);
            TrpPrinter printer;
            RecordingTarget target;
            TrpPrintJob job(report, *pages, printer, target);
            try {
                job.Run(Request(list));
                QFAIL(list.c_str());
            } catch (const EConvertError& e) {
                QCOMPARE(std::string(e.what()), message);
            }
            QVERIFY(target.log.isEmpty());
        }
        QCOMPARE(ReadWholeNumber("+7"), 7);
    }

    // Pages with their own paper: one document, the paper given per
    // sheet; the layer takes a page's paper only when it differs (a user
    // size within 1 of the current one counts as equal).
    void paperPerSheetInOneDocument() {
        FakeBackend backend;
        TrpPrinter printer;
        printer.StartUp(&backend);
        TrpReport report;
        report.Title = "Payments";
        int printEvents = 0;
        report.OnPrintReport = [&] { ++printEvents; };
        auto pages = MakePages(report, 5,
                               {{9, 2100, 2970},
                                {9, 2100, 2970},
                                {11, 2100, 1480, TrpOrientation::Landscape},
                                {256, 2100, 2970},
                                {256, 2101, 2969}});
        RecordingTarget target;
        TrpPrintJob job(report, *pages, printer, target);
        job.ReattachTo = &backend;
        backend.modesApplied = 0;
        QVERIFY(job.Run(Request("")));
        QCOMPARE(target.log, (QStringList{"begin Payments", "end"}));
        QCOMPARE(printEvents, 1);
        QCOMPARE(target.papers, (QStringList{"9x2100x2970", "9x2100x2970", "11x2100x1480L",
                                             "256x2100x2970", "256x2101x2969"}));
        // First page forced, then A5 and the user size; the second A4 and the
        // second user size are equal to what the layer holds.
        QCOMPARE(backend.modesApplied, 3);
    }

    // Whole sheet: the device sheet. Inside margins: the printable area
    // with the margins scaled from engine pixels to device units, placed
    // at the device offset.
    void drawingRectangles() {
        FakeBackend backend;
        TrpPrinter printer;
        printer.StartUp(&backend);
        TrpReport report;
        auto pages = MakePages(report, 2);
        pages->Page(1).WholeSheet = false;
        pages->Page(1).LeftMargin = 38;
        pages->Page(1).TopMargin = 76;
        pages->Page(1).RightMargin = 19;
        pages->Page(1).BottomMargin = 0;
        RecordingTarget target;
        TrpPrintJob job(report, *pages, printer, target);
        QVERIFY(job.Run(Request("")));
        QCOMPARE(target.rects.at(0), QRect(0, 0, 4961, 7016));
        const TrpPageMetrics& m = pages->Page(1).Metrics;
        QCOMPARE(m.devicePrintableWidth, 4761);
        QCOMPARE(m.printableWidth, 727); // 4761 dots at 600 dpi
        const int left = qRound(38.0 * 4761 / 727), top = qRound(76.0 * 6816 / m.printableHeight);
        const int right = 4761 - qRound(19.0 * 4761 / 727);
        QCOMPARE(target.rects.at(1),
                 QRect(QPoint(left, top), QPoint(right, 6816)).translated(100, 100));

        // The virtual printer has no device: its sheet at the target's
        // resolution, with the 5 mm border.
        TrpPrinter virtualOnly;
        RecordingTarget onVirtual;
        TrpPrintJob virtualJob(report, *pages, virtualOnly, onVirtual);
        QVERIFY(virtualJob.Run(Request("")));
        QCOMPARE(onVirtual.rects.at(0), QRect(0, 0, 9921, 14031)); // A4 at 1200 dpi
        QCOMPARE(onVirtual.rects.at(1).topLeft().x(), 236 + qRound(38.0 * (9921 - 472) / 722));
    }

    void terminatedAbortsAfterThePage() {
        TrpReport report;
        auto pages = MakePages(report, 4);
        TrpPrinter printer;
        RecordingTarget target;
        TrpPrintJob job(report, *pages, printer, target);
        job.OnPagePrinted = [&](int n) { report.Terminated = n == 2; };
        QVERIFY(!job.Run(Request("", 2, true)));
        QCOMPARE(target.pages, (QList<int>{1, 2}));
        QCOMPARE(target.log, (QStringList{"begin Untitled", "abort"}));
    }

    // Through the progress window: caption, first line per page; Cancel
    // stops the job and the flag is cleared afterwards.
    void printPreparedReportInTheProgressWindow() {
        RecordingProgress progress;
        TrpProgressSink* previous = SetProgressSink(&progress);
        TrpReport report;
        report.Title = "Summary";
        auto pages = MakePages(report, 3);
        TrpPrinter printer;
        RecordingTarget target;
        TrpPrintJob job(report, *pages, printer, target);
        QVERIFY(PrintPreparedReport(report, job, Request("")));
        QCOMPARE(progress.caption, std::string("Report preparing - Summary"));
        QCOMPARE(progress.labels, (QStringList{"Printing page:", "Printing page:  1",
                                               "Printing page:  2", "Printing page:  3"}));

        progress.onEvents = [&] { report.Terminated = true; }; // Cancel pressed
        RecordingTarget cancelled;
        TrpPrintJob second(report, *pages, printer, cancelled);
        QVERIFY(!PrintPreparedReport(report, second, Request("")));
        QCOMPARE(cancelled.pages, QList<int>{1});
        QVERIFY(!report.Terminated);

        // A report with a progress handler of its own runs the job directly,
        // with the mouse-over handler off for the duration.
        progress.labels.clear();
        QList<int> heard;
        bool mouseOverDuringJob = true;
        report.OnMouseOverObject = [](TrpView*, int&) {};
        report.OnProgress = [&](int n) {
            heard << n;
            mouseOverDuringJob = static_cast<bool>(report.OnMouseOverObject);
        };
        RecordingTarget direct;
        TrpPrintJob third(report, *pages, printer, direct);
        QVERIFY(PrintPreparedReport(report, third, Request("2-3")));
        QCOMPARE(heard, (QList<int>{2, 3}));
        QVERIFY(!mouseOverDuringJob);
        QVERIFY(static_cast<bool>(report.OnMouseOverObject));
        QVERIFY(progress.labels.isEmpty());
        SetProgressSink(previous);
    }

    // The real QPrinter target on a PDF file: every sheet, in the job's
    // order, with its own paper.
    void pdfFileReadBack() {
        QTemporaryDir dir;
        const QString file = dir.filePath("job.pdf");
        TrpReport report;
        auto pages = MakePages(
            report, 3,
            {{9, 2100, 2970}, {11, 2100, 1480, TrpOrientation::Landscape}, {9, 2100, 2970}});
        TrpPrinter printer;
        auto target = TrpQtPrintTarget::ForPdfFile(file);
        TrpPrintJob job(report, *pages, printer, *target);
        QVERIFY(job.Run(Request("1-3", 2, false, TrpPageSelection::AllPages)));
        const QString shots = QString::fromLocal8Bit(qgetenv("MORVANE_SHOTS"));
        if (!shots.isEmpty()) {
            QFile::remove(shots + "/job.pdf");
            QFile::copy(file, shots + "/job.pdf");
        }
        const QString text = RunPdfTool("pdftotext", {"-layout", file, "-"});
        const QStringList sheets = text.split('\f', Qt::SkipEmptyParts);
        QStringList found;
        for (const QString& sheet : sheets)
            found << sheet.trimmed();
        QCOMPARE(found,
                 (QStringList{"Sheet 1", "Sheet 1", "Sheet 2", "Sheet 2", "Sheet 3", "Sheet 3"}));
        const QString info = RunPdfTool("pdfinfo", {"-f", "1", "-l", "6", file});
        // A5 landscape: 210 mm wide, 148 mm high.
        for (const char* line :
             {"Page    1 size:  595 x 842 pts (A4)", "Page    3 size:  595 x 420 pts (A5)",
              "Page    4 size:  595 x 420 pts (A5)", "Page    5 size:  595 x 842 pts (A4)"})
            QVERIFY2(info.contains(QLatin1String(line)), qPrintable(info));
    }

    // A job that printed no sheet leaves no file behind.
    void nothingSelectedWritesNoFile() {
        QTemporaryDir dir;
        const QString file = dir.filePath("empty.pdf");
        TrpReport report;
        auto pages = MakePages(report, 2);
        TrpPrinter printer;
        auto target = TrpQtPrintTarget::ForPdfFile(file);
        TrpPrintJob job(report, *pages, printer, *target);
        QVERIFY(job.Run(Request("7")));
        QVERIFY(!QFile::exists(file));
    }
};

QTEST_MAIN(PrintJobTest)
#include "PrintJobTest.moc"
