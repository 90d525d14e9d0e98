// Test support for cross bands: vertical strips of the cross header, data
// and footer types laid over a template built by TemplateBuilder, and the
// texts of printed objects in print order.
#pragma once

#include "TemplateBuilder.h"

#include <string>
#include <vector>

namespace report::testing {

// A cross band of type running down the whole page from left, width wide.
inline TrpBandView& CrossBand(TemplateBuilder& build, std::uint8_t type, int left, int width,
                              const std::string& dataSource, const std::string& name) {
    TrpBandView& band = build.Band(type, 0, 10, dataSource, name);
    band.SetBounds(left, 0, width, 2000);
    return band;
}

inline std::vector<std::string> Texts(const std::vector<PrintedAt>& printed) {
    std::vector<std::string> texts;
    for (const PrintedAt& p : printed)
        texts.push_back(p.object.text);
    return texts;
}

} // namespace report::testing
