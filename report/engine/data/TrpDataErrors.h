// The failures of the report dataset link, each a class of its own so that
// callers (the generation engine, the message boxes) can tell them apart:
//   EDSError        a report dataset with no table dataset behind it
//                   ("Unable to open dataset " + component name);
//   EClassNotFound  a component name that failed to resolve
//                   ("Missing " + name);
//   EInvalidCast    a component of the wrong class where a report dataset
//                   is required;
//   EConvertError   a band data source that starts like a count but is no
//                   number.
#pragma once

#include <stdexcept>
#include <string>

namespace report {

class EDSError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class EClassNotFound : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class EInvalidCast : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The texts the link raises with; the name is appended.
inline constexpr const char* kUnableToOpenDataset = "Unable to open dataset ";
inline constexpr const char* kMissingComponent = "Missing ";
inline constexpr const char* kInvalidClassTypecast = "Invalid class typecast";

} // namespace report
