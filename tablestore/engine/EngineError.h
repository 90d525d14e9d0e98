// The engine's error vocabulary and its raise path.
//
// An engine error is a 16-bit code plus four context texts (data file name,
// field name, SQL explanation, index name) stored in the current engine
// session. The message is built on demand from the code and that context
// and cut to 127 characters. ETabulaEngineError carries the code; its
// message is "Tabula Engine Error # " + code + " " + text.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace tabula {

class ETabulaEngineError : public std::runtime_error {
public:
    // Builds the message from the code and the current session's context.
    explicit ETabulaEngineError(int code);
    int Code() const { return code_; }
    // The engine's text for the code (without the "Tabula Engine Error # " prefix).
    const std::string& Text() const { return text_; }

private:
    ETabulaEngineError(int code, std::string text);
    int code_;
    std::string text_;
};

// Clears the session's error context, stores the code and the four texts in
// it (code 10758 leaves the context alone), and throws ETabulaEngineError.
[[noreturn]] void RaiseEngineError(int code, const std::string& dataFileName = {},
                                   const std::string& fieldName = {},
                                   const std::string& sqlExplanation = {},
                                   const std::string& indexName = {});

// The engine's message for a code, built from the session's error context and
// cut to 127 characters.
std::string EngineErrorMessage(int code);

} // namespace tabula
