// Builds the virtual printer's paper table from Qt's page sizes, which know
// the platform paper codes (QPageSize::id(windowsId)).
#include "VirtualPaperTable.h"

#include "EnginePixels.h"

#include <QPageSize>
#include <QSize>
#include <QSizeF>
#include <vector>

namespace report {
namespace {

// A size as tenths of a millimetre: metric sizes from their millimetre
// definition, the others from their point size, which Qt keeps exact where
// its inch definitions are cut to two decimals (envelope #10: 4.12 in).
QSize DefinitionInTenthsMm(const QPageSize& size) {
    if (size.definitionUnits() == QPageSize::Millimeter) {
        QSizeF mm = size.definitionSize();
        return {static_cast<int>(RoundHalfEven(mm.width() * 10.0)),
                static_cast<int>(RoundHalfEven(mm.height() * 10.0))};
    }
    QSize points = size.sizePoints();
    constexpr double kPointsPerInch = 72.0;
    return {static_cast<int>(RoundHalfEven(points.width() * kTenthsMmPerInch / kPointsPerInch)),
            static_cast<int>(RoundHalfEven(points.height() * kTenthsMmPerInch / kPointsPerInch))};
}

TrpPaperEntry MakeEntry(int code) {
    TrpPaperEntry entry;
    entry.code = code;
    if (code == kUserPaperCode)
        return entry;
    QPageSize::PageSizeId id = QPageSize::id(code);
    if (id == QPageSize::Custom)
        return entry;
    QSize tenths = DefinitionInTenthsMm(QPageSize(id));
    entry.width = tenths.width();
    entry.height = tenths.height();
    return entry;
}

std::vector<TrpPaperEntry> BuildTable() {
    std::vector<TrpPaperEntry> table;
    table.reserve(kVirtualPaperCount);
    for (int code = 1; code <= 47; ++code)
        table.push_back(MakeEntry(code));
    for (int code = 50; code <= 68; ++code)
        table.push_back(MakeEntry(code));
    table.push_back(MakeEntry(kUserPaperCode));
    return table;
}

} // namespace

std::span<const TrpPaperEntry> VirtualPaperTable() {
    static const std::vector<TrpPaperEntry> table = BuildTable();
    return table;
}

const TrpPaperEntry* FindVirtualPaper(int code) {
    for (const TrpPaperEntry& entry : VirtualPaperTable())
        if (entry.code == code)
            return &entry;
    return nullptr;
}

} // namespace report
