// The stored parameter image and the engine form of parameter values.
//
// Engine form, by data type (the bytes a value has in the stored image and
// in the binding image):
//   ftString, ftMemo       the text and a terminating zero (length + 1)
//   ftSmallint, ftWord     16-bit
//   ftBoolean              16-bit 0 or 1
//   ftInteger, ftAutoInc   32-bit
//   ftDate                 32-bit day number (0001-01-01 = 1)
//   ftTime                 32-bit milliseconds since midnight
//   ftFloat, ftCurrency    IEEE double
//   ftBCD                  the engine's BCD of the value with 4 decimals
//   ftDateTime             IEEE double: day number × 86400000 + milliseconds
// ftUnknown has no engine form ("Field '%s' is of unknown type"); every
// other type has none either ("Field '%s' is of an unsupported type"). A
// Null value has the engine form of its type's zero (the empty text, 0).
//
// Reading an image never trusts it: every length is checked against the
// bytes that remain, sizes are bounded, and any inconsistency (a truncated
// image, an unknown data type number, a value whose size does not fit its
// type, a version above 2) fails with "Unable to load bind parameters"
// and leaves the target list unchanged.
#pragma once

#include "ParamImageFormat.h"
#include "TabulaParams.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tabula {

// The engine form of a parameter's value (see above).
std::vector<std::uint8_t> ParamEngineValue(const TTabulaParam& param);
// The value that engine-form bytes of a data type stand for; nullopt when
// the bytes do not fit the type (wrong size, a string without its zero).
// Raises the unknown / unsupported type messages for types without an
// engine form, naming the parameter.
std::optional<TVariant> ParamValueFromEngine(const std::string& name, TFieldType type,
                                             std::span<const std::uint8_t> bytes);

// The image of a list (version 1); empty when the list is empty, in which
// case nothing is to be stored. "Parameter '%s', cannot save data larger
// than %d bytes" when a value's engine form exceeds 2048 bytes.
std::vector<std::uint8_t> WriteParamImage(const TTabulaParams& params);

// Replaces params by the parameters of an image of version 0, 1 or 2.
void ReadParamImage(std::span<const std::uint8_t> image, TTabulaParams& params);

} // namespace tabula
