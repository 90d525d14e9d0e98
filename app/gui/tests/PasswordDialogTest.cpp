// The table store's password window: its answers to the engine (Cancel
// refuses, so the open fails with 10498; OK after added passwords accepts
// even with an empty edit) and its enabling rules.
#include "TTabulaPasswordDialog.h"
#include "tabula/TabulaSession.h"
#include "tabula/TabulaSessionList.h"

#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QtTest>
#include <functional>

using morvane::TTabulaPasswordDialog;

namespace {

// Runs action on the modal dialog once it is shown.
void WhenShown(std::function<void(QWidget*)> action) {
    QTimer::singleShot(0, [action] {
        QWidget* dialog = QApplication::activeModalWidget();
        QVERIFY(dialog);
        action(dialog);
    });
}

QPushButton* Button(QWidget* dialog, const char* name) {
    return dialog->findChild<QPushButton*>(QString::fromLatin1(name));
}

} // namespace

class PasswordDialogTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        morvane::InstallTabulaPasswordDialog();
        tabula::DefaultSession().SetActive(true);
    }
    void cleanup() {
        tabula::DefaultSession().ClearTablePasswords();
        tabula::TTabulaSession::SetPasswordDialog(nullptr);
    }

    void windowAndStartState() {
        TTabulaPasswordDialog dialog(tabula::DefaultSession());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Enter password"));
        QCOMPARE(dialog.size(), QSize(273, 132));
        auto* edit = dialog.findChild<QLineEdit*>("Edit");
        QCOMPARE(edit->echoMode(), QLineEdit::Password);
        QCOMPARE(edit->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, edit),
                 int('*'));
        QVERIFY(edit->hasFocus());
        QVERIFY(!Button(&dialog, "OKButton")->isEnabled());
        QVERIFY(!Button(&dialog, "AddButton")->isEnabled());
        QVERIFY(!Button(&dialog, "RemoveButton")->isEnabled());
        QVERIFY(Button(&dialog, "RemoveAllButton")->isEnabled());
        QVERIFY(Button(&dialog, "OKButton")->isDefault());
    }

    // Add/Remove follow the edit; OK stays enabled once a password was
    // added during this showing, even with the edit emptied again.
    void enablingFollowsEditAndAdditions() {
        TTabulaPasswordDialog dialog(tabula::DefaultSession());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        auto* edit = dialog.findChild<QLineEdit*>("Edit");
        QTest::keyClicks(edit, "x");
        QVERIFY(Button(&dialog, "AddButton")->isEnabled());
        QVERIFY(Button(&dialog, "RemoveButton")->isEnabled());
        QVERIFY(Button(&dialog, "OKButton")->isEnabled());
        QTest::keyClick(edit, Qt::Key_Backspace);
        QVERIFY(!Button(&dialog, "OKButton")->isEnabled());
        QTest::keyClicks(edit, "secret");
        QTest::mouseClick(Button(&dialog, "RemoveButton"), Qt::LeftButton);
        QCOMPARE(edit->text(), QString());
        QVERIFY(!Button(&dialog, "OKButton")->isEnabled()); // removing is no addition
        QTest::keyClicks(edit, "secret");
        QTest::mouseClick(Button(&dialog, "AddButton"), Qt::LeftButton);
        QCOMPARE(edit->text(), QString());
        QVERIFY(edit->hasFocus());
        QVERIFY(!Button(&dialog, "AddButton")->isEnabled());
        QVERIFY(Button(&dialog, "OKButton")->isEnabled());
    }

    // The engine's request through the installed dialog: Cancel answers
    // false, the answer on which the open fails with error 10498.
    void cancelRefusesTheRequest() {
        WhenShown([](QWidget* dialog) {
            QTest::keyClicks(dialog->findChild<QLineEdit*>("Edit"), "guess");
            QTest::mouseClick(Button(dialog, "CancelButton"), Qt::LeftButton);
        });
        QVERIFY(!tabula::DefaultSession().RequestPassword());
        WhenShown([](QWidget* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
        QVERIFY(!tabula::DefaultSession().RequestPassword());
    }

    void twoAddedThenOkWithEmptyEditAccepts() {
        WhenShown([](QWidget* dialog) {
            auto* edit = dialog->findChild<QLineEdit*>("Edit");
            QTest::keyClicks(edit, "first");
            QTest::mouseClick(Button(dialog, "AddButton"), Qt::LeftButton);
            QTest::keyClicks(edit, "second");
            QTest::mouseClick(Button(dialog, "AddButton"), Qt::LeftButton);
            QCOMPARE(edit->text(), QString());
            QTest::mouseClick(Button(dialog, "OKButton"), Qt::LeftButton);
        });
        QVERIFY(tabula::DefaultSession().RequestPassword());
    }

    // A session's own OnPassword handler takes precedence over the dialog.
    // With MORVANE_SHOTS set: the window with a typed password, as a PNG.
    void screenshot() {
        const QString dir = QString::fromLocal8Bit(qgetenv("MORVANE_SHOTS"));
        if (dir.isEmpty())
            QSKIP("MORVANE_SHOTS not set");
        TTabulaPasswordDialog dialog(tabula::DefaultSession());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::keyClicks(dialog.findChild<QLineEdit*>("Edit"), "secret");
        QVERIFY(dialog.grab().save(dir + "/password-dialog.png"));
    }

    void sessionHandlerComesFirst() {
        tabula::TTabulaSession& session = tabula::DefaultSession();
        session.OnPassword = [](tabula::TTabulaSession&, bool& proceed) { proceed = true; };
        QVERIFY(session.RequestPassword());
        session.OnPassword = nullptr;
    }
};

QTEST_MAIN(PasswordDialogTest)
#include "PasswordDialogTest.moc"
