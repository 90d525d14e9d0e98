// The binary filter expression: the compact form in which the dataset layer
// hands a filter to the engine, and which the engine reads back into an
// expression tree.
//
// All integers are little-endian; every offset is 16-bit, so a whole image
// is at most 65535 bytes.
//
//   header (10 bytes)
//     +0  version, 16-bit, always 0
//     +2  total size of the image in bytes, 16-bit
//     +4  16-bit -1 (0xFFFF)
//     +6  offset of the node area from the image start, 16-bit, always 10
//     +8  offset of the literal pool from the image start, 16-bit
//         (= 10 + size of the node area)
//   node area
//     nodes, each: class (32-bit), operator (32-bit), then its operands,
//     16 bits each. Node operands are offsets from the start of the node
//     area; literal operands are offsets from the start of the literal pool.
//     Nodes are written parent before children, so the root is the node at
//     node-area offset 0.
//   literal pool
//     field names (zero-terminated) and constant values, in the order the
//     nodes that own them are written.
//
//   class 1 unary      op NOT / IS NULL / IS NOT NULL   operand node
//   class 2 binary     op = <> > < >= <= AND OR         left node, right node
//   class 3 compare    op = <> > < >= <=                case-insensitive flag,
//       with options                                    partial length (0 = the
//                                                       whole value), left node,
//                                                       right node
//   class 4 field      op 13                            field number, literal
//                                                       offset of the name
//   class 5 constant   op 14                            engine type code, size,
//                                                       literal offset of value
//
// A constant's value bytes use the record encoding of its type (a string is
// its characters and a terminating zero). A string constant of size 1 (the
// empty string) stands for NULL.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tabula::filterfmt {

// Header.
inline constexpr std::size_t kHeaderSize = 10;
inline constexpr std::size_t kVersionOffset = 0;
inline constexpr std::size_t kTotalSizeOffset = 2;
inline constexpr std::size_t kMarkerOffset = 4;
inline constexpr std::size_t kNodeAreaOffsetOffset = 6;
inline constexpr std::size_t kLiteralPoolOffsetOffset = 8;
inline constexpr std::uint16_t kVersion = 0;
inline constexpr std::uint16_t kMarker = 0xFFFF;
inline constexpr std::size_t kMaxImageSize = 0xFFFF;

// Node layout: class and operator, then the 16-bit operands.
inline constexpr std::size_t kNodeClassOffset = 0;
inline constexpr std::size_t kNodeOperatorOffset = 4;
inline constexpr std::size_t kNodeOperandsOffset = 8;
inline constexpr std::size_t kOperandSize = 2;

// Node classes and their operand counts.
inline constexpr std::uint32_t kClassUnary = 1;
inline constexpr std::uint32_t kClassBinary = 2;
inline constexpr std::uint32_t kClassCompare = 3;
inline constexpr std::uint32_t kClassField = 4;
inline constexpr std::uint32_t kClassConstant = 5;

inline constexpr std::size_t kUnaryOperands = 1;    // operand
inline constexpr std::size_t kBinaryOperands = 2;   // left, right
inline constexpr std::size_t kCompareOperands = 4;  // flag, partial length, left, right
inline constexpr std::size_t kFieldOperands = 2;    // field number, name
inline constexpr std::size_t kConstantOperands = 3; // type code, size, value

// Operator codes.
inline constexpr std::uint32_t kOpIsNull = 1;
inline constexpr std::uint32_t kOpIsNotNull = 2;
inline constexpr std::uint32_t kOpEq = 3;
inline constexpr std::uint32_t kOpNe = 4;
inline constexpr std::uint32_t kOpGt = 5;
inline constexpr std::uint32_t kOpLt = 6;
inline constexpr std::uint32_t kOpGe = 7;
inline constexpr std::uint32_t kOpLe = 8;
inline constexpr std::uint32_t kOpNot = 9;
inline constexpr std::uint32_t kOpAnd = 10;
inline constexpr std::uint32_t kOpOr = 11;
inline constexpr std::uint32_t kOpField = 13;
inline constexpr std::uint32_t kOpConstant = 14;

// Longest string constant written (characters, without the zero).
inline constexpr std::size_t kMaxStringConstant = 255;

inline constexpr std::size_t OperandCount(std::uint32_t nodeClass) {
    switch (nodeClass) {
    case kClassUnary:
        return kUnaryOperands;
    case kClassBinary:
        return kBinaryOperands;
    case kClassCompare:
        return kCompareOperands;
    case kClassField:
        return kFieldOperands;
    case kClassConstant:
        return kConstantOperands;
    default:
        return 0;
    }
}

inline constexpr std::size_t NodeSize(std::uint32_t nodeClass) {
    return kNodeOperandsOffset + OperandCount(nodeClass) * kOperandSize;
}

} // namespace tabula::filterfmt
