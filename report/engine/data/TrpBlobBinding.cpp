// BLOB binding of report objects and the reading of BLOB field content.
#include "TrpBlobBinding.h"

#include "tabula/DataSet.h"
#include "tabula/Stream.h"

namespace report {

TrpBlobContent ReadBlobField(tabula::TField& field) {
    TrpBlobContent content;
    tabula::TDataSet* dataSet = field.DataSet();
    if (!dataSet || field.IsNull())
        return content;
    std::unique_ptr<tabula::TStream> stream =
        dataSet->CreateBlobStream(field, tabula::TBlobStreamMode::bmRead);
    content.isNull = false;
    if (stream)
        content.bytes = stream->ReadAll();
    return content;
}

std::string TrpBlobBinding::BoundName(const std::string& firstMemoLine) {
    if (firstMemoLine.empty() || firstMemoLine.front() != '[')
        return {};
    const std::string::size_type close = firstMemoLine.rfind(']');
    if (close == std::string::npos || close == 0)
        return {};
    return firstMemoLine.substr(1, close - 1);
}

bool TrpBlobBinding::Bind(const std::string& firstMemoLine, const TrpLookupContext& context,
                          tabula::TDataSet* defaultDataset, const TVariableResolver& variables) {
    Unbind();
    const std::string name = BoundName(firstMemoLine);
    if (name.empty())
        return false;
    std::optional<TrpFieldLink> link;
    if (variables)
        link = variables(name);
    if (!link || !link->dataset)
        link = ResolveFieldReference(context, name, defaultDataset);
    if (!link || !link->dataset)
        return false;
    source_.SetDataSet(link->dataset);
    fieldName_ = link->fieldName;
    return true;
}

void TrpBlobBinding::Unbind() {
    source_.SetDataSet(nullptr);
    fieldName_.clear();
}

std::optional<TrpBlobContent> TrpBlobBinding::Fetch() const {
    tabula::TDataSet* dataSet = source_.DataSet();
    if (!dataSet)
        return std::nullopt;
    if (!dataSet->Active())
        dataSet->Open();
    tabula::TField* field = dataSet->FindField(fieldName_);
    if (!field || !field->IsBlob())
        return std::nullopt;
    return ReadBlobField(*field);
}

} // namespace report
