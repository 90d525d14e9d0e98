// TfmLogOn: the logon window, the first child of the main frame. It asks for
// a user name and a password and, when both match the stored credentials,
// asks the frame to open one more validation window; otherwise it shows
// "ACCESS DENIED." (and that label is never hidden again).
//
// Stored credentials: Data/UserLogOn.ini, section "Inquiry", keys "User" and
// "Pass". The typed user name must equal the stored user with a-z turned
// into A-Z, and the typed password must equal the stored password byte for
// byte. An empty stored user (missing file, section or key) refuses every
// logon, so a damaged installation never lets anyone in.
//
// The window owns a table-store database component "DB" (session
// "Default") whose directory is the Data/ directory. It is the first "DB"
// registered in the session, so the validation windows' table and query,
// which name "DB", resolve to it while the logon window lives.
//
// Lifetime: destroyed when the user closes it.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

class QLabel;
class QLineEdit;

namespace tabula {
class TTabulaDatabase;
}

namespace morvane {

class TQVXPSpeedButton;

class TfmLogOn : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMaxFieldLength = 10;

    // dataDir: the Data/ directory beside the executable. openValidationWindow
    // is called once per successful logon.
    TfmLogOn(const QString& dataDir, std::function<void()> openValidationWindow,
             QWidget* parent = nullptr);
    ~TfmLogOn() override;

    // The window's database component "DB".
    tabula::TTabulaDatabase& DB() { return *DB_; }

    // The logon decision on the INI file at `iniPath`.
    static bool CredentialsAccepted(const std::string& iniPath, const std::string& typedUser,
                                    const std::string& typedPassword);

    // The logon action, as bLogOn and Enter in ePassword start it.
    void bLogOnClick();

private:
    void BuildControls();
    static QImage LogOnGlyph();

    QString dataDir_;
    std::function<void()> openValidationWindow_;
    std::unique_ptr<tabula::TTabulaDatabase> DB_;

    QLabel* errorMessage = nullptr;
    QLineEdit* eUser = nullptr;
    QLineEdit* ePassword = nullptr;
    TQVXPSpeedButton* bLogOn = nullptr;
    QLabel* logonMessage = nullptr;
};

} // namespace morvane
