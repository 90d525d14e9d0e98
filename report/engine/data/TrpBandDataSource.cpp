// Resolution of a band's data source text: a count or a component name.
#include "TrpBandDataSource.h"

#include "TrpDataErrors.h"

#include <charconv>

namespace report {

namespace {

bool IsCountText(const std::string& text) {
    return !text.empty() && text.front() >= '1' && text.front() <= '9';
}

int ParseCount(const std::string& text) {
    int count = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, count);
    if (error != std::errc() || stop != end)
        throw EConvertError("'" + text + "' is not a valid integer value");
    return count;
}

} // namespace

TrpBandDataSource ResolveBandDataSource(const TrpLookupContext& context, const std::string& text) {
    TrpBandDataSource result;
    if (IsCountText(text)) {
        result.owned = std::make_unique<TrpUserDataset>();
        result.owned->RangeEnd = TRangeEnd::reCount;
        result.owned->RangeEndCount = ParseCount(text);
        result.dataset = result.owned.get();
    } else if (!text.empty()) {
        tabula::TComponent* component = FindReportComponent(context, text);
        if (!component)
            return result;
        result.dataset = dynamic_cast<TrpDataset*>(component);
        if (!result.dataset)
            throw EInvalidCast(kInvalidClassTypecast);
    }
    if (result.dataset)
        result.dataset->OpenRange();
    return result;
}

} // namespace report
