// Reading and writing a report's data dictionary as the record after the
// dictionary tag of a template.
//
// Layouts (the first i16 tells them apart):
//   kDictionaryMarker      three lists (variables, aliases, third list),
//                          each an i32 count and that many pairs of new
//                          strings (name, value); written by this system.
//   kOldDictionaryMarker   the same lists from an older writer, which also
//                          stored empty aliases and empty third-list entries
//                          that carry nothing; those are dropped on reading.
//   anything else          the legacy layout: those two bytes are the start
//                          of an i32 entry count, then entries of (kind, i32
//                          number, three short strings A, B, C) and a string
//                          list naming the categories and variables.
//
// In memory a category name begins with a blank and a variable name does
// not. Older writers stored the opposite; a list read from them whose first
// name is a category without a blank has every name turned round.
#pragma once

#include "TrpDataDictionary.h"

#include <functional>
#include <string>

namespace report {

class TrpReadStream;
class TrpWriteStream;

// Whether a Dataset.Field name resolves to a field of a dataset.
using TrpFieldResolver = std::function<bool(const std::string& name)>;

// Empties dictionary and fills it from the record at the stream's position.
void ReadDictionary(TrpReadStream& stream, TrpDataDictionary& dictionary,
                    const TrpFieldResolver& resolvesToField);
// Writes dictionary with kDictionaryMarker, every value as its text.
void WriteDictionary(TrpWriteStream& stream, const TrpDataDictionary& dictionary);

} // namespace report
