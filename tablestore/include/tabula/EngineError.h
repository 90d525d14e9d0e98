// The engine's error vocabulary and its raise path.
//
// An engine error is a 16-bit code plus four context texts (data file name,
// field name, SQL explanation, index name) stored in the current engine
// session. The message is built from the code and that context when the
// exception is made, and cut to 127 characters. ETabulaEngineError carries
// the code and exactly one TTabulaError entry; its message is
// "Tabula Engine Error # " + code + " " + text. It derives from the dataset
// framework's EDatabaseError, so a caller that catches database errors sees
// engine failures as well.
#pragma once

#include "DatabaseError.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace tabula {

struct TErrorContext;

// Longest engine error text; longer texts are cut.
inline constexpr std::size_t kErrorTextMax = 127;

struct TTabulaError {
    std::int32_t ErrorCode = 0;
    std::string ErrorText; // at most kErrorTextMax characters
};

class ETabulaEngineError : public EDatabaseError {
public:
    // Builds the message from the code and the current session's context.
    explicit ETabulaEngineError(int code);
    // Builds the message from the code and the given context.
    ETabulaEngineError(int code, const TErrorContext& context);
    int Code() const { return code_; }
    // The engine's text for the code (without the "Tabula Engine Error # " prefix).
    const std::string& Text() const { return text_; }
    const std::vector<TTabulaError>& Errors() const { return errors_; }

private:
    ETabulaEngineError(int code, std::string text);
    int code_;
    std::string text_;
    std::vector<TTabulaError> errors_;
};

// Clears the session's error context, stores the code and the four texts in
// it (code kErrNotInitialized leaves the context alone), and throws ETabulaEngineError.
// Without a started engine the texts still reach the message.
[[noreturn]] void RaiseEngineError(int code, const std::string& dataFileName = {},
                                   const std::string& fieldName = {},
                                   const std::string& sqlExplanation = {},
                                   const std::string& indexName = {});

// Throws ETabulaEngineError(code) with the session's context unchanged.
[[noreturn]] void RaiseCode(int code);
// Nothing for 0; RaiseCode otherwise.
void CheckCode(int code);

// The engine's message for a code, built from the current session's error
// context (empty without a session) and cut to 127 characters.
std::string EngineErrorMessage(int code);
std::string EngineErrorMessage(int code, const TErrorContext& context);

} // namespace tabula
