// The calculation error of a generation: the first error raised while a
// band's or object's script runs or an object prints. It terminates the
// report; BuildPages shows the composed text and clears the pages.
//
// The composed text: the message "An error occured during calculating",
// the current object's memo lines (each after a line break), two line
// breaks, "Report:" and the report's name, "Object:" and the object's name,
// an empty line and the error's own message.
#pragma once

#include <string>

namespace report {

class TrpReport;
class TrpView;

class TrpCalculationError {
public:
    // Records the first error (later ones are ignored) and terminates the
    // report. object may be null.
    static void Report(TrpReport& report, const TrpView* object, const std::string& message);
    static bool Occurred();
    static const std::string& Text();
    static void Clear();
};

} // namespace report
