// TrpObjectBlobBindings: the BLOB bindings of the objects of a report
// while it generates. When the report's pages are prepared, every object
// whose first memo line begins with "[" (a text object only when it is not
// "TextOnly") is bound to the field that name stands for - a dictionary
// variable resolved to a dataset field, or a field reference against the
// default dataset of the object's band. Each printing of a bound object
// then loads the object from the field of the current record, when that
// field exists and is a BLOB.
//
// The bindings belong to one pass: they name objects of the template in
// memory and are dropped before the template is reloaded.
#pragma once

#include "TrpBlobBinding.h"

#include <map>
#include <memory>

namespace report {

class TrpBand;
class TrpReport;
class TrpView;

class TrpObjectBlobBindings {
public:
    // Binds the objects of band (their first memo lines are read now).
    void BindBand(TrpReport& report, TrpBand& band);
    // Loads view from its bound BLOB field; nothing for an unbound view or
    // a field that is absent or not a BLOB.
    void Load(TrpView& view) const;
    std::size_t Count() const { return bindings_.size(); }

private:
    std::map<const TrpView*, std::unique_ptr<TrpBlobBinding>> bindings_;
};

} // namespace report
