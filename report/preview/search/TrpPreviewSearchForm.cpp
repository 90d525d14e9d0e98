// The "Find text" dialog.
#include "TrpPreviewSearchForm.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

namespace report {

TrpPreviewSearchForm::TrpPreviewSearchForm(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Find text");
    auto* label = new QLabel("Text to &find", this);
    Edit1 = new QLineEdit(this);
    label->setBuddy(Edit1);

    auto* options = new QGroupBox("Options", this);
    CaseSensitive = new QCheckBox("&Case sensitive", options);
    (new QVBoxLayout(options))->addWidget(CaseSensitive);

    auto* origin = new QGroupBox("Origin", this);
    FirstPage = new QRadioButton("&1st page", origin);
    CurrentPage = new QRadioButton("Current &page", origin);
    FirstPage->setChecked(true);
    auto* originLayout = new QVBoxLayout(origin);
    originLayout->addWidget(FirstPage);
    originLayout->addWidget(CurrentPage);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText("OK");
    buttons->button(QDialogButtonBox::Cancel)->setText("Cancel");
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* groups = new QHBoxLayout;
    groups->addWidget(options);
    groups->addWidget(origin);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(Edit1);
    layout->addLayout(groups);
    layout->addWidget(buttons);
}

void TrpPreviewSearchForm::SetRequest(const TrpSearchRequest& request) {
    Edit1->setText(request.Text);
    CaseSensitive->setChecked(request.CaseSensitive);
    (request.FromFirstPage ? FirstPage : CurrentPage)->setChecked(true);
}

TrpSearchRequest TrpPreviewSearchForm::Request() const {
    return {Edit1->text(), CaseSensitive->isChecked(), FirstPage->isChecked()};
}

void TrpPreviewSearchForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (const QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    Edit1->setFocus();
    Edit1->selectAll();
}

} // namespace report
