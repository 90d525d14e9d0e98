// The progress window: it runs its work once shown, shows the work's
// labels, closes with OK when the work ends, and Cancel sets the report's
// Terminated flag and closes with Cancel; an error of the work reaches the
// caller after the window closed.
#include "TrpPreviewSeam.h"
#include "TrpProgressForm.h"
#include "TrpReport.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QtTest>
#include <stdexcept>

using namespace report;

class ProgressFormTest : public QObject {
    Q_OBJECT
private slots:
    void runsOnceShownAndClosesWithOk() {
        TrpProgressForm form;
        TrpReport report;
        bool wasVisible = false;
        QString firstLine, secondLine, button;
        int runs = 0;
        form.Run(report, "Report preparing - T", "Processing page:", [&] {
            ++runs;
            wasVisible = form.isVisible();
            QCOMPARE(form.windowTitle(), QStringLiteral("Report preparing - T"));
            form.SetLabel("Processing page:  1");
            form.ProcessEvents();
            firstLine = form.findChild<QLabel*>("Label1")->text();
            secondLine = form.findChild<QLabel*>("Label2")->text();
            button = form.findChild<QPushButton*>("Button1")->text();
        });
        QCOMPARE(runs, 1);
        QVERIFY(wasVisible);
        QVERIFY(!form.isVisible());
        QCOMPARE(form.LastResult(), int(QDialog::Accepted));
        QCOMPARE(firstLine, QStringLiteral("Processing page:  1"));
        QCOMPARE(secondLine, QString());
        QCOMPARE(button, QStringLiteral("Cancel"));
        QCOMPARE(form.size(), QSize(kProgressFormWidth, kProgressFormHeight));
        QVERIFY(!report.Terminated);
    }

    // Cancel pressed while the work runs: the work sees Terminated at its
    // next page and the window answers Cancel.
    void cancelSetsTerminated() {
        TrpProgressForm form;
        TrpReport report;
        int pages = 0;
        form.Run(report, "Report preparing", "Printing page:", [&] {
            for (pages = 1; pages <= 100 && !report.Terminated; ++pages) {
                if (pages == 3)
                    QTest::mouseClick(form.findChild<QPushButton*>("Button1"), Qt::LeftButton);
                form.ProcessEvents();
            }
        });
        QVERIFY(report.Terminated);
        QCOMPARE(pages, 4);
        QCOMPARE(form.LastResult(), int(QDialog::Rejected));
        QVERIFY(!form.isVisible());

        // The form is reused: the next run starts clean.
        report.Terminated = false;
        form.Run(report, "Again", "Printing page:", [] {});
        QCOMPARE(form.LastResult(), int(QDialog::Accepted));
    }

    void workErrorPassesOnAfterClosing() {
        TrpProgressForm form;
        TrpReport report;
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, form.Run(report, "Report preparing", "", [] {
            throw std::runtime_error("broken");
        }));
        QVERIFY(!form.isVisible());
    }

    // With MORVANE_SHOTS set: the window during a run, as a PNG there.
    void screenshot() {
        const QString dir = QString::fromLocal8Bit(qgetenv("MORVANE_SHOTS"));
        if (dir.isEmpty())
            QSKIP("MORVANE_SHOTS not set");
        TrpProgressForm form;
        TrpReport report;
        bool saved = false;
        form.Run(report, "Report preparing - Payment detail", "Printing page:", [&] {
            form.SetLabel("Printing page:  2");
            form.ProcessEvents();
            saved = form.grab().save(dir + "/progress.png");
        });
        QVERIFY(saved);
    }

    void installBecomesTheEnginesSink() {
        TrpProgressSink* previous = SetProgressSink(nullptr);
        InstallProgressForm();
        QVERIFY(dynamic_cast<TrpProgressForm*>(ProgressSink()));
        SetProgressSink(previous);
    }
};

QTEST_MAIN(ProgressFormTest)
#include "ProgressFormTest.moc"
