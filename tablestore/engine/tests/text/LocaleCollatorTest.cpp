// The key text services of a table locale: the half-width transform that is
// only opened for texts it could change, and the ASCII shortcut of the
// collation, each against the full path it stands in for.
#include "LocaleCollator.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <unicode/utrans.h>
#include <vector>

namespace tabula {
namespace {

constexpr std::uint32_t kEnglishUS = 0x0409;
constexpr std::uint32_t kJapanese = 0x0411;

// Every BMP unit that the collator treats as unchanged by the transform
// is unchanged by ICU's transform itself.
TEST(LocaleCollator, SkippedWidthTransformWouldChangeNothing) {
    static const UChar kId[] = u"Fullwidth-Halfwidth";
    UErrorCode status = U_ZERO_ERROR;
    UTransliterator* t = utrans_openU(kId, -1, UTRANS_FORWARD, nullptr, 0, nullptr, &status);
    if (U_FAILURE(status))
        GTEST_SKIP() << "no transform data";
    int checked = 0;
    for (std::uint32_t u = 1; u < 0xD800; ++u) {
        if (TLocaleCollator::WidthMapMayChange(static_cast<std::uint16_t>(u)))
            continue;
        UChar text[4] = {static_cast<UChar>(u)};
        int32_t length = 1;
        int32_t limit = 1;
        status = U_ZERO_ERROR;
        utrans_transUChars(t, text, &length, 4, 0, &limit, &status);
        ASSERT_TRUE(U_SUCCESS(status));
        ASSERT_TRUE(length == 1 && text[0] == static_cast<UChar>(u)) << "U+" << std::hex << u;
        ++checked;
    }
    utrans_close(t);
    EXPECT_GT(checked, 0x1000);
}

std::vector<std::uint8_t> Slot(const std::string& text, std::size_t size) {
    std::vector<std::uint8_t> slot(size, 0);
    std::memcpy(slot.data(), text.data(), std::min(text.size(), size - 1));
    return slot;
}

// Full-width text in a double-byte code page still becomes half-width
// (the transform is opened for it), while plain text maps as it is.
TEST(LocaleCollator, WidthTransformStillAppliesWhereItChangesText) {
    const TLocaleCollator japanese(kJapanese);
    // Shift-JIS full-width "A" (U+FF21).
    const std::vector<std::uint8_t> wide = Slot("\x82\x60", 8);
    std::vector<std::uint8_t> out(8);
    japanese.MapKeyText(wide.data(), 8, false, out.data());
    EXPECT_EQ(out, Slot("A", 8));
    japanese.MapKeyText(Slot("abc", 8).data(), 8, true, out.data());
    EXPECT_EQ(out, Slot("ABC", 8));
}

// The ASCII shortcut orders like the converted path, which Latin-1 texts
// take: mixing both kinds of text gives one consistent order.
TEST(LocaleCollator, AsciiShortcutAgreesWithConvertedComparison) {
    const TLocaleCollator english(kEnglishUS);
    const std::vector<std::string> texts = {"apple", "Apple",     "\xc4pfel", "co-op", "coop",
                                            "Zebra", "\xe9t\xe9", "ete",      "",      "a b"};
    for (const std::string& x : texts)
        for (const std::string& y : texts) {
            const int xy = english.Compare(Slot(x, 12).data(), Slot(y, 12).data(), 12);
            const int yx = english.Compare(Slot(y, 12).data(), Slot(x, 12).data(), 12);
            EXPECT_EQ(xy, -yx) << x << " / " << y;
            for (const std::string& z : texts) {
                const int yz = english.Compare(Slot(y, 12).data(), Slot(z, 12).data(), 12);
                const int xz = english.Compare(Slot(x, 12).data(), Slot(z, 12).data(), 12);
                if (xy < 0 && yz < 0) {
                    EXPECT_LT(xz, 0) << x << " < " << y << " < " << z;
                }
            }
        }
    EXPECT_LT(english.Compare(Slot("apple", 12).data(), Slot("Banana", 12).data(), 12), 0);
    // "Apfel" before "apple" (f before p), the accent counting less.
    EXPECT_GT(english.Compare(Slot("apple", 12).data(), Slot("\xc4pfel", 12).data(), 12), 0);
    EXPECT_LT(english.Compare(Slot("\xc4pfel", 12).data(), Slot("Banana", 12).data(), 12), 0);
}

} // namespace
} // namespace tabula
