// ICU-backed locale services for index keys: code page conversion, half-width
// and upper-case mapping, and collation.
#include "LocaleCollator.h"

#include "AsciiCollation.h"
#include "EngineCodes.h"
#include "EngineError.h"

#include <algorithm>
#include <cstring>
#include <unicode/ucnv.h>
#include <unicode/ucol.h>
#include <unicode/uloc.h>
#include <unicode/ustring.h>
#include <unicode/utrans.h>
#include <vector>

namespace tabula {

namespace {

// The Windows ANSI code page of a locale, by its primary language (and, for
// Chinese, its sub-language).
const char* AnsiCodePage(std::uint32_t localeId) {
    const std::uint32_t language = localeId & 0xFFFF;
    switch (language & 0x3FF) {
    case 0x05:
    case 0x0E:
    case 0x15:
    case 0x18:
    case 0x1A:
    case 0x1B:
    case 0x1C:
    case 0x24:
        return language == 0x0C1A ? "windows-1251" : "windows-1250";
    case 0x02:
    case 0x19:
    case 0x22:
    case 0x23:
    case 0x2F:
    case 0x3F:
    case 0x44:
    case 0x50:
        return "windows-1251";
    case 0x08:
        return "windows-1253";
    case 0x1F:
    case 0x2C:
    case 0x43:
        return "windows-1254";
    case 0x0D:
        return "windows-1255";
    case 0x01:
    case 0x20:
    case 0x29:
        return "windows-1256";
    case 0x25:
    case 0x26:
    case 0x27:
        return "windows-1257";
    case 0x2A:
        return "windows-1258";
    case 0x1E:
        return "windows-874";
    case 0x11:
        return "windows-31j";
    case 0x12:
        return "windows-949";
    case 0x04:
        return (language == 0x0804 || language == 0x1004) ? "windows-936" : "windows-950";
    default:
        return "windows-1252";
    }
}

std::size_t TextLength(const std::uint8_t* text, std::size_t size) {
    const void* end = std::memchr(text, 0, size);
    return end ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(end) - text) : size;
}

// Below this unit the half-width transform changes nothing.
constexpr std::uint16_t kFirstWidthMapped = 0x1100;

struct TUnitRange {
    std::uint16_t first;
    std::uint16_t last;
};

// Blocks above kFirstWidthMapped that the transform leaves alone and that
// single-byte code pages use: general punctuation, currency symbols,
// letter-like symbols.
constexpr TUnitRange kWidthUnchangedBlocks[] = {
    {0x2000, 0x206F}, {0x20A0, 0x20CF}, {0x2100, 0x214F}};

bool IsAscii(const std::uint8_t* text, std::size_t length) {
    // Eight bytes at a time: a text is ASCII when no byte has its top bit.
    constexpr std::uint64_t kTopBits = 0x8080808080808080ull;
    std::uint64_t bits = 0;
    std::size_t i = 0;
    for (; i + sizeof bits <= length; i += sizeof bits) {
        std::uint64_t word;
        std::memcpy(&word, text + i, sizeof word);
        bits |= word;
    }
    for (; i < length; ++i)
        bits |= text[i];
    return (bits & kTopBits) == 0;
}

// Whether the code page maps every byte first..last (within 0x01..0x7F) to
// the same code point.
bool MapsToItself(UConverter* converter, std::uint8_t first, std::uint8_t last) {
    char bytes[0x7F];
    const int32_t count = last - first + 1;
    for (int32_t i = 0; i < count; ++i)
        bytes[i] = static_cast<char>(first + i);
    UChar wide[2 * sizeof bytes];
    UErrorCode status = U_ZERO_ERROR;
    const int32_t n = ucnv_toUChars(converter, wide, static_cast<int32_t>(std::size(wide)), bytes,
                                    count, &status);
    if (U_FAILURE(status) || n != count)
        return false;
    for (int32_t i = 0; i < n; ++i)
        if (wide[i] != static_cast<UChar>(first + i))
            return false;
    return true;
}

// UTF-16 room for a converted key text: on the stack for every text a key
// slot holds, on the heap beyond.
class TWideText {
public:
    explicit TWideText(std::size_t bytes) {
        const std::size_t units = bytes * 2 + 4;
        if (units > kStackUnits)
            heap_.resize(units);
        capacity_ = static_cast<int32_t>(std::max(units, kStackUnits));
    }
    UChar* Data() { return heap_.empty() ? stack_ : heap_.data(); }
    int32_t Capacity() const { return capacity_; }

private:
    static constexpr std::size_t kStackUnits = 520;
    UChar stack_[kStackUnits];
    std::vector<UChar> heap_;
    int32_t capacity_ = 0;
};

} // namespace

TLocaleCollator::TLocaleCollator(std::uint32_t localeId) : localeId_(localeId) {
    UErrorCode status = U_ZERO_ERROR;
    char name[ULOC_FULLNAME_CAPACITY] = {};
    const int32_t length = uloc_getLocaleForLCID(localeId, name, sizeof name, &status);
    if (U_FAILURE(status) || length <= 0)
        RaiseEngineError(kErrLanguageDriver);
    icuLocale_ = name;
    status = U_ZERO_ERROR;
    collator_ = ucol_open(name, &status);
    if (U_FAILURE(status)) {
        collator_ = nullptr;
        RaiseEngineError(kErrLanguageDriver);
    }
    // String sort: hyphens and apostrophes count like every other symbol.
    ucol_setAttribute(collator_, UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &status);
    status = U_ZERO_ERROR;
    converter_ = ucnv_open(AnsiCodePage(localeId), &status);
    if (U_FAILURE(status)) {
        status = U_ZERO_ERROR;
        converter_ = ucnv_open("windows-1252", &status);
    }
    if (U_FAILURE(status)) {
        converter_ = nullptr;
        ucol_close(collator_);
        collator_ = nullptr;
        RaiseEngineError(kErrLanguageDriver);
    }
    constexpr std::uint8_t kLastAscii = 0x7F;
    asciiIdentity_ = MapsToItself(converter_, 1, kLastAscii);
    // Shift-JIS code pages move some control codes but keep the printable
    // characters.
    printableIdentity_ = asciiIdentity_ || MapsToItself(converter_, TAsciiCollation::kFirstChar,
                                                        TAsciiCollation::kLastChar);
}

const TAsciiCollation* TLocaleCollator::Ascii() const {
    if (!asciiLooked_) {
        asciiLooked_ = true;
        if (printableIdentity_)
            ascii_ = TAsciiCollation::For(localeId_, collator_);
    }
    return ascii_;
}

bool TLocaleCollator::WidthMapMayChange(std::uint16_t unit) {
    if (unit < kFirstWidthMapped)
        return false;
    for (const TUnitRange& r : kWidthUnchangedBlocks)
        if (unit >= r.first && unit <= r.last)
            return false;
    return true;
}

void* TLocaleCollator::Halfwidth() const {
    if (!halfwidthOpened_) {
        halfwidthOpened_ = true;
        static const UChar kHalfwidthId[] = u"Fullwidth-Halfwidth";
        UErrorCode status = U_ZERO_ERROR;
        halfwidth_ = utrans_openU(kHalfwidthId, -1, UTRANS_FORWARD, nullptr, 0, nullptr, &status);
        if (U_FAILURE(status))
            halfwidth_ = nullptr; // no transform data: texts stay as they are
    }
    return halfwidth_;
}

TLocaleCollator::~TLocaleCollator() {
    if (halfwidth_)
        utrans_close(static_cast<UTransliterator*>(halfwidth_));
    if (converter_)
        ucnv_close(converter_);
    if (collator_)
        ucol_close(collator_);
}

void TLocaleCollator::MapKeyText(const std::uint8_t* text, std::size_t slotSize, bool upperCase,
                                 std::uint8_t* out) const {
    std::memset(out, 0, slotSize);
    if (slotSize == 0)
        return;
    const std::size_t length = TextLength(text, slotSize - 1);
    if (length == 0)
        return;
    // ASCII converts to the same code points and back, and the half-width
    // transform leaves it alone: only upper-casing (locale rules, such as a
    // dotted capital I) needs the round trip.
    if (!upperCase && asciiIdentity_ && IsAscii(text, length)) {
        std::memcpy(out, text, length);
        return;
    }
    UErrorCode status = U_ZERO_ERROR;
    std::vector<UChar> wide(length * 2 + 16);
    int32_t wideLength =
        ucnv_toUChars(converter_, wide.data(), static_cast<int32_t>(wide.size()),
                      reinterpret_cast<const char*>(text), static_cast<int32_t>(length), &status);
    if (U_FAILURE(status)) {
        std::memcpy(out, text, length);
        return;
    }
    const bool mayChange = std::any_of(wide.begin(), wide.begin() + wideLength,
                                       [](UChar u) { return WidthMapMayChange(u); });
    if (void* halfwidth = mayChange ? Halfwidth() : nullptr) {
        int32_t limit = wideLength;
        status = U_ZERO_ERROR;
        utrans_transUChars(static_cast<UTransliterator*>(halfwidth), wide.data(), &wideLength,
                           static_cast<int32_t>(wide.size()), 0, &limit, &status);
        if (U_FAILURE(status))
            wideLength = limit;
    }
    if (upperCase) {
        std::vector<UChar> upper(static_cast<std::size_t>(wideLength) * 3 + 16);
        status = U_ZERO_ERROR;
        const int32_t upperLength =
            u_strToUpper(upper.data(), static_cast<int32_t>(upper.size()), wide.data(), wideLength,
                         icuLocale_.c_str(), &status);
        if (U_SUCCESS(status)) {
            wide = std::move(upper);
            wideLength = upperLength;
        }
    }
    std::vector<char> narrow(static_cast<std::size_t>(wideLength) * 4 + 16);
    status = U_ZERO_ERROR;
    const int32_t narrowLength =
        ucnv_fromUChars(converter_, narrow.data(), static_cast<int32_t>(narrow.size()), wide.data(),
                        wideLength, &status);
    if (U_FAILURE(status)) {
        std::memcpy(out, text, length);
        return;
    }
    std::memcpy(out, narrow.data(), std::min<std::size_t>(narrowLength, slotSize - 1));
}

int TLocaleCollator::Compare(const std::uint8_t* a, const std::uint8_t* b, std::size_t size) const {
    // Identical texts are equal in every collation. The bytes both texts
    // start with give the ASCII model equal ranks at both levels, so it
    // compares what follows them.
    std::size_t same = 0;
    while (same < size && a[same] == b[same] && a[same] != 0)
        ++same;
    if (same == size || a[same] == b[same])
        return 0;
    const std::size_t aLength = same + TextLength(a + same, size - same);
    const std::size_t bLength = same + TextLength(b + same, size - same);
    if (TAsciiCollation::Covers(a, aLength) && TAsciiCollation::Covers(b + same, bLength - same))
        if (const TAsciiCollation* ascii = Ascii())
            return ascii->Compare(a + same, aLength - same, b + same, bLength - same);
    if (asciiIdentity_ && IsAscii(a, aLength) && IsAscii(b, bLength)) {
        UErrorCode status = U_ZERO_ERROR;
        const UCollationResult r = ucol_strcollUTF8(
            collator_, reinterpret_cast<const char*>(a), static_cast<int32_t>(aLength),
            reinterpret_cast<const char*>(b), static_cast<int32_t>(bLength), &status);
        if (U_SUCCESS(status))
            return r == UCOL_LESS ? -1 : (r == UCOL_GREATER ? 1 : 0);
    }
    TWideText wa(aLength);
    TWideText wb(bLength);
    UErrorCode status = U_ZERO_ERROR;
    const int32_t na =
        ucnv_toUChars(converter_, wa.Data(), wa.Capacity(), reinterpret_cast<const char*>(a),
                      static_cast<int32_t>(aLength), &status);
    UErrorCode statusB = U_ZERO_ERROR;
    const int32_t nb =
        ucnv_toUChars(converter_, wb.Data(), wb.Capacity(), reinterpret_cast<const char*>(b),
                      static_cast<int32_t>(bLength), &statusB);
    if (U_FAILURE(status) || U_FAILURE(statusB)) {
        const int c = std::memcmp(a, b, size);
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    const UCollationResult r = ucol_strcoll(collator_, wa.Data(), na, wb.Data(), nb);
    return r == UCOL_LESS ? -1 : (r == UCOL_GREATER ? 1 : 0);
}

std::size_t TLocaleCollator::AsciiSortKeyLength(const std::uint8_t* text, std::size_t size) {
    return TAsciiCollation::SortKeyLength(TextLength(text, size));
}

std::size_t TLocaleCollator::WriteAsciiSortKey(const std::uint8_t* text, std::size_t size,
                                               std::uint8_t* out) const {
    const std::size_t length = TextLength(text, size);
    const TAsciiCollation* ascii = Ascii();
    if (!ascii || !TAsciiCollation::Covers(text, length))
        return 0;
    ascii->WriteSortKey(text, length, out);
    return TAsciiCollation::SortKeyLength(length);
}

bool TLocaleCollator::AppendSortKey(const std::uint8_t* text, std::size_t size,
                                    std::vector<std::uint8_t>& out, ESortKeyKind kind) const {
    if (kind == ESortKeyKind::kAscii) {
        const std::size_t start = out.size();
        out.resize(start + AsciiSortKeyLength(text, size));
        const std::size_t written = WriteAsciiSortKey(text, size, out.data() + start);
        out.resize(start + written);
        return written != 0;
    }
    const std::size_t length = TextLength(text, size);
    TWideText wide(length);
    int32_t units = 0;
    if (asciiIdentity_ && IsAscii(text, length)) {
        // The code page maps these bytes to the same code points.
        for (std::size_t i = 0; i < length; ++i)
            wide.Data()[i] = static_cast<UChar>(text[i]);
        units = static_cast<int32_t>(length);
    } else {
        UErrorCode status = U_ZERO_ERROR;
        units = ucnv_toUChars(converter_, wide.Data(), wide.Capacity(),
                              reinterpret_cast<const char*>(text), static_cast<int32_t>(length),
                              &status);
        if (U_FAILURE(status))
            return false;
    }
    const std::size_t start = out.size();
    // Sort keys of key-slot texts are rarely longer than a few bytes per
    // character; a longer one is asked for again with the room it needs.
    std::size_t room = static_cast<std::size_t>(units) * 4 + 16;
    for (;;) {
        out.resize(start + room);
        const int32_t needed = ucol_getSortKey(collator_, wide.Data(), units, out.data() + start,
                                               static_cast<int32_t>(room));
        if (needed <= 0) {
            out.resize(start);
            return false;
        }
        if (static_cast<std::size_t>(needed) <= room) {
            out.resize(start + static_cast<std::size_t>(needed));
            return true;
        }
        room = static_cast<std::size_t>(needed);
    }
}

} // namespace tabula
