// Creating report objects from their type code, as templates and generated
// pages store them: 0 text, 1 picture, 2 band, 3 sub-report, 4 line, 10 an
// object of a registered extension class named by className (none is
// registered, so it gives null, as does any other code). Each created
// object takes the next value of an engine-wide ObjectId counter that
// starts at 0 and only grows.
#pragma once

#include "TrpView.h"

#include <memory>
#include <string>

namespace report {

std::unique_ptr<TrpView> CreateReportObject(int typeCode, const std::string& className = {});

} // namespace report
