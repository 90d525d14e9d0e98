// Print in the validation window: log on, validate through the window's
// seams, press Print, and look at what reached the report - the template
// loaded from Report/ beside Data/, the three variables as the report's
// evaluator reads them, and whether the report tried to show pages (a
// recording preview sink stands in for the preview window). Message boxes
// are captured through the message seam.
#include "QtMessageSink.h"
#include "ReportFillTest.h"
#include "TSummaryReport.h"
#include "TSummaryTemplate.h"
#include "TrpEMFPages.h"
#include "TrpPreviewSeam.h"
#include "TrpReport.h"
#include "u_Morvane.h"
#include "u_MorvaneLogon.h"
#include "u_main.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <utility>
#include <vector>

using namespace morvane;

namespace {

using Message = std::pair<TMessageKind, std::string>;

template <class T> T* Control(QWidget* w, const char* name) {
    T* c = w->findChild<T*>(QString::fromLatin1(name));
    if (c == nullptr)
        qFatal("control %s not found", name);
    return c;
}

void WriteAll(const QString& path, const std::string& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes.data(), static_cast<qint64>(bytes.size())),
             static_cast<qint64>(bytes.size()));
}

// Counts the reports handed to the preview.
class TRecordingPreview : public report::TrpPreviewSink {
public:
    void ShowPreview(report::TrpReport&, const std::string&) override { ++shown; }
    int shown = 0;
};

} // namespace

class ReportRequestWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString dataDir_;
    QString templateFile_;
    std::vector<Message> messages_;
    TRecordingPreview preview_;
    report::TrpPreviewSink* previousPreview_ = nullptr;

    QString Input(const QString& name, const std::vector<std::string>& lines) {
        const QString path = dir_.path() + "/" + name;
        WriteAll(path, test::Crlf(lines));
        return path;
    }

    TfmMorvane* LogOn(TfmMain& frame) {
        TfmLogOn* logOn = frame.CreateLogOn();
        Control<QLineEdit>(logOn, "eUser")->setText(QStringLiteral("CLERK"));
        Control<QLineEdit>(logOn, "ePassword")->setText(QStringLiteral("pw"));
        QTest::mouseClick(Control<QAbstractButton>(logOn, "bLogOn"), Qt::LeftButton);
        const auto windows = frame.ClientArea()->subWindowList();
        if (windows.isEmpty())
            return nullptr;
        return qobject_cast<TfmMorvane*>(windows.last()->widget());
    }

    void Validate(TfmMorvane& w, const QString& input) {
        w.OpenFileDialog = [input] { return std::optional<QString>(input); };
        w.FolderBrowser = [this] { return std::optional<QString>(dir_.path()); };
        QTest::mouseClick(Control<QPushButton>(&w, "btnOpenFile"), Qt::LeftButton);
        QTest::mouseClick(Control<QPushButton>(&w, "Button3"), Qt::LeftButton);
        QTest::mouseClick(Control<QPushButton>(&w, "BitBtn2"), Qt::LeftButton);
    }

    void Print(TfmMorvane& w) {
        messages_.clear();
        preview_.shown = 0;
        QTest::mouseClick(Control<QPushButton>(&w, "BitBtn1"), Qt::LeftButton);
    }

    static std::string Value(TfmMorvane& w, const char* variable) {
        return w.ReportComponents().rpReport1().Evaluate(variable).ToText();
    }

    // RunReport hands the report to the preview exactly when generation
    // left pages (the recording sink does not take them over).
    int ExpectedShows(TfmMorvane& w) {
        return w.ReportComponents().rpReport1().EMFPages().Count() > 0 ? 1 : 0;
    }

    void ExpectNoData(TfmMorvane& w) {
        Print(w);
        QCOMPARE(messages_.size(), size_t(1));
        QCOMPARE(messages_[0].first, TMessageKind::Error);
        QCOMPARE(messages_[0].second, std::string(TfmMorvane::kNoDataMessage));
        QCOMPARE(preview_.shown, 0);
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        dataDir_ = dir_.path() + "/Data";
        QVERIFY(QDir().mkpath(dataDir_));
        QVERIFY(QDir().mkpath(dir_.path() + "/Report"));
        WriteAll(dataDir_ + "/UserLogOn.ini", "[Inquiry]\r\nUser=clerk\r\nPass=pw\r\n");
        templateFile_ = dir_.path() + "/Report/PaymentDetail.rpf";
        report::TrpReport summary;
        BuildSummaryTemplate(summary);
        summary.SaveToFile(templateFile_.toStdString());
        previousPreview_ = report::SetPreviewSink(&preview_);
    }

    void cleanupTestCase() { report::SetPreviewSink(previousPreview_); }

    void init() {
        CreateReportTable(dataDir_.toStdString());
        messages_.clear();
        TQtMessageSink::SetCapture([this](TMessageKind kind, const std::string& text) {
            messages_.emplace_back(kind, text);
        });
    }

    void cleanup() { TQtMessageSink::SetCapture({}); }

    // A clean run with three records and a company id with a quote: the
    // template is loaded, the variables read as the plain texts, the table
    // stays open, and no box appears.
    void printAfterCleanRunReachesTheReport() {
        TfmMain frame(dataDir_);
        TfmMorvane* w = LogOn(frame);
        QVERIFY(w);
        QVERIFY(Control<QPushButton>(w, "BitBtn1")->isEnabled());
        QCOMPARE(w->SummaryTemplateFile(), QFileInfo(templateFile_).absoluteFilePath());

        auto lines = test::ThreeDetails();
        lines[0] = test::Header("BATCH1", "O'NEIL");
        Validate(*w, Input("clean.txt", lines));
        const QString hash = Control<QLineEdit>(w, "edtHashvalue")->text();
        QCOMPARE(hash.size(), 40);

        Print(*w);
        QVERIFY2(messages_.empty(), messages_.empty() ? "" : messages_[0].second.c_str());
        QCOMPARE(Value(*w, "recordcount"), std::string("3"));
        QCOMPARE(Value(*w, "comId"), std::string("O'NEIL"));
        QCOMPARE(Value(*w, "hashValue"), hash.toStdString());
        report::TrpReport& report = w->ReportComponents().rpReport1();
        QCOMPARE(report.Pages.Count(), size_t(1));
        QVERIFY(report.FindObject(TSummaryTemplateNames::kMasterDataBand) != nullptr);
        QVERIFY(w->TableComponents().dbDetailReport().Active());
        QCOMPARE(preview_.shown, ExpectedShows(*w));

        // Typed into the hash field: the report takes the text as it stands.
        Control<QLineEdit>(w, "edtHashvalue")->setText(QStringLiteral("typed 'digest'"));
        Print(*w);
        QVERIFY(messages_.empty());
        QCOMPARE(Value(*w, "hashValue"), std::string("typed 'digest'"));
    }

    // Without a clean run behind it Print only shows "No data .": after
    // Clear, after a failed run, and in a window that never validated.
    void printWithoutCleanRunShowsNoData() {
        TfmMain frame(dataDir_);
        TfmMorvane* w = LogOn(frame);
        QVERIFY(w);
        ExpectNoData(*w);
        QCOMPARE(w->ReportComponents().rpReport1().Pages.Count(), size_t(0));
        QVERIFY(!w->TableComponents().dbDetailReport().Active());

        Validate(*w, Input("clean.txt", test::ThreeDetails()));
        QVERIFY(!Control<QLineEdit>(w, "edtHashvalue")->text().isEmpty());
        QTest::mouseClick(Control<QPushButton>(w, "BitBtn3"), Qt::LeftButton);
        ExpectNoData(*w);

        auto faulty = test::ThreeDetails();
        test::Put(faulty[1], 207, "9");
        Validate(*w, Input("faulty.txt", faulty));
        ExpectNoData(*w);
        QCOMPARE(w->ReportComponents().rpReport1().Dictionary.Variables.Count(), 0);
    }

    // A missing template is silent and the report keeps the template it
    // had; a table that cannot be opened ends Print with the table store's
    // message and runs no report.
    void missingTemplateAndMissingTable() {
        TfmMain frame(dataDir_);
        TfmMorvane* w = LogOn(frame);
        QVERIFY(w);
        Validate(*w, Input("clean.txt", test::ThreeDetails()));
        const QString moved = templateFile_ + ".away";
        QVERIFY(QFile::rename(templateFile_, moved));
        Print(*w);
        QVERIFY(QFile::rename(moved, templateFile_));
        QVERIFY(messages_.empty());
        QCOMPARE(w->ReportComponents().rpReport1().Pages.Count(), size_t(0));
        QCOMPARE(Value(*w, "recordcount"), std::string("3"));

        w->TableComponents().dbDetailReport().Close();
        QVERIFY(QFile::remove(dataDir_ + "/ReportTableDetail.DAT"));
        Print(*w);
        QCOMPARE(messages_.size(), size_t(1));
        QCOMPARE(messages_[0].first, TMessageKind::Error);
        QVERIFY2(messages_[0].second.rfind("Tabula Engine Error # ", 0) == 0,
                 messages_[0].second.c_str());
        QCOMPARE(preview_.shown, 0);
        QCOMPARE(w->ReportComponents().rpReport1().Pages.Count(), size_t(0));
    }
};

QTEST_MAIN(ReportRequestWindowTest)
#include "ReportRequestWindowTest.moc"
