// TAppExceptionHandler: the application's top-level exception handler. Every
// user action runs inside Run(); an exception that escapes the action ends
// that action only: its message is shown in an error box and the program
// keeps running. The window's own state (grid rows appended so far, fields)
// stays as the action left it.
#pragma once

#include <exception>
#include <functional>

namespace morvane {

class TAppExceptionHandler {
public:
    // Runs `action`; returns false when it ended with an exception (already
    // shown to the user).
    static bool Run(const std::function<void()>& action);

    // Shows the message of a caught exception in an error box.
    static void Show(const std::exception_ptr& error);
};

} // namespace morvane
