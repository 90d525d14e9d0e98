// The desktop windows driven through their controls, found by name, with
// the message boxes captured through the message seam and the dialogs and
// the clock replaced through the window's seams.
#include "QtMessageSink.h"
#include "ReportTable.h"
#include "ResultGridModel.h"
#include "tabula/FormatSettings.h"
#include "u_Morvane.h"
#include "u_MorvaneLogon.h"
#include "u_main.h"

#include <QAbstractButton>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <ctime>
#include <memory>
#include <utility>
#include <vector>

using namespace morvane;

namespace {

using Message = std::pair<TMessageKind, std::string>;

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

template <class T> T* Control(QWidget* w, const char* name) {
    T* c = w->findChild<T*>(QString::fromLatin1(name));
    if (c == nullptr)
        qFatal("control %s not found", name);
    return c;
}

// Grid cell (col, row) as StringGrid1 shows it: row 0 is the horizontal
// header, column 0 the vertical header.
QString GridCell(QTableView* grid, int col, int row) {
    auto* model = qobject_cast<TResultGridModel*>(grid->model());
    return model ? model->CellText(col, row) : QString();
}

std::chrono::system_clock::time_point LocalTime(int y, int mo, int d, int h, int mi, int s) {
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_sec = s;
    tm.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&tm));
}

QList<TfmMorvane*> ValidationWindows(TfmMain& frame) {
    QList<TfmMorvane*> out;
    for (QMdiSubWindow* sw : frame.ClientArea()->subWindowList())
        if (auto* w = qobject_cast<TfmMorvane*>(sw->widget()))
            out.append(w);
    return out;
}

} // namespace

class WindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString dataDir_;
    std::vector<Message> messages_;
    QByteArray sample_;
    // As in the program, a logon window stays open behind the validation
    // windows: its database "DB" is the one their table statements resolve
    // to, and Data/ holds the report table as the build lays it out.
    std::unique_ptr<TfmLogOn> logOn_;

    void WriteIni(const QByteArray& text) { WriteAll(dataDir_ + "/UserLogOn.ini", text); }

    QString Input(const QString& name, const QByteArray& content) {
        const QString path = dir_.path() + "/" + name;
        WriteAll(path, content);
        return path;
    }

    // Fills the two fields as a user would type them and presses Validate.
    void Validate(TfmMorvane& w, const QString& input, const QString& destination) {
        Control<QLineEdit>(&w, "edtFileInput")->setText(input);
        Control<QLineEdit>(&w, "DestinationPath")->setText(destination);
        QTest::mouseClick(Control<QPushButton>(&w, "BitBtn2"), Qt::LeftButton);
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        dataDir_ = dir_.path() + "/Data";
        QVERIFY(QDir().mkpath(dataDir_));
        sample_ = ReadAll(QStringLiteral(MORVANE_SAMPLE_FILE));
        QVERIFY(sample_.size() > 300);
        CreateReportTable(dataDir_.toStdString());
        logOn_ = std::make_unique<TfmLogOn>(dataDir_, [] {});
    }

    void cleanupTestCase() { logOn_.reset(); }

    void init() {
        messages_.clear();
        TQtMessageSink::SetCapture([this](TMessageKind kind, const std::string& text) {
            messages_.emplace_back(kind, text);
        });
    }

    void cleanup() { TQtMessageSink::SetCapture({}); }

    // A lower-case stored user matches the upper-cased typed name; the
    // password must match exactly; every success opens one more window;
    // Enter logs on from the password field only; the refusal label stays.
    void logonAcceptedAndRefused() {
        WriteIni("[Inquiry]\r\nUser=clerk\r\nPass=Secret1\r\n");
        TfmMain frame(dataDir_);
        QCOMPARE(frame.windowTitle(), QStringLiteral("Version 1.0.0"));
        QVERIFY(!(frame.windowFlags() & Qt::WindowMaximizeButtonHint));
        // The banner pictures are compiled in and decoded as JPEG.
        QVERIFY(!Control<QLabel>(&frame, "Image1")->pixmap().isNull());
        QVERIFY(!Control<QLabel>(&frame, "Image2")->pixmap().isNull());
        TfmLogOn* logOn = frame.CreateLogOn();
        frame.show();
        auto* eUser = Control<QLineEdit>(logOn, "eUser");
        auto* ePassword = Control<QLineEdit>(logOn, "ePassword");
        auto* bLogOn = Control<QAbstractButton>(logOn, "bLogOn");
        auto* denied = Control<QLabel>(logOn, "logonMessage");
        QCOMPARE(Control<QLabel>(logOn, "errorMessage")->text(), QString());
        QVERIFY(denied->isHidden());

        QTest::keyClicks(eUser, "clerk-with-more");
        QCOMPARE(eUser->text(), QStringLiteral("CLERK-WITH"));
        eUser->clear();
        QTest::keyClicks(eUser, "clerk");
        QCOMPARE(eUser->text(), QStringLiteral("CLERK"));
        QTest::keyClicks(ePassword, "Secret1");
        QTest::keyClick(eUser, Qt::Key_Return);
        QCOMPARE(ValidationWindows(frame).size(), 0);

        QTest::mouseClick(bLogOn, Qt::LeftButton);
        QCOMPARE(ValidationWindows(frame).size(), 1);
        QTest::keyClick(ePassword, Qt::Key_Return);
        QCOMPARE(ValidationWindows(frame).size(), 2);
        QVERIFY(denied->isHidden());

        ePassword->setText(QStringLiteral("secret1"));
        QTest::mouseClick(bLogOn, Qt::LeftButton);
        QCOMPARE(ValidationWindows(frame).size(), 2);
        QVERIFY(!denied->isHidden());

        ePassword->setText(QStringLiteral("Secret1"));
        QTest::mouseClick(bLogOn, Qt::LeftButton);
        QCOMPARE(ValidationWindows(frame).size(), 3);
        QVERIFY(!denied->isHidden());
        QVERIFY(messages_.empty());
    }

    // Missing file, section or user: nobody logs on, not even with empty
    // fields.
    void logonRefusedWithoutStoredUser_data() {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<bool>("writeFile");
        QTest::newRow("no file") << QByteArray() << false;
        QTest::newRow("no section") << QByteArray("[Other]\nUser=\nPass=\n") << true;
        QTest::newRow("empty user") << QByteArray("[Inquiry]\nUser=\nPass=\n") << true;
    }
    void logonRefusedWithoutStoredUser() {
        QFETCH(QByteArray, ini);
        QFETCH(bool, writeFile);
        QFile::remove(dataDir_ + "/UserLogOn.ini");
        if (writeFile)
            WriteIni(ini);
        TfmMain frame(dataDir_);
        TfmLogOn* logOn = frame.CreateLogOn();
        QTest::mouseClick(Control<QAbstractButton>(logOn, "bLogOn"), Qt::LeftButton);
        QCOMPARE(ValidationWindows(frame).size(), 0);
        QVERIFY(!Control<QLabel>(logOn, "logonMessage")->isHidden());
    }

    void windowStartsEmpty() {
        tabula::TFormatSettings::SetGlobal(tabula::TFormatSettings::Defaults());
        TfmMorvane w(dataDir_);
        QCOMPARE(tabula::TFormatSettings::Global().shortDateFormat, std::string("dd/mm/yyyy"));
        QCOMPARE(w.windowTitle(), QStringLiteral("Morvane"));
        QCOMPARE(Control<QTabWidget>(&w, "PageControl1")->tabText(0),
                 QStringLiteral("Validate File "));
        auto* print = Control<QPushButton>(&w, "BitBtn1");
        QVERIFY(!print->isHidden());
        QVERIFY(print->isEnabled());
        auto* grid = Control<QTableView>(&w, "StringGrid1");
        QCOMPARE(grid->model()->columnCount(), 1); // 2 columns, one of them fixed
        QCOMPARE(grid->model()->rowCount(), 1);    // 2 rows, one of them fixed
        QCOMPARE(grid->verticalHeader()->width(), 40);
        QCOMPARE(grid->columnWidth(0), 122);
    }

    void validateAsksForInputThenPath() {
        TfmMorvane w(dataDir_);
        Validate(w, QString(), QString());
        QCOMPARE(messages_.size(), size_t(1));
        QCOMPARE(messages_[0].first, TMessageKind::Error);
        QCOMPARE(messages_[0].second, std::string("Please select input file  . "));
        messages_.clear();
        Validate(w, Input("a.txt", sample_), QString());
        QCOMPARE(messages_.size(), size_t(1));
        QCOMPARE(messages_[0].second, std::string("Please select path  . "));
    }

    // Record-type faults: a short detail line and an unknown record type.
    void faultyRecordTypes() {
        QByteArray faulty = sample_;
        const int line3 = faulty.indexOf("002", faulty.indexOf("002") + 3);
        faulty.remove(line3 + 100, 1);
        faulty.append("XYZ\r\n");
        const QString input = Input("faulty.txt", faulty);
        const QString output = dir_.path() + "/faulty.out";

        TfmMorvane w(dataDir_);
        Validate(w, input, output);
        QCOMPARE(messages_.size(), size_t(1));
        QCOMPARE(messages_[0].first, TMessageKind::Error);
        QCOMPARE(messages_[0].second, std::string("Error Data. "));

        auto* grid = Control<QTableView>(&w, "StringGrid1");
        QCOMPARE(grid->model()->columnCount(), 4); // 5-column layout
        QCOMPARE(grid->model()->rowCount(), 3);    // two faults + empty row
        QCOMPARE(GridCell(grid, 0, 0), QStringLiteral("No."));
        QCOMPARE(GridCell(grid, 4, 0), QStringLiteral("Message"));
        QCOMPARE(grid->columnWidth(3), 500);
        QCOMPARE(GridCell(grid, 0, 1), QStringLiteral("1"));
        QCOMPARE(GridCell(grid, 1, 1), input);
        QCOMPARE(GridCell(grid, 3, 1), QStringLiteral("3"));
        QCOMPARE(GridCell(grid, 4, 1), QStringLiteral("Length in record invalid"));
        QCOMPARE(GridCell(grid, 0, 2), QStringLiteral("2"));
        QCOMPARE(GridCell(grid, 2, 2), QStringLiteral("Record type invalid code"));
        QCOMPARE(GridCell(grid, 3, 2), QStringLiteral("9"));
        QCOMPARE(GridCell(grid, 0, 3), QString());

        QCOMPARE(Control<QLabel>(&w, "Label4")->text(), QStringLiteral("Invalid data fields"));
        QCOMPARE(Control<QLineEdit>(&w, "edtHashvalue")->text(), QString());
        QVERIFY(!QFile::exists(output));
        QVERIFY(QFile::exists(dataDir_ + "/TempNewFile.txt"));
    }

    // A field fault: the 9-column layout with the account and payee cells;
    // the field pass shows no message box.
    void faultyField() {
        QByteArray faulty = sample_;
        const int line2 = faulty.indexOf("002");
        faulty.replace(line2 + 41, 3, "pay");
        const QString input = Input("field.txt", faulty);

        TfmMorvane w(dataDir_);
        Validate(w, input, dir_.path() + "/field.out");
        QVERIFY(messages_.empty());
        auto* grid = Control<QTableView>(&w, "StringGrid1");
        QCOMPARE(grid->model()->columnCount(), 8);
        QCOMPARE(grid->model()->rowCount(), 2);
        QCOMPARE(GridCell(grid, 8, 0), QStringLiteral("Payee Name"));
        QCOMPARE(grid->columnWidth(6), 75);
        QCOMPARE(GridCell(grid, 3, 1), QStringLiteral("2"));
        QCOMPARE(GridCell(grid, 4, 1), QStringLiteral("42-44"));
        QCOMPARE(GridCell(grid, 5, 1), QStringLiteral("Product Code"));
        QCOMPARE(GridCell(grid, 7, 1), QString::fromLatin1(faulty.mid(line2 + 44, 25)));
        QCOMPARE(Control<QLabel>(&w, "Label4")->text(), QStringLiteral("Invalid data fields"));
    }

    // A clean run: digest shown, output written, success status and message;
    // then Clear empties everything and keeps the first two headers.
    void cleanRunThenClear() {
        const QString input = Input("clean.txt", sample_);
        const QString output = dir_.path() + "/clean.out";
        TfmMorvane w(dataDir_);
        Validate(w, input, output);
        QCOMPARE(messages_.size(), size_t(1));
        QCOMPARE(messages_[0].first, TMessageKind::Information);
        QCOMPARE(messages_[0].second, std::string("Success Data. "));

        const QByteArray temp = ReadAll(dataDir_ + "/TempNewFile.txt");
        const QByteArray digest =
            QCryptographicHash::hash(temp, QCryptographicHash::Sha1).toHex().toUpper();
        auto* hash = Control<QLineEdit>(&w, "edtHashvalue");
        QCOMPARE(hash->text().toLatin1(), digest);
        QCOMPARE(ReadAll(output), digest + "\r\n" + temp);
        QCOMPARE(Control<QLabel>(&w, "Label4")->text(), QStringLiteral("File Validate Success "));
        auto* grid = Control<QTableView>(&w, "StringGrid1");
        QCOMPARE(grid->model()->columnCount(), 8);
        QCOMPARE(grid->model()->rowCount(), 1);

        QTest::mouseClick(Control<QPushButton>(&w, "BitBtn3"), Qt::LeftButton);
        QCOMPARE(Control<QLineEdit>(&w, "edtFileInput")->text(), QString());
        QCOMPARE(Control<QLineEdit>(&w, "DestinationPath")->text(), QString());
        QCOMPARE(hash->text(), QString());
        QCOMPARE(Control<QLabel>(&w, "Label4")->text(), QString());
        QCOMPARE(grid->model()->columnCount(), 1);
        QCOMPARE(grid->model()->rowCount(), 1);
        QCOMPARE(GridCell(grid, 0, 0), QStringLiteral("No."));
        QCOMPARE(GridCell(grid, 1, 0), QStringLiteral("File Name"));
    }

    // The name is formed when the folder is picked; validating later writes
    // that name. Cancelling empties the field.
    void destinationFormedAtPickTime() {
        TfmMorvane w(dataDir_);
        auto clock = LocalTime(2024, 1, 31, 23, 59, 59);
        w.Clock = [&clock] { return clock; };
        const QString folder = dir_.path();
        std::optional<QString> chosen = folder;
        w.FolderBrowser = [&chosen] { return chosen; };

        QTest::mouseClick(Control<QPushButton>(&w, "Button3"), Qt::LeftButton);
        const QString expected = folder + "/KVL.RX317.TLNREG.RQ.20240131235959";
        auto* dest = Control<QLineEdit>(&w, "DestinationPath");
        QCOMPARE(dest->text(), expected);

        clock = LocalTime(2024, 2, 1, 0, 0, 5);
        Control<QLineEdit>(&w, "edtFileInput")->setText(Input("pick.txt", sample_));
        QTest::mouseClick(Control<QPushButton>(&w, "BitBtn2"), Qt::LeftButton);
        QVERIFY(QFile::exists(expected));

        chosen.reset();
        QTest::mouseClick(Control<QPushButton>(&w, "Button3"), Qt::LeftButton);
        QCOMPARE(dest->text(), QString());
    }

    void chooseFileFillsOrEmptiesField() {
        TfmMorvane w(dataDir_);
        std::optional<QString> chosen = dir_.path() + "/x.txt";
        w.OpenFileDialog = [&chosen] { return chosen; };
        auto* input = Control<QLineEdit>(&w, "edtFileInput");
        QTest::mouseClick(Control<QPushButton>(&w, "btnOpenFile"), Qt::LeftButton);
        QCOMPARE(input->text(), *chosen);
        chosen.reset();
        QTest::mouseClick(Control<QPushButton>(&w, "btnOpenFile"), Qt::LeftButton);
        QCOMPARE(input->text(), QString());
    }

    // A failure inside the road reaches the top-level handler: its message
    // in an error box, and the window goes on working.
    void failureShownAndWindowStaysUsable() {
        TfmMorvane w(dataDir_);
        Validate(w, dir_.path() + "/does-not-exist.txt", dir_.path() + "/x.out");
        QCOMPARE(messages_.size(), size_t(1));
        QCOMPARE(messages_[0].first, TMessageKind::Error);
        QVERIFY(!messages_[0].second.empty());

        messages_.clear();
        Validate(w, Input("again.txt", sample_), dir_.path() + "/again.out");
        QCOMPARE(messages_.size(), size_t(1));
        QCOMPARE(messages_[0].second, std::string("Success Data. "));
    }

    void closeMinimizesValidationWindow() {
        WriteIni("[Inquiry]\nUser=ADMIN\nPass=pw\n");
        TfmMain frame(dataDir_);
        frame.CreateLogOn();
        frame.show();
        TfmMorvane* w = frame.OpenValidationWindow();
        QMdiSubWindow* sub = frame.ClientArea()->subWindowList().last();
        QCOMPARE(sub->widget(), w);
        QVERIFY(sub->isMaximized());
        sub->close();
        QCOMPARE(ValidationWindows(frame).size(), 1);
        QVERIFY(sub->isMinimized());

        // The logon window is really closed.
        QMdiSubWindow* logOn = frame.ClientArea()->subWindowList().first();
        QVERIFY(qobject_cast<TfmLogOn*>(logOn->widget()));
        logOn->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(frame.ClientArea()->subWindowList().size(), 1);
    }
};

QTEST_MAIN(WindowTest)
#include "WindowTest.moc"
