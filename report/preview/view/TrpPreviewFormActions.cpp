// TrpPreviewForm: keys, files, print, search, close and the kept bounds.
#include "TrpMessageBox.h"
#include "TrpMessages.h"
#include "TrpPBox.h"
#include "TrpPreviewForm.h"
#include "TrpPreviewSeams.h"
#include "TrpReport.h"
#include "TrpTBButton.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollBar>
#include <QSettings>
#include <QShowEvent>
#include <cmath>

namespace report {
namespace {

std::string ReportFileFilter() {
    return std::string(MessageText(kMsgReportFile)) + " (*.rpp)";
}

// name with its extension replaced by ".rpp".
std::string WithReportExtension(const std::string& name) {
    const QFileInfo info(QString::fromStdString(name));
    return QDir(info.path()).filePath(info.completeBaseName() + ".rpp").toStdString();
}

} // namespace

void TrpPreviewForm::keyPressEvent(QKeyEvent* event) {
    if (HandleKey(event->key(), event->modifiers()))
        event->accept();
    else
        QDialog::keyPressEvent(event);
}

bool TrpPreviewForm::HandleKey(int key, Qt::KeyboardModifiers modifiers) {
    const bool ctrl = modifiers & Qt::ControlModifier;
    if (PageCount() == 0)
        return ctrl;
    const auto scrollBy = [&](QScrollBar* bar, int delta) {
        SetScroll(bar, bar->value() + delta, true);
    };
    switch (key) {
    case Qt::Key_Up:
        scrollBy(VScrollBar, -kSmallStep);
        return true;
    case Qt::Key_Down:
        scrollBy(VScrollBar, kSmallStep);
        return true;
    case Qt::Key_Left:
        scrollBy(HScrollBar, -kSmallStep);
        return true;
    case Qt::Key_Right:
        scrollBy(HScrollBar, kSmallStep);
        return true;
    case Qt::Key_PageUp:
        ctrl ? PriorPage() : scrollBy(VScrollBar, -kLargeStep);
        return true;
    case Qt::Key_PageDown:
        ctrl ? NextPage() : scrollBy(VScrollBar, kLargeStep);
        return true;
    case Qt::Key_Space:
        ProcMenu->popup(ZoomBtn->mapToGlobal(QPoint(0, ZoomBtn->height())));
        return true;
    case Qt::Key_Escape:
        CloseWindow();
        return true;
    case Qt::Key_F3:
        FindNext();
        return true;
    default:
        break;
    }
    if (!ctrl)
        return false;
    switch (key) {
    case Qt::Key_Home:
        SetScroll(VScrollBar, 0, true);
        break;
    case Qt::Key_End:
        LastPage();
        break;
    case Qt::Key_O:
        OpenReport();
        break;
    case Qt::Key_S:
        SaveReport();
        break;
    case Qt::Key_F:
        FindText();
        break;
    case Qt::Key_P:
        if (PrintBtn->isEnabled())
            PrintReport();
        break;
    default:
        break;
    }
    // Every key pressed with Ctrl is consumed.
    return true;
}

void TrpPreviewForm::ShowError(const std::exception& error) {
    ShowMessageBox(error.what(), std::string(MessageText(kMsgErrorCaption)), TrpMessageIcon::Error);
}

// The chosen file replaces the shown pages only once it has been read
// whole; a damaged file leaves the pages as they were.
void TrpPreviewForm::OpenReport() {
    if (PageCount() == 0 || !report_)
        return;
    const std::string name = PreviewFileDialogs().OpenFileName(this, ReportFileFilter());
    if (name.empty())
        return;
    try {
        report_->EMFPages().LoadFromFile(name);
    } catch (const std::exception& error) {
        report_->EMFPages().Clear();
        ShowError(error);
        return;
    }
    if (report_->EMFPages().Count() == 0) {
        // Nothing to show: keep what is shown.
        return;
    }
    pages_.reset();
    TakePages();
    match_.reset();
    currentPage_ = 1;
    LayOut();
    UpdatePageLabel();
    ScrollToCurrentPage();
    PBox->update();
}

void TrpPreviewForm::SaveReport() {
    if (PageCount() == 0 || !report_)
        return;
    const std::string name = PreviewFileDialogs().SaveFileName(this, ReportFileFilter());
    if (name.empty())
        return;
    GiveBackPages();
    try {
        report_->EMFPages().SaveToFile(WithReportExtension(name));
    } catch (const std::exception& error) {
        TakePages();
        ShowError(error);
        return;
    }
    TakePages();
}

void TrpPreviewForm::PrintReport() {
    if (PageCount() == 0 || !report_ || !PreviewPrintRequest())
        return;
    GiveBackPages();
    try {
        PreviewPrintRequest()(*this);
    } catch (const std::exception& error) {
        TakePages();
        ShowError(error);
        FullLayout(false);
        return;
    }
    TakePages();
    // The print job may have rebuilt the pages for another printer.
    FullLayout(false);
}

void TrpPreviewForm::FindText() {
    if (PageCount() == 0)
        return;
    const std::optional<TrpSearchRequest> request = PreviewSearchDialog()(this, lastRequest_);
    if (!request)
        return;
    lastRequest_ = *request;
    ready_ = false;
    const auto match = search_.Find(*pages_, request->Text, request->CaseSensitive,
                                    request->FromFirstPage, currentPage_);
    ShowMatch(match);
}

void TrpPreviewForm::FindNext() {
    if (PageCount() == 0 || search_.Text().isEmpty())
        return;
    ready_ = false;
    ShowMatch(search_.FindNext(*pages_, currentPage_));
}

// Scrolls the match's top left corner kMatchInset pixels inside the view;
// without a match nothing moves.
void TrpPreviewForm::ShowMatch(const std::optional<TrpSearchMatch>& match) {
    if (match) {
        match_ = match;
        currentPage_ = static_cast<int>(match->Page) + 1;
        UpdatePageLabel();
        const QRect& layout = pages_->Page(match->Page).LayoutRect;
        SetScroll(VScrollBar,
                  int(std::lround(match->Rect.top() * zoom_)) + layout.top() - kMatchInset, false);
        SetScroll(HScrollBar,
                  int(std::lround(match->Rect.left() * zoom_)) + layout.left() - kMatchInset,
                  false);
    }
    ready_ = true;
    PBox->update();
}

void TrpPreviewForm::CloseWindow() {
    if (!report_ || embedded_)
        return;
    if (isModal())
        accept();
    else
        close();
}

void TrpPreviewForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!boundsRestored_ && !embedded_) {
        boundsRestored_ = true;
        RestoreBounds();
    }
    PBox->setFocus();
}

void TrpPreviewForm::done(int result) {
    SaveBounds();
    QDialog::done(result);
}

void TrpPreviewForm::RestoreBounds() {
    QSettings settings(kSettingsOrganization);
    settings.beginGroup(kSettingsGroup);
    const QRect now = geometry();
    const auto read = [&](const char* key, int fallback) {
        bool ok = false;
        const int value = settings.value(key).toString().toInt(&ok);
        return ok ? value : fallback;
    };
    const QRect bounds(read("XPosition", now.x()), read("YPosition", now.y()),
                       read("Width", now.width()), read("Height", now.height()));
    if (bounds.width() > 0 && bounds.height() > 0)
        setGeometry(bounds);
    if (settings.value("Maximized", "1").toString() != "0")
        setWindowState(windowState() | Qt::WindowMaximized);
}

void TrpPreviewForm::SaveBounds() const {
    if (embedded_)
        return;
    QSettings settings(kSettingsOrganization);
    settings.beginGroup(kSettingsGroup);
    const QRect bounds = isMaximized() ? normalGeometry() : geometry();
    settings.setValue("XPosition", QString::number(bounds.x()));
    settings.setValue("YPosition", QString::number(bounds.y()));
    settings.setValue("Width", QString::number(bounds.width()));
    settings.setValue("Height", QString::number(bounds.height()));
    settings.setValue("Maximized", isMaximized() ? "1" : "0");
}

} // namespace report
