// The compiled form of a report script: an ordered list of one-line
// instructions. The first character gives the kind:
//   kInstrCondJump  two bytes target index (low byte first), then an
//                   expression in postfix form; jumps when its value is 0;
//   kInstrJump      two bytes target index (low byte first); while the
//                   compiler runs, a GOTO holds its label text here;
//   kInstrCall      an expression in postfix form evaluated for its
//                   effects; "EXIT(0)" (in any case) ends the script;
//   anything else   an assignment: the target name up to the first blank,
//                   then the expression in postfix form.
// Targets are instruction indices, so a script holds at most
// kMaxInstructions instructions.
#pragma once

#include <cstddef>

namespace report {

inline constexpr char kInstrCondJump = 1;
inline constexpr char kInstrJump = 2;
inline constexpr char kInstrCall = 3;
inline constexpr std::size_t kTargetBytes = 2;
inline constexpr std::size_t kJumpHeader = 1 + kTargetBytes;
inline constexpr std::size_t kMaxInstructions = 65536;
static_assert(kMaxInstructions == (1u << (8 * kTargetBytes)));

// The source is compiled from a work buffer of this size; larger scripts
// are refused.
inline constexpr std::size_t kScriptBufferSize = 32000;
// Label names are kept to this many characters.
inline constexpr std::size_t kMaxLabelName = 16;
// Statements and expressions nested deeper than this are refused, so that
// a hostile script cannot exhaust the stack.
inline constexpr int kMaxScriptNesting = 200;
// A running script offers the engine a chance to process window messages
// (and so a Cancel) after this many jumps.
inline constexpr unsigned kJumpsPerPoll = 256;

} // namespace report
