// TMorvaneApplication: the application object. Besides the explicit handler
// around each user action, it catches any exception that would otherwise
// leave an event handler and unwind through the toolkit's event loop, shows
// its message, and carries on with the next event.
#pragma once

#include <QApplication>

namespace morvane {

class TMorvaneApplication : public QApplication {
    Q_OBJECT
public:
    TMorvaneApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace morvane
