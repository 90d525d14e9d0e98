// TMorvaneApplication: event delivery inside the top-level handler.
#include "MorvaneApplication.h"

#include "AppExceptionHandler.h"

namespace morvane {

TMorvaneApplication::TMorvaneApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TMorvaneApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        TAppExceptionHandler::Show(std::current_exception());
        return true;
    }
}

} // namespace morvane
