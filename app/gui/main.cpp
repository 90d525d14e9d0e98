// The desktop program morvane. Start-up: the application object, the main
// frame, the logon window inside it, then the event loop until the frame is
// closed. Every file the program uses lies in Data/ beside the executable.
#include "MorvaneApplication.h"
#include "TTabulaPasswordDialog.h"
#include "TrpReportWindows.h"
#include "tabula/FreedMemory.h"
#include "u_main.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    tabula::KeepFreedMemory();
    morvane::TMorvaneApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Morvane"));
    morvane::InstallTabulaPasswordDialog();
    report::InstallReportWindows();
    const QString dataDir = QCoreApplication::applicationDirPath() + QStringLiteral("/Data");

    morvane::TfmMain frame(dataDir);
    frame.CreateLogOn();
    frame.showMaximized();
    return app.exec();
}
