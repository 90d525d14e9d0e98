// TrpProgressForm: the modal progress window that runs its work once shown.
#include "TrpProgressForm.h"

#include "TrpReport.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace report {

TrpProgressForm::TrpProgressForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TrpProgressForm"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint);
    setFixedSize(kProgressFormWidth, kProgressFormHeight);
    auto* layout = new QVBoxLayout(this);
    label1_ = new QLabel(this);
    label1_->setObjectName(QStringLiteral("Label1"));
    label1_->setAlignment(Qt::AlignCenter);
    label2_ = new QLabel(this);
    label2_->setObjectName(QStringLiteral("Label2"));
    label2_->setAlignment(Qt::AlignCenter);
    cancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton_->setObjectName(QStringLiteral("Button1"));
    layout->addWidget(label1_);
    layout->addWidget(label2_);
    layout->addWidget(cancelButton_, 0, Qt::AlignHCenter);
    connect(cancelButton_, &QPushButton::clicked, this, &TrpProgressForm::reject);
}

void TrpProgressForm::Run(TrpReport& report, const std::string& caption, const std::string& label,
                          const std::function<void()>& build) {
    setWindowTitle(QString::fromStdString(caption));
    label1_->setText(QString::fromStdString(label));
    label2_->clear();
    cancelButton_->setText(QStringLiteral("Cancel"));
    report_ = &report;
    work_ = &build;
    failure_ = nullptr;
    cancelled_ = false;
    lastResult_ = exec();
    report_ = nullptr;
    work_ = nullptr;
    if (failure_)
        std::rethrow_exception(std::exchange(failure_, nullptr));
}

// The start message: posted when the window is shown, so the work runs
// inside the modal loop with the window on screen.
void TrpProgressForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (work_)
        QTimer::singleShot(0, this, &TrpProgressForm::StartWork);
}

void TrpProgressForm::StartWork() {
    if (!work_ || cancelled_)
        return;
    const std::function<void()>* work = std::exchange(work_, nullptr);
    try {
        (*work)();
    } catch (...) {
        failure_ = std::current_exception();
    }
    if (failure_)
        QDialog::reject();
    else if (!cancelled_)
        accept();
}

void TrpProgressForm::SetLabel(const std::string& label) {
    label1_->setText(QString::fromStdString(label));
}

void TrpProgressForm::ProcessEvents() {
    QApplication::processEvents();
}

// Cancel (the button, Escape or the close box): the window closes with
// Cancel at once; the running work sees Terminated after its current page
// and returns into the ending modal loop.
void TrpProgressForm::reject() {
    if (report_)
        report_->Terminated = true;
    cancelled_ = true;
    QDialog::reject();
}

// Made once and kept to the end of the process (the sink stays reachable):
// a static widget would outlive the application object.
void InstallProgressForm() {
    static TrpProgressForm* form = new TrpProgressForm;
    SetProgressSink(form);
}

} // namespace report
