// Creating report objects from their type code.
#include "TrpObjectFactory.h"

#include "TrpBandView.h"
#include "TrpLineView.h"
#include "TrpMemoView.h"
#include "TrpPictureView.h"
#include "TrpSubReportView.h"

namespace report {

namespace {

// The engine-wide object id counter; it starts at 0 and only grows.
std::int32_t nextObjectId = 0;

} // namespace

std::unique_ptr<TrpView> CreateReportObject(int typeCode, const std::string&) {
    std::unique_ptr<TrpView> view;
    switch (typeCode) {
    case kTypeMemo:
        view = std::make_unique<TrpMemoView>();
        break;
    case kTypePicture:
        view = std::make_unique<TrpPictureView>();
        break;
    case kTypeBand:
        view = std::make_unique<TrpBandView>();
        break;
    case kTypeSubReport:
        view = std::make_unique<TrpSubReportView>();
        break;
    case kTypeLine:
        view = std::make_unique<TrpLineView>();
        break;
    default:
        // Type 10 names an extension class; none is registered.
        return nullptr;
    }
    view->ObjectId = nextObjectId++;
    return view;
}

} // namespace report
