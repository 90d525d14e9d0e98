// The report table on the window's Validate road: log on, open a validation
// window, pick the file and the folder through the window's seams, Validate,
// and read the table back; the message boxes are captured through the
// message seam. Also the window's creation: it empties the table, and a
// missing table is shown by the error handler and stops the creation steps.
#include "QtMessageSink.h"
#include "ReportFillTest.h"
#include "ReportTable.h"
#include "u_Morvane.h"
#include "u_MorvaneLogon.h"
#include "u_main.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTabWidget>
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

} // namespace

class ReportFillWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString dataDir_;
    std::vector<Message> messages_;

    std::string DataBytes() const { return dataDir_.toStdString(); }

    QString Input(const QString& name, const std::vector<std::string>& lines) {
        const QString path = dir_.path() + "/" + name;
        WriteAll(path, test::Crlf(lines));
        return path;
    }

    // Logs on through the logon window's controls; answers the window opened.
    TfmMorvane* LogOn(TfmMain& frame, TfmLogOn& logOn) {
        const int before = frame.ClientArea()->subWindowList().size();
        Control<QLineEdit>(&logOn, "eUser")->setText(QStringLiteral("CLERK"));
        Control<QLineEdit>(&logOn, "ePassword")->setText(QStringLiteral("pw"));
        QTest::mouseClick(Control<QAbstractButton>(&logOn, "bLogOn"), Qt::LeftButton);
        const auto windows = frame.ClientArea()->subWindowList();
        if (windows.size() != before + 1)
            return nullptr;
        return qobject_cast<TfmMorvane*>(windows.last()->widget());
    }

    // Picks the file and the folder through the Open buttons and validates.
    void PickAndValidate(TfmMorvane& w, const QString& input) {
        w.OpenFileDialog = [input] { return std::optional<QString>(input); };
        w.FolderBrowser = [this] { return std::optional<QString>(dir_.path()); };
        QTest::mouseClick(Control<QPushButton>(&w, "btnOpenFile"), Qt::LeftButton);
        QTest::mouseClick(Control<QPushButton>(&w, "Button3"), Qt::LeftButton);
        QTest::mouseClick(Control<QPushButton>(&w, "BitBtn2"), Qt::LeftButton);
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        dataDir_ = dir_.path() + "/Data";
        QVERIFY(QDir().mkpath(dataDir_));
        WriteAll(dataDir_ + "/UserLogOn.ini", "[Inquiry]\r\nUser=clerk\r\nPass=pw\r\n");
    }

    void init() {
        CreateReportTable(DataBytes());
        messages_.clear();
        TQtMessageSink::SetCapture([this](TMessageKind kind, const std::string& text) {
            messages_.emplace_back(kind, text);
        });
    }

    void cleanup() { TQtMessageSink::SetCapture({}); }

    // A clean run leaves one row per detail record; a failed run keeps them;
    // a window opened later empties the table as it is created.
    void validateRoadFillsTheTable() {
        TfmMain frame(dataDir_);
        TfmLogOn* logOn = frame.CreateLogOn();
        TfmMorvane* w = LogOn(frame, *logOn);
        QVERIFY(w);
        QCOMPARE(Control<QTabWidget>(w, "PageControl1")->tabText(0),
                 QStringLiteral("Validate File "));

        PickAndValidate(*w, Input("clean.txt", test::ThreeDetails()));
        QCOMPARE(messages_.size(), size_t(1));
        QCOMPARE(messages_[0].first, TMessageKind::Information);
        QCOMPARE(messages_[0].second, std::string("Success Data. "));
        QCOMPARE(Control<QLabel>(w, "Label4")->text(), QStringLiteral("File Validate Success "));
        QVERIFY(!Control<QLineEdit>(w, "edtHashvalue")->text().isEmpty());
        auto rows = test::ReadReportRows(DataBytes());
        QCOMPARE(rows.size(), size_t(3));
        QVERIFY(rows[0] == test::ExpectedReportRow(1, "Delete"));
        QVERIFY(rows[1] == test::ExpectedReportRow(2, "Add"));
        QVERIFY(rows[2] == test::ExpectedReportRow(3, "Special Add"));

        // A field fault (an unknown action code): the grid shows it, the
        // table keeps the rows of the clean run.
        messages_.clear();
        auto faulty = test::ThreeDetails();
        test::Put(faulty[1], 207, "9");
        PickAndValidate(*w, Input("faulty.txt", faulty));
        QVERIFY(messages_.empty());
        QCOMPARE(Control<QLabel>(w, "Label4")->text(), QStringLiteral("Invalid data fields"));
        QCOMPARE(test::ReadReportRows(DataBytes()).size(), size_t(3));

        // A second window: its creation statement empties the table.
        TfmMorvane* second = LogOn(frame, *logOn);
        QVERIFY(second);
        QVERIFY(messages_.empty());
        QVERIFY(test::ReadReportRows(DataBytes()).empty());
        // Both windows refill the same table.
        PickAndValidate(*second, Input("one.txt", test::CleanLines(1)));
        QCOMPARE(test::ReadReportRows(DataBytes()).size(), size_t(1));
        PickAndValidate(*w, Input("clean.txt", test::ThreeDetails()));
        QCOMPARE(test::ReadReportRows(DataBytes()).size(), size_t(3));
    }

    // Without the table the creation statement fails: the engine's message
    // in an error box, the window still opens, but the steps after the
    // statement did not run; Validate then stops at the refill with the
    // message, after the output file is written.
    void missingTableStopsCreationAndRefill() {
        QVERIFY(QFile::remove(dataDir_ + "/ReportTableDetail.DAT"));
        TfmMain frame(dataDir_);
        TfmLogOn* logOn = frame.CreateLogOn();
        TfmMorvane* w = LogOn(frame, *logOn);
        QVERIFY(w);
        QCOMPARE(messages_.size(), size_t(1));
        QCOMPARE(messages_[0].first, TMessageKind::Error);
        QVERIFY2(messages_[0].second.rfind("Tabula Engine Error # ", 0) == 0,
                 messages_[0].second.c_str());
        QCOMPARE(Control<QTabWidget>(w, "PageControl1")->tabText(0), QString());

        messages_.clear();
        PickAndValidate(*w, Input("clean.txt", test::ThreeDetails()));
        QCOMPARE(messages_.size(), size_t(1));
        QCOMPARE(messages_[0].first, TMessageKind::Error);
        QVERIFY(messages_[0].second.rfind("Tabula Engine Error # ", 0) == 0);
        const QString output = Control<QLineEdit>(w, "DestinationPath")->text();
        QVERIFY(QFile::exists(output));
        QCOMPARE(Control<QLabel>(w, "Label4")->text(), QString());
    }
};

QTEST_MAIN(ReportFillWindowTest)
#include "ReportFillWindowTest.moc"
