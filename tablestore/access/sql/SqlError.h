// The failures of SQL parsing and checking.
//
// Every parser, resolver and type-check failure is engine error kErrSql whose
// SQL explanation is the failure's text; the engine composes the message
// "SQL - " + explanation (the explanation is kept to 255 characters, the
// message text to 127). A number token that cannot be converted (an integer
// beyond 32 bits, a malformed number) raises ESqlConvertError instead, the
// platform's conversion failure.
#pragma once

#include <stdexcept>
#include <string>

namespace tabula {

[[noreturn]] void RaiseSqlError(const std::string& explanation);

class ESqlConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace tabula
