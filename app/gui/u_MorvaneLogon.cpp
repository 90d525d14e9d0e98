// TfmLogOn: controls of the logon window and the logon decision.
#include "u_MorvaneLogon.h"

#include "AppExceptionHandler.h"
#include "IniFile.h"
#include "QVXPSpeedButton.h"
#include "ReportTableFill.h"
#include "ShortDateFormat.h"
#include "Win1252.h"
#include "tabula/TabulaDatabase.h"

#include <QFile>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QProxyStyle>
#include <QVBoxLayout>
#include <QValidator>

namespace morvane {

namespace {

const QColor kWindowColor(217, 179, 217);
const QColor kTitleColor(121, 60, 102);

std::string UpperAscii(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return s;
}

// eUser forces upper case as typed. Only a-z change, exactly as the stored
// user name is upper-cased, so every stored name can be typed.
class TUpperCaseValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        for (QChar& ch : input)
            if (ch >= QLatin1Char('a') && ch <= QLatin1Char('z'))
                ch = QChar(ch.unicode() - 'a' + 'A');
        return Acceptable;
    }
};

// ePassword shows "*" for every character, whatever the style's own mask.
class TAsteriskStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* ret) const override {
        if (hint == SH_LineEdit_PasswordCharacter)
            return '*';
        return QProxyStyle::styleHint(hint, option, widget, ret);
    }
};

QLabel* CaptionLabel(const QString& name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    QFont f = label->font();
    f.setUnderline(true);
    label->setFont(f);
    return label;
}

QLabel* RedBoldLabel(const QString& name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, QColor(255, 0, 0));
    label->setPalette(pal);
    return label;
}

} // namespace

TfmLogOn::TfmLogOn(const QString& dataDir, std::function<void()> openValidationWindow,
                   QWidget* parent)
    : QWidget(parent), dataDir_(dataDir), openValidationWindow_(std::move(openValidationWindow)) {
    setObjectName(QStringLiteral("fmLogOn"));
    setWindowTitle(QStringLiteral("Morvane"));
    // The database's name is a stored value, applied as the window is loaded.
    DB_ = std::make_unique<tabula::TTabulaDatabase>();
    DB_->BeginLoading();
    DB_->SetDatabaseName(TReportTableFill::kDatabaseName);
    DB_->SetSessionName(TReportTableFill::kSessionName);
    DB_->EndLoading();
    BuildControls();
    SetProgramShortDateFormat();
    DB_->SetDirectory(QFile::encodeName(dataDir_ + QStringLiteral("/")).toStdString());
    errorMessage->clear();
}

TfmLogOn::~TfmLogOn() = default;

QImage TfmLogOn::LogOnGlyph() {
    // The button's picture: a key arrow and the caption on white, which is
    // also the bottom-left pixel and so the transparent colour.
    QImage glyph(84, 24, QImage::Format_RGB32);
    glyph.fill(Qt::white);
    QPainter p(&glyph);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QColor ink(10, 36, 106);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 128, 0));
    QPainterPath arrow;
    arrow.moveTo(4, 8);
    arrow.lineTo(12, 8);
    arrow.lineTo(12, 4);
    arrow.lineTo(20, 12);
    arrow.lineTo(12, 20);
    arrow.lineTo(12, 16);
    arrow.lineTo(4, 16);
    arrow.closeSubpath();
    p.drawPath(arrow);
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(13);
    p.setFont(f);
    p.setPen(ink);
    p.drawText(QRect(24, 0, 58, 24), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("Log On"));
    return glyph;
}

void TfmLogOn::BuildControls() {
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kWindowColor);
    setPalette(pal);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(24, 16, 24, 16);
    errorMessage = RedBoldLabel(QStringLiteral("errorMessage"), QStringLiteral("eMessage :"), this);
    outer->addWidget(errorMessage);

    auto* row = new QHBoxLayout();
    row->addStretch(1);
    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setAutoFillBackground(true);
    QPalette white = panel->palette();
    white.setColor(QPalette::Window, Qt::white);
    panel->setPalette(white);
    panel->setFixedWidth(340);
    row->addWidget(panel);
    row->addStretch(1);
    outer->addLayout(row);
    outer->addStretch(1);

    auto* box = new QVBoxLayout(panel);
    box->setContentsMargins(0, 0, 0, 12);
    auto* title = new QLabel(QStringLiteral(" Log On ::"), panel);
    title->setObjectName(QStringLiteral("Panel2"));
    title->setAutoFillBackground(true);
    QPalette tp = title->palette();
    tp.setColor(QPalette::Window, kTitleColor);
    tp.setColor(QPalette::WindowText, Qt::white);
    title->setPalette(tp);
    QFont tf = title->font();
    tf.setBold(true);
    title->setFont(tf);
    title->setFixedHeight(24);
    box->addWidget(title);

    auto* grid = new QGridLayout();
    grid->setContentsMargins(16, 12, 16, 4);
    grid->setVerticalSpacing(6);
    eUser = new QLineEdit(panel);
    eUser->setObjectName(QStringLiteral("eUser"));
    eUser->setMaxLength(kMaxFieldLength);
    eUser->setValidator(new TUpperCaseValidator(eUser));
    ePassword = new QLineEdit(panel);
    ePassword->setObjectName(QStringLiteral("ePassword"));
    ePassword->setMaxLength(kMaxFieldLength);
    ePassword->setEchoMode(QLineEdit::Password);
    auto* asterisk = new TAsteriskStyle();
    asterisk->setParent(ePassword);
    ePassword->setStyle(asterisk);
    grid->addWidget(
        CaptionLabel(QStringLiteral("Label1"), QStringLiteral("User Name_____________"), panel), 0,
        0);
    grid->addWidget(eUser, 0, 1);
    grid->addWidget(
        CaptionLabel(QStringLiteral("Label2"), QStringLiteral("Password______________"), panel), 1,
        0);
    grid->addWidget(ePassword, 1, 1);
    box->addLayout(grid);

    bLogOn = new TQVXPSpeedButton(panel);
    bLogOn->setObjectName(QStringLiteral("bLogOn"));
    bLogOn->setCursor(Qt::PointingHandCursor);
    bLogOn->SetColor(Qt::white);
    bLogOn->SetColorBorder(QColor(10, 36, 106));
    bLogOn->SetColorFocused(QColor(182, 189, 210));
    bLogOn->SetColorDown(QColor(133, 146, 181));
    bLogOn->SetGlyph(LogOnGlyph());
    bLogOn->setFixedSize(92, 30);
    auto* buttonRow = new QHBoxLayout();
    buttonRow->setContentsMargins(16, 4, 16, 0);
    logonMessage =
        RedBoldLabel(QStringLiteral("logonMessage"), QStringLiteral("ACCESS DENIED."), panel);
    logonMessage->hide();
    buttonRow->addWidget(logonMessage);
    buttonRow->addStretch(1);
    buttonRow->addWidget(bLogOn);
    box->addLayout(buttonRow);

    setTabOrder(eUser, ePassword);
    eUser->setFocus();

    connect(bLogOn, &QAbstractButton::clicked, this, [this] { bLogOnClick(); });
    // Enter logs on from the password field only; Enter in eUser does nothing.
    connect(ePassword, &QLineEdit::returnPressed, this, [this] { bLogOnClick(); });
}

bool TfmLogOn::CredentialsAccepted(const std::string& iniPath, const std::string& typedUser,
                                   const std::string& typedPassword) {
    const TIniFile ini(iniPath);
    const std::string storedUser = UpperAscii(ini.ReadString("Inquiry", "User"));
    const std::string storedPassword = ini.ReadString("Inquiry", "Pass");
    return !storedUser.empty() && typedUser == storedUser && typedPassword == storedPassword;
}

void TfmLogOn::bLogOnClick() {
    TAppExceptionHandler::Run([this] {
        const std::string iniPath =
            QFile::encodeName(dataDir_ + QStringLiteral("/UserLogOn.ini")).toStdString();
        if (CredentialsAccepted(iniPath, TWin1252::Encode(eUser->text()),
                                TWin1252::Encode(ePassword->text())))
            openValidationWindow_();
        else
            logonMessage->show();
    });
}

} // namespace morvane
