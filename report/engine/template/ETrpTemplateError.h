// ETrpTemplateError: the one failure of reading or writing a report template
// or an object record: a short read, a length, count or offset that does not
// fit in the stream, an invalid tag, a device that refuses to write. Its text
// names the fault for a developer; the user sees the format message.
#pragma once

#include <stdexcept>
#include <string>

namespace report {

class ETrpTemplateError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace report
