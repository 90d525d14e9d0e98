// The failure of an expression: a syntax fault, an undefined symbol, a
// value that does not convert. Its message is the text shown to the user.
#pragma once

#include "TrpValue.h"

namespace report {

class ETrpExpressionError : public ETrpValueError {
public:
    using ETrpValueError::ETrpValueError;
};

} // namespace report
