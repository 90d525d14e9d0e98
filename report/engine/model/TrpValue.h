// TrpValue: a property value as named-property access carries it: empty,
// integer, real, boolean or text. Minimal for now; the report's value type
// with arithmetic grows from here.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace report {

using TrpValue = std::variant<std::monostate, std::int64_t, double, bool, std::string>;

} // namespace report
