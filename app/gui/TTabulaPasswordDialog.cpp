// TTabulaPasswordDialog: controls and enabling rules.
#include "TTabulaPasswordDialog.h"

#include "tabula/TabulaSession.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>

namespace morvane {

namespace {

constexpr int kClientWidth = 273;
constexpr int kClientHeight = 132;
constexpr char16_t kMaskCharacter = u'*';

// The edit masks with "*" whatever the platform style's own mask glyph.
class TMaskStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override {
        if (hint == SH_LineEdit_PasswordCharacter)
            return kMaskCharacter;
        return QProxyStyle::styleHint(hint, option, widget, data);
    }
};

} // namespace

// Fixed positions inside the 273 x 132 client area, as the window
// definition lays them out.
TTabulaPasswordDialog::TTabulaPasswordDialog(tabula::TTabulaSession& session, QWidget* parent)
    : QDialog(parent), session_(session) {
    setObjectName(QStringLiteral("TTabulaPasswordDialog"));
    setWindowTitle(QStringLiteral("Enter password"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(kClientWidth, kClientHeight);

    auto* group = new QGroupBox(QStringLiteral("Password"), this);
    group->setObjectName(QStringLiteral("GroupBox1"));
    group->setGeometry(8, 6, 257, 85);
    edit_ = new QLineEdit(group);
    edit_->setObjectName(QStringLiteral("Edit"));
    edit_->setEchoMode(QLineEdit::Password);
    auto* maskStyle = new TMaskStyle;
    maskStyle->setParent(edit_);
    edit_->setStyle(maskStyle);
    edit_->setGeometry(10, 22, 237, 24);
    addButton_ = new QPushButton(QStringLiteral("&Add"), group);
    addButton_->setObjectName(QStringLiteral("AddButton"));
    addButton_->setGeometry(10, 52, 75, 25);
    removeButton_ = new QPushButton(QStringLiteral("&Remove"), group);
    removeButton_->setObjectName(QStringLiteral("RemoveButton"));
    removeButton_->setGeometry(91, 52, 75, 25);
    removeAllButton_ = new QPushButton(QStringLiteral("Re&move all"), group);
    removeAllButton_->setObjectName(QStringLiteral("RemoveAllButton"));
    removeAllButton_->setGeometry(172, 52, 75, 25);
    okButton_ = new QPushButton(QStringLiteral("&OK"), this);
    okButton_->setObjectName(QStringLiteral("OKButton"));
    okButton_->setGeometry(109, 99, 75, 25);
    okButton_->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    cancel->setGeometry(190, 99, 75, 25);
    // The buttons must not take the default role from "&OK" when focused.
    for (QPushButton* button : {addButton_, removeButton_, removeAllButton_, cancel})
        button->setAutoDefault(false);

    connect(edit_, &QLineEdit::textChanged, this, &TTabulaPasswordDialog::EditChanged);
    connect(addButton_, &QPushButton::clicked, this, &TTabulaPasswordDialog::AddClick);
    connect(removeButton_, &QPushButton::clicked, this, &TTabulaPasswordDialog::RemoveClick);
    connect(removeAllButton_, &QPushButton::clicked, this, &TTabulaPasswordDialog::RemoveAllClick);
    connect(okButton_, &QPushButton::clicked, this, &TTabulaPasswordDialog::OKClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    okButton_->setEnabled(false);
    addButton_->setEnabled(false);
    removeButton_->setEnabled(false);
    edit_->setFocus();
}

void TTabulaPasswordDialog::EditChanged() {
    const bool typed = !edit_->text().isEmpty();
    addButton_->setEnabled(typed);
    removeButton_->setEnabled(typed);
    okButton_->setEnabled(typed || added_);
}

void TTabulaPasswordDialog::AddClick() {
    session_.AddTablePassword(edit_->text().toStdString());
    added_ = true;
    edit_->clear();
    EditChanged();
    edit_->setFocus();
}

void TTabulaPasswordDialog::RemoveClick() {
    session_.RemoveTablePassword(edit_->text().toStdString());
    edit_->clear();
    edit_->setFocus();
}

void TTabulaPasswordDialog::RemoveAllClick() {
    session_.ClearTablePasswords();
    edit_->setFocus();
}

// "&OK" adds the edit's text, even an empty one after earlier additions.
void TTabulaPasswordDialog::OKClick() {
    session_.AddTablePassword(edit_->text().toStdString());
    accept();
}

bool ShowTabulaPasswordDialog(tabula::TTabulaSession& session) {
    TTabulaPasswordDialog dialog(session);
    return dialog.exec() == QDialog::Accepted;
}

void InstallTabulaPasswordDialog() {
    tabula::TTabulaSession::SetPasswordDialog(&ShowTabulaPasswordDialog);
}

} // namespace morvane
