// TrpProgressForm: the progress window of report generation and printing
// (278 x 106 client pixels, dialog border, centred): a centred first line
// that the work updates, an empty centred second line and "Cancel".
//
// It is the engine's progress sink (TrpProgressSink). States:
//   closed --Run(report, caption, label, work)--> shown (modal); once shown
//            it posts itself the start and runs work
//   shown  --SetLabel--> first line changed
//   shown  --Cancel--> report.Terminated set, closing with Cancel
//   shown  --work returns--> closed with OK (Cancel when it was pressed)
// Run answers after the window closed. An error of the work closes the
// window and passes on to Run's caller.
#pragma once

#include "TrpPreviewSeam.h"

#include <QDialog>
#include <exception>
#include <functional>

class QLabel;
class QPushButton;

namespace report {

inline constexpr int kProgressFormWidth = 278;
inline constexpr int kProgressFormHeight = 106;

class TrpProgressForm : public QDialog, public TrpProgressSink {
    Q_OBJECT
public:
    explicit TrpProgressForm(QWidget* parent = nullptr);

    void Run(TrpReport& report, const std::string& caption, const std::string& label,
             const std::function<void()>& build) override;
    void SetLabel(const std::string& label) override;
    void ProcessEvents() override;

    // The modal result of the last Run: Accepted (OK) or Rejected (Cancel).
    int LastResult() const { return lastResult_; }

protected:
    void showEvent(QShowEvent* event) override;
    void reject() override;

private:
    void StartWork();

    QLabel* label1_;
    QLabel* label2_;
    QPushButton* cancelButton_;
    TrpReport* report_ = nullptr;
    const std::function<void()>* work_ = nullptr;
    std::exception_ptr failure_;
    bool cancelled_ = false;
    int lastResult_ = QDialog::Rejected;
};

// Installs a progress form as the engine's progress sink for the life of
// the program (the desktop program calls it once at start).
void InstallProgressForm();

} // namespace report
