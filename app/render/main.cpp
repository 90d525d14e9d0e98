// morvane-report: renders a report template or a prepared report to files
// without a display; see TReportRenderCommand.h.
#include "TReportRenderCommand.h"
#include "tabula/FreedMemory.h"

#include <QGuiApplication>
#include <iostream>

int main(int argc, char** argv) {
    tabula::KeepFreedMemory();
    // The arguments are taken before Qt removes the ones it knows.
    const std::vector<std::string> args(argv + 1, argv + argc);
    // Fonts and drawing need a GUI application; no display is needed.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    morvane::TReportRenderCommand command(QCoreApplication::applicationDirPath().toStdString());
    return command.Run(args, std::cout, std::cerr);
}
