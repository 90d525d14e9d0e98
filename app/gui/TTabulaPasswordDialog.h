// TTabulaPasswordDialog: the table store's password window ("Enter
// password", 273 x 132 client pixels, fixed dialog border, centred), shown
// modally whenever the engine opens a protected table whose password the
// session does not know and the session has no OnPassword handler.
//
// A group "Password" holds the masked edit and "&Add", "&Remove",
// "Re&move all"; below it "&OK" (default) and "Cancel". Enabling: "&Add"
// and "&Remove" exactly when the edit is not empty; "&OK" when it is not
// empty or a password was added during this showing. The answer is true
// for "&OK" (which adds the edit's text), false for Cancel; after a true
// answer the engine looks the password up again.
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace tabula {
class TTabulaSession;
}

namespace morvane {

class TTabulaPasswordDialog : public QDialog {
    Q_OBJECT
public:
    explicit TTabulaPasswordDialog(tabula::TTabulaSession& session, QWidget* parent = nullptr);

private:
    void EditChanged();
    void AddClick();
    void RemoveClick();
    void RemoveAllClick();
    void OKClick();

    tabula::TTabulaSession& session_;
    QLineEdit* edit_;
    QPushButton* addButton_;
    QPushButton* removeButton_;
    QPushButton* removeAllButton_;
    QPushButton* okButton_;
    bool added_ = false;
};

// Shows the dialog for session and answers its result.
bool ShowTabulaPasswordDialog(tabula::TTabulaSession& session);
// Makes the dialog the table store's password dialog (the desktop program
// calls it once at start).
void InstallTabulaPasswordDialog();

} // namespace morvane
