// The binding image: how a query hands its parameter values to the
// statement, and how the statement takes them apart again.
//
// Per parameter, in list order, one 768-byte field descriptor (the data
// file's descriptor layout) with
//   field number   the parameter's position, from 1
//   name           the parameter's name, at most 30 characters
//   type           the engine type code of the parameter's data type
//                  (EngineTypeOfParam); 0 is refused with
//                  "No value for parameter '%s'"
//   declared size  255 for strings, 0 otherwise
//   decimals       4 for BCD, 0 otherwise
//   stored size    the size of the value's engine form
//   offset         where the parameter's entry starts in the values buffer
// and one values buffer holding per parameter a present byte (1 when the
// value is not Null) followed by the value's engine form (ParamImage.h).
//
// A stored size lives in one byte, so a string value is bound with at most
// 254 characters (stored size 255 with its zero); offsets live in 16 bits,
// so the values buffer holds at most 65535 bytes ("Internal parameter
// error" beyond).
//
// The statement's side decodes the image into one TSqlValue per parameter
// and copies them into its "?" markers in order of appearance. Parameters
// left over after the last marker fail with error kErrSql, "Internal
// parameter error"; markers left over keep no value.
#pragma once

#include "SqlNode.h"
#include "SqlValue.h"
#include "TabulaParams.h"

#include <cstdint>
#include <span>
#include <vector>

namespace tabula {

inline constexpr int kBoundStringDeclaredSize = 255;
inline constexpr int kBoundStringMaxLength = 254;
inline constexpr int kBoundBcdDecimals = 4;

struct TParamBinding {
    std::size_t count = 0;
    std::vector<std::uint8_t> descriptors; // count × 768 bytes
    std::vector<std::uint8_t> values;      // the values buffer
};

// The engine type code a data type is bound as; 0 for types without one.
std::uint8_t EngineTypeOfParam(TFieldType type);

// The binding image of a list of parameters.
TParamBinding BuildParamBinding(const TTabulaParams& params);

// One value per bound parameter: type, subtype, size and bytes from the
// descriptor and the values buffer, null when the present byte is 0.
// An image that does not hold together (short buffers, an entry reaching
// past the values buffer) fails with kErrSql, "Internal parameter error".
std::vector<TSqlValue> DecodeParamBinding(std::size_t count,
                                          std::span<const std::uint8_t> descriptors,
                                          std::span<const std::uint8_t> values);

// kErrSql, "Internal parameter error", when there are more parameters than
// markers.
void CheckParamCount(std::size_t paramCount, std::size_t markerCount);

// CheckParamCount, then each marker in order takes the next value (its
// node type is type checking's to fill); markers beyond the values are
// left as they are.
void BindParamMarkers(const std::vector<TSqlValue>& values,
                      const std::vector<TSqlNodePtr>& markers);

} // namespace tabula
