// The failures of the print dialog and print job (ETrpPrintError) and
// their texts.
#pragma once

#include <stdexcept>

namespace report {

class ETrpPrintError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A printer that cannot be selected or opened.
inline constexpr const char* kPrinterNotValid = "Printer selected is not valid";
// The platform refused to start the job or a new sheet (file not writable,
// printer gone).
inline constexpr const char* kPrintJobNotStarted = "The print job could not be started";

} // namespace report
