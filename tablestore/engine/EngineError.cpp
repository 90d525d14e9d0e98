// Raise path of engine errors. (Placeholder message table; the full table
// with the session's error context replaces it.)
#include "EngineError.h"

namespace tabula {

ETabulaEngineError::ETabulaEngineError(int code) : ETabulaEngineError(code, EngineErrorMessage(code)) {}

ETabulaEngineError::ETabulaEngineError(int code, std::string text)
    : std::runtime_error("Tabula Engine Error # " + std::to_string(code) + " " + text),
      code_(code), text_(std::move(text)) {}

void RaiseEngineError(int code, const std::string&, const std::string&, const std::string&,
                      const std::string&) {
    throw ETabulaEngineError(code);
}

std::string EngineErrorMessage(int code) { return "Engine error " + std::to_string(code); }

} // namespace tabula
