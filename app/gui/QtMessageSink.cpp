// TQtMessageSink: QMessageBox behind the capture seam.
#include "QtMessageSink.h"

#include "Win1252.h"

#include <QMessageBox>

namespace morvane {

namespace {

TQtMessageSink::TCapture& Capture() {
    static TQtMessageSink::TCapture capture;
    return capture;
}

} // namespace

void TQtMessageSink::SetCapture(TCapture capture) {
    Capture() = std::move(capture);
}

void TQtMessageSink::ShowMessage(TMessageKind kind, const std::string& text) {
    if (Capture()) {
        Capture()(kind, text);
        return;
    }
    const QString message = TWin1252::Decode(text);
    if (kind == TMessageKind::Error)
        QMessageBox::critical(owner_, QStringLiteral("Error"), message, QMessageBox::Ok);
    else
        QMessageBox::information(owner_, QStringLiteral("Information"), message, QMessageBox::Ok);
}

} // namespace morvane
