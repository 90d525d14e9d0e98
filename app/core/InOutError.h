// EInOutError: the input/output failure of the application's text and binary
// file handling. Its message is the platform's short text for the failure
// ("File not found", "File access denied", ...), which the application's
// top-level handler shows in an error box.
#pragma once

#include <stdexcept>
#include <string>

namespace morvane {

class EInOutError : public std::runtime_error {
public:
    EInOutError(int code, const std::string& message) : std::runtime_error(message), code_(code) {}
    // The platform-neutral error number (2 file not found, 3 path not found,
    // 4 too many open files, 5 access denied, 100 read error, 101 write error).
    int Code() const { return code_; }

    // Builds the error for an errno value of a failed open.
    static EInOutError FromOpenErrno(int err);
    // Builds the error for a failed read or write.
    static EInOutError ReadError();
    static EInOutError WriteError();

private:
    int code_;
};

// EConvertError: a text that should be a whole number is not one. Its message
// is "'<text>' is not a valid integer value".
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    static EConvertError NotAnInteger(const std::string& text) {
        return EConvertError("'" + text + "' is not a valid integer value");
    }
};

} // namespace morvane
