// The engine-wide named-value lists, created on first use and kept for the
// life of the program, both sorted by name:
//   GlobalVariables  values scripts set for names that are no dictionary
//                    variables, and the elements of script arrays;
//   EngineConstants  named constants of expressions (the 42 colour names,
//                    mrXxx, fsXxx, rpftXxx, rptaXxx, baXxx, psXxx, mb_Xxx,
//                    CRLF, Null; the picture BLOB types join when the
//                    first picture object is made).
#pragma once

#include "TrpVariables.h"

namespace report {

TrpVariables& GlobalVariables();
TrpVariables& EngineConstants();

} // namespace report
