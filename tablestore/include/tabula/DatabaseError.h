// EDatabaseError: the dataset framework's database error, the base of every
// table-store exception.
//
// Component misuse (a missing name, an operation in the wrong state) is
// raised as an EDatabaseError with a fixed text; failures found by the
// engine are raised as its subclass ETabulaEngineError, which adds the
// engine code. The class lives in the engine layer so that the engine's
// exception can derive from it without the engine depending on the access
// layer; the access layer's dataset framework raises it directly.
#pragma once

#include <stdexcept>
#include <string>

namespace tabula {

class EDatabaseError : public std::runtime_error {
public:
    explicit EDatabaseError(const std::string& message) : std::runtime_error(message) {}
};

} // namespace tabula
