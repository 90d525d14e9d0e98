// TrpObject: the root of the report's objects and pages. It owns the
// declared property list (the names a script may assign through
// Object.Property) and the four named-access operations.
//
// The list is rebuilt by DeclareProperties each time PropList() is asked
// for, so that it always follows the object's current state (a band's list
// depends on its band type, a page's on its page type).
#pragma once

#include "TrpPropertyList.h"
#include "TrpValue.h"

#include <string>

namespace report {

class TrpObject {
public:
    TrpObject() = default;
    virtual ~TrpObject() = default;
    TrpObject(const TrpObject&) = delete;
    TrpObject& operator=(const TrpObject&) = delete;

    // Assigns a property by name (any case); unknown names are ignored.
    virtual void SetPropertyValue(const std::string& name, const TrpValue& value);
    // Reads a property by name (any case); unknown names give Null.
    virtual TrpValue GetPropertyValue(const std::string& name);
    // Runs a named method; a name that is no method gives Null.
    virtual TrpValue CallMethod(const std::string& name, const TrpValue& p1, const TrpValue& p2,
                                const TrpValue& p3);
    // Rebuilds the declared property list.
    virtual void DeclareProperties();

    // The declared properties, rebuilt for the object's current state.
    const TrpPropertyList& PropList();

protected:
    TrpPropertyList props_;
};

// The ASCII upper-case form of a property or method name.
std::string UpperName(const std::string& name);

} // namespace report
