// TAppExceptionHandler: catches, then shows the message through the
// application's message boxes.
#include "AppExceptionHandler.h"

#include "QtMessageSink.h"

#include <new>
#include <stdexcept>
#include <string>

namespace morvane {

bool TAppExceptionHandler::Run(const std::function<void()>& action) {
    try {
        action();
        return true;
    } catch (...) {
        Show(std::current_exception());
        return false;
    }
}

void TAppExceptionHandler::Show(const std::exception_ptr& error) {
    std::string message;
    try {
        std::rethrow_exception(error);
    } catch (const std::bad_alloc&) {
        message = "Out of memory";
    } catch (const std::exception& e) {
        message = e.what();
    } catch (...) {
        message = "Unknown exception";
    }
    TQtMessageSink sink;
    sink.ShowMessage(TMessageKind::Error, message);
}

} // namespace morvane
