// CreateTable from a framework definition: field definitions become field
// descriptors, index definitions become index descriptors, and the record
// manager creates the files (it validates the whole definition first and
// deletes whatever it created when a later step fails).
#include "TableCreation.h"

#include "DataFile.h"
#include "DataFileFormat.h"
#include "EngineCodes.h"
#include "EngineError.h"
#include "IndexDescriptor.h"
#include "StoredFieldType.h"
#include "TableDefinition.h"

#include <algorithm>
#include <cctype>

namespace tabula {

namespace {

std::string Upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

TFieldDescriptor DescriptorOf(const TFieldDef& def, int number) {
    const TStoredFieldType stored = StoredFieldTypeOf(def.DataType);
    TFieldDescriptor d;
    d.fieldNumber = static_cast<std::int16_t>(number);
    d.name = def.Name;
    d.type = stored.type;
    d.subtype = stored.subtype;
    // The descriptor holds sizes in one byte; the record manager's own
    // limits (250 characters, 32 decimals) are checked when it validates.
    if (def.Size < 0 || def.Size > 255)
        RaiseEngineError(kErrInvalidFieldDefinition, {}, def.Name);
    const auto size = static_cast<std::uint8_t>(def.Size);
    if (def.DataType == TFieldType::ftBCD)
        d.declaredDecimals = size;
    else
        d.declaredSize = size;
    d.required = def.Required ? 1 : 0;
    return d;
}

int FieldNumberOf(const TFieldDefs& fields, const std::string& upperName) {
    for (int i = 0; i < fields.Count(); ++i)
        if (Upper(fields[i].Name) == upperName)
            return i + 1;
    RaiseEngineError(kErrInvalidField, {}, upperName);
}

TIndexDescriptor IndexDescriptorOf(const TFieldDefs& fields, const TIndexDef& def, bool primary) {
    TIndexDescriptor d;
    d.name = primary ? std::string() : def.Name;
    d.descending = def.Descending;
    d.caseInsensitive = def.CaseInsensitive;
    d.unique = def.Unique;
    const std::vector<std::string> names = SplitFieldNames(def.Fields);
    // More key fields than an index holds: the record manager refuses the
    // count with its own error, so pass the count on and no more numbers.
    d.fieldCount = static_cast<std::uint8_t>(std::min<std::size_t>(names.size(), 255));
    for (std::size_t i = 0; i < names.size() && i < d.fieldNumbers.size(); ++i)
        d.fieldNumbers[i] = static_cast<std::int16_t>(FieldNumberOf(fields, names[i]));
    return d;
}

} // namespace

void CreateTable(const std::string& tablePath, const TTableSpec& spec) {
    TTableDefinition definition;
    definition.description = spec.Description;
    for (int i = 0; i < spec.Fields.Count(); ++i)
        definition.fields.push_back(DescriptorOf(spec.Fields[i], i + 1));

    const TIndexDescriptor primary = IndexDescriptorOf(spec.Fields, spec.PrimaryIndex, true);
    std::vector<TIndexDescriptor> secondaries;
    for (const TIndexDef& def : spec.SecondaryIndexes)
        secondaries.push_back(IndexDescriptorOf(spec.Fields, def, false));

    TDataFile file;
    file.SetFileName(tablePath);
    file.SetExclusive(true);
    file.CreateTable(std::move(definition), primary, secondaries);
}

void DeleteTable(const std::string& tablePath) {
    TDataFile file;
    file.SetFileName(tablePath);
    file.SetExclusive(true);
    file.Open();
    file.Close();
    file.DeleteTableFiles();
}

} // namespace tabula
