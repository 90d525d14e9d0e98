// Default answers of the preview's seams.
#include "TrpPreviewSeams.h"

#include "TrpPreviewSearchForm.h"

#include <QFileDialog>

namespace report {

TrpPreviewFileDialogs& PreviewFileDialogs() {
    static TrpPreviewFileDialogs dialogs{
        [](QWidget* parent, const std::string& filter) {
            return QFileDialog::getOpenFileName(parent, {}, {}, QString::fromStdString(filter))
                .toStdString();
        },
        [](QWidget* parent, const std::string& filter) {
            return QFileDialog::getSaveFileName(parent, {}, {}, QString::fromStdString(filter))
                .toStdString();
        }};
    return dialogs;
}

TrpSearchDialog& PreviewSearchDialog() {
    static TrpSearchDialog dialog =
        [](QWidget* parent, const TrpSearchRequest& last) -> std::optional<TrpSearchRequest> {
        TrpPreviewSearchForm form(parent);
        form.SetRequest(last);
        if (form.exec() != QDialog::Accepted)
            return std::nullopt;
        return form.Request();
    };
    return dialog;
}

TrpPreviewPrintHook& PreviewPrintRequest() {
    static TrpPreviewPrintHook request;
    return request;
}

} // namespace report
