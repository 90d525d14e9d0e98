// The engine-wide named-value lists, created on first use and kept for the
// life of the program, both sorted by name:
//   GlobalVariables  values scripts set for names that are no dictionary
//                    variables, and the elements of script arrays;
//   EngineConstants  named constants of expressions (colours, style bits,
//                    button codes, picture BLOB types ...).
#pragma once

#include "TrpVariables.h"

namespace report {

TrpVariables& GlobalVariables();
TrpVariables& EngineConstants();

} // namespace report
