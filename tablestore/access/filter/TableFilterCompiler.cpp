// Filter text -> binary filter expression -> filter tree -> engine filter.
#include "TableFilterCompiler.h"

#include "DataFile.h"
#include "DataSet.h"
#include "FilterExpr.h"
#include "FilterExprReader.h"
#include "SqlFilterBuilder.h"

#include <memory>
#include <vector>

namespace tabula {

int CompileTableFilter(TDataSet& dataSet, TDataFile& file) {
    if (dataSet.Filter().empty())
        return -1;
    const TFilterFieldLookup lookup = [&dataSet](const std::string& name) -> const TField* {
        return dataSet.FindField(name);
    };
    const std::vector<std::uint8_t> image =
        CompileFilter(dataSet.Filter(), dataSet.FilterOptions(), lookup);

    // The engine reads the expression as untrusted bytes, with its own field
    // types: a field number the file does not know is refused there.
    std::vector<TSqlType> fieldTypes;
    for (const TFieldDescriptor& f : file.WorkingDescriptors())
        fieldTypes.push_back(TSqlType{f.type, f.subtype, f.storedSize, f.declaredDecimals});
    auto tree =
        std::make_shared<const TFilterTree>(ReadFilterExpr(image, fieldTypes, file.FileName()));

    TSqlFilterBuilder builder(file, file.Header().LocaleId(), false);
    TSqlTableFilter filter = builder.Build(tree);
    if (!filter.node)
        return -1;
    return file.AddFilter(std::move(filter.node));
}

} // namespace tabula
