// Opening preview windows for the engine.
#include "TrpPreviewWindows.h"

#include "TrpPreviewForm.h"
#include "TrpReport.h"

#include <QApplication>

namespace report {

void TrpPreviewWindowSink::ShowPreview(TrpReport& report, const std::string& caption) {
    if (report.EMFPages().Count() == 0)
        return;
    auto* form = new TrpPreviewForm(QApplication::activeWindow());
    form->setWindowTitle(QString::fromStdString(caption));
    form->Attach(report);
    if (report.ModalPreview) {
        form->setModal(true);
        form->exec();
        delete form;
        return;
    }
    form->setAttribute(Qt::WA_DeleteOnClose);
    form->show();
}

TrpPreviewSink* InstallPreviewWindows() {
    static TrpPreviewWindowSink sink;
    return SetPreviewSink(&sink);
}

} // namespace report
