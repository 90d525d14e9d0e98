// TrpObject: named-property access that knows no names.
#include "TrpObject.h"

#include <cctype>

namespace report {

void TrpObject::SetPropertyValue(const std::string&, const TrpValue&) {}

TrpValue TrpObject::GetPropertyValue(const std::string&) {
    return {};
}

TrpValue TrpObject::CallMethod(const std::string&, const TrpValue&, const TrpValue&,
                               const TrpValue&) {
    return {};
}

void TrpObject::DeclareProperties() {
    props_ = TrpPropertyList();
}

const TrpPropertyList& TrpObject::PropList() {
    DeclareProperties();
    return props_;
}

std::string UpperName(const std::string& name) {
    std::string upper = name;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

} // namespace report
