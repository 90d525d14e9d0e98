// The dictionary record: current, older and legacy layouts.
#include "TrpDictionaryStreaming.h"

#include "ETrpTemplateError.h"
#include "TrpReadStream.h"
#include "TrpTemplateFormat.h"
#include "TrpValueConvert.h"
#include "TrpWriteStream.h"

namespace report {

using namespace tplfmt;

namespace {

// An i32 count of records of at least minSize bytes each, checked against
// the bytes that remain.
std::int32_t ReadCount(TrpReadStream& stream, std::size_t minSize, const char* what) {
    std::int32_t count = stream.ReadI32();
    if (count < 0 ||
        static_cast<std::int64_t>(count) * static_cast<std::int64_t>(minSize) > stream.Remaining())
        throw ETrpTemplateError(std::string("impossible count of ") + what);
    return count;
}

void ReadPairs(TrpReadStream& stream, TrpVariables& list) {
    std::int32_t count = ReadCount(stream, kMinDictionaryPairSize, "dictionary entries");
    for (std::int32_t i = 0; i < count; ++i) {
        std::string name = stream.ReadNewString();
        std::string value = stream.ReadNewString();
        list.Set(name, TrpValue(std::move(value)));
    }
}

void WritePairs(TrpWriteStream& stream, const TrpVariables& list) {
    stream.WriteI32(list.Count());
    for (int i = 0; i < list.Count(); ++i) {
        stream.WriteString(list.Name(i));
        stream.WriteString(ValueToText(list.Value(i)));
    }
}

// The value a legacy entry gives the variable named " " + C.
std::string LegacyEntryValue(std::uint8_t kind, std::int32_t number, const std::string& a,
                             const std::string& b) {
    if (kind == kLegacyFieldEntry)
        return a + ".\"" + b + "\"";
    if (kind != kLegacyVariableEntry)
        return {};
    if (number == kLegacyExpressionNumber)
        return b;
    std::int64_t special = std::int64_t{number} - kLegacySpecialBase;
    if (special < 0 || special >= static_cast<std::int64_t>(std::size(kLegacySpecialNames)))
        return {};
    return std::string(kLegacySpecialNames[special]);
}

void ReadLegacyDictionary(TrpReadStream& stream, TrpDataDictionary& dictionary) {
    // The entries are parked in the aliases list under their variable's
    // name until the list of names says where they belong.
    std::int32_t count = ReadCount(stream, kMinLegacyEntrySize, "legacy dictionary entries");
    for (std::int32_t i = 0; i < count; ++i) {
        std::uint8_t kind = stream.ReadByte();
        std::int32_t number = stream.ReadI32();
        std::string a = stream.ReadShortString();
        std::string b = stream.ReadShortString();
        std::string c = stream.ReadShortString();
        dictionary.Aliases.Set(kCategoryMark + c, TrpValue(LegacyEntryValue(kind, number, a, b)));
    }
    for (const std::string& line : stream.ReadStringList()) {
        if (!line.empty() && line[0] != kCategoryMark)
            dictionary.Variables.Set(line, TrpValue(std::string()));
        else
            dictionary.Variables.Set(line, TrpValue(ValueToText(dictionary.Aliases.Get(line))));
    }
    dictionary.Aliases.Clear();
}

// Turns names of the older convention (categories without a blank,
// variables with one) into the in-memory convention.
void TurnNamesRound(TrpVariables& variables) {
    if (variables.Count() == 0)
        return;
    const std::string first = variables.Name(0);
    if (first.empty() || first[0] == kCategoryMark)
        return;
    for (int i = 0; i < variables.Count(); ++i) {
        std::string name = variables.Name(i);
        if (name.empty())
            continue;
        if (name[0] == kCategoryMark)
            variables.Rename(i, name.substr(1, kMaxDictionaryNameLength));
        else
            variables.Rename(i, kCategoryMark + name);
    }
}

void DropEmptyEntries(TrpVariables& list, const TrpFieldResolver* keepIfField) {
    for (int i = list.Count() - 1; i >= 0; --i) {
        if (!ValueToText(list.Value(i)).empty())
            continue;
        if (keepIfField && *keepIfField && (*keepIfField)(list.Name(i)))
            continue;
        list.Delete(i);
    }
}

} // namespace

void ReadDictionary(TrpReadStream& stream, TrpDataDictionary& dictionary,
                    const TrpFieldResolver& resolvesToField) {
    const std::int64_t start = stream.Position();
    const std::int16_t marker = stream.ReadI16();
    dictionary.Clear();
    if (marker == kDictionaryMarker || marker == kOldDictionaryMarker) {
        ReadPairs(stream, dictionary.Variables);
        ReadPairs(stream, dictionary.Aliases);
        ReadPairs(stream, dictionary.ThirdList);
    } else {
        stream.Seek(start);
        ReadLegacyDictionary(stream, dictionary);
    }
    // This system's own layout already holds the in-memory names, and a
    // dictionary whose first entry is a variable outside any category must
    // not come back with its variables turned into categories.
    if (marker != kDictionaryMarker)
        TurnNamesRound(dictionary.Variables);
    if (marker == kOldDictionaryMarker) {
        DropEmptyEntries(dictionary.Aliases, &resolvesToField);
        DropEmptyEntries(dictionary.ThirdList, nullptr);
    }
}

void WriteDictionary(TrpWriteStream& stream, const TrpDataDictionary& dictionary) {
    stream.WriteI16(kDictionaryMarker);
    WritePairs(stream, dictionary.Variables);
    WritePairs(stream, dictionary.Aliases);
    WritePairs(stream, dictionary.ThirdList);
}

} // namespace report
