// TTableLocale: a table's locale through ICU.
#include "TableLocale.h"

#include "EngineCodes.h"
#include "EngineError.h"
#include "LocaleCollator.h"

#include <map>
#include <mutex>
#include <unicode/udat.h>
#include <unicode/uloc.h>
#include <unicode/unum.h>

namespace tabula {

namespace {

constexpr int kMaxPattern = 128;

std::u16string DatePattern(const char* locale, UDateFormatStyle timeStyle,
                           UDateFormatStyle dateStyle) {
    UErrorCode status = U_ZERO_ERROR;
    UDateFormat* format = udat_open(timeStyle, dateStyle, locale, nullptr, 0, nullptr, 0, &status);
    if (U_FAILURE(status) || format == nullptr)
        return {};
    UChar buffer[kMaxPattern];
    const int32_t length = udat_toPattern(format, false, buffer, kMaxPattern, &status);
    std::u16string pattern;
    if (U_SUCCESS(status) && length > 0 && length <= kMaxPattern)
        pattern.assign(reinterpret_cast<const char16_t*>(buffer), static_cast<std::size_t>(length));
    udat_close(format);
    return pattern;
}

bool IsAsciiPunctuation(char16_t c) {
    return c > 0x20 && c < 0x7F && !(c >= '0' && c <= '9') && !(c >= 'A' && c <= 'Z') &&
           !(c >= 'a' && c <= 'z');
}

// Walks an ICU pattern outside quoted literals: maps the letters through
// `letter` (0 drops the letter) and returns the first ASCII punctuation that
// follows a field as the separator.
std::string ConvertPattern(const std::u16string& pattern, char (*letter)(char16_t),
                           char& separator) {
    std::string result;
    bool quoted = false;
    bool seenField = false;
    bool haveSeparator = false;
    for (char16_t c : pattern) {
        if (c == u'\'') {
            quoted = !quoted;
            continue;
        }
        if (quoted)
            continue;
        const char mapped = letter(c);
        if (mapped != 0) {
            result += mapped;
            seenField = true;
        } else if (seenField && IsAsciiPunctuation(c)) {
            if (!haveSeparator) {
                separator = static_cast<char>(c);
                haveSeparator = true;
            }
            if (c == static_cast<char16_t>(separator))
                result += separator;
        }
    }
    return result;
}

char DateLetter(char16_t c) {
    switch (c) {
    case u'y':
    case u'Y':
    case u'u':
        return 'y';
    case u'M':
    case u'L':
        return 'm';
    case u'd':
        return 'd';
    default:
        return 0;
    }
}

char TimeLetter(char16_t c) {
    switch (c) {
    case u'H':
    case u'h':
    case u'K':
    case u'k':
        return 'h';
    case u'm':
        return 'n';
    case u's':
        return 's';
    default:
        return 0;
    }
}

// An ICU text as single-byte text when it is plain ASCII.
std::optional<std::string> AsciiText(const UChar* text, int32_t length) {
    std::string result;
    for (int32_t i = 0; i < length; ++i) {
        if (text[i] >= 0x80 || text[i] < 0x20)
            return std::nullopt;
        result += static_cast<char>(text[i]);
    }
    return result;
}

std::optional<char> NumberSymbol(UNumberFormat* format, UNumberFormatSymbol symbol) {
    UChar buffer[16];
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = unum_getSymbol(format, symbol, buffer, 16, &status);
    if (U_FAILURE(status) || length != 1 || buffer[0] >= 0x80 || buffer[0] < 0x20)
        return std::nullopt;
    return static_cast<char>(buffer[0]);
}

// The settings of each locale asked for so far. Deriving them opens ICU
// date and number formats, which costs far more than a small table's whole
// life (every SELECT creates an answer table); ICU's locale data do not
// change while the process runs, so one derivation per locale serves all.
const TFormatSettings& CachedFormatSettings(const std::string& icuLocale) {
    static std::mutex mutex;
    static std::map<std::string, TFormatSettings> cache;
    const std::lock_guard<std::mutex> lock(mutex);
    auto it = cache.find(icuLocale);
    if (it == cache.end())
        it = cache.emplace(icuLocale, FormatSettingsOfIcuLocale(icuLocale)).first;
    return it->second;
}

} // namespace

TFormatSettings FormatSettingsOfIcuLocale(const std::string& icuLocale) {
    TFormatSettings settings = TFormatSettings::Defaults();
    const char* locale = icuLocale.c_str();

    const std::u16string datePattern = DatePattern(locale, UDAT_NONE, UDAT_SHORT);
    if (!datePattern.empty()) {
        char separator = settings.dateSeparator;
        const std::string format = ConvertPattern(datePattern, DateLetter, separator);
        if (!format.empty()) {
            settings.shortDateFormat = format;
            settings.dateSeparator = separator;
        }
    }

    const std::u16string timePattern = DatePattern(locale, UDAT_MEDIUM, UDAT_NONE);
    if (!timePattern.empty()) {
        char separator = settings.timeSeparator;
        const std::string format = ConvertPattern(timePattern, TimeLetter, separator);
        if (!format.empty()) {
            settings.longTimeFormat = format;
            settings.timeSeparator = separator;
        }
    }

    UErrorCode status = U_ZERO_ERROR;
    UDateFormat* dateFormat =
        udat_open(UDAT_MEDIUM, UDAT_NONE, locale, nullptr, 0, nullptr, 0, &status);
    if (U_SUCCESS(status) && dateFormat != nullptr) {
        for (int i = 0; i < 2; ++i) {
            UChar buffer[32];
            UErrorCode symbolStatus = U_ZERO_ERROR;
            const int32_t length =
                udat_getSymbols(dateFormat, UDAT_AM_PMS, i, buffer, 32, &symbolStatus);
            if (U_FAILURE(symbolStatus) || length <= 0 || length > 32)
                continue;
            // Markers outside ASCII keep the neutral "AM" and "PM".
            if (const auto text = AsciiText(buffer, length))
                (i == 0 ? settings.timeAMString : settings.timePMString) = *text;
        }
        udat_close(dateFormat);
    }

    status = U_ZERO_ERROR;
    UNumberFormat* numberFormat = unum_open(UNUM_DECIMAL, nullptr, 0, locale, nullptr, &status);
    if (U_SUCCESS(status) && numberFormat != nullptr) {
        if (const auto decimal = NumberSymbol(numberFormat, UNUM_DECIMAL_SEPARATOR_SYMBOL))
            settings.decimalSeparator = *decimal;
        if (const auto grouping = NumberSymbol(numberFormat, UNUM_GROUPING_SEPARATOR_SYMBOL))
            settings.thousandSeparator = *grouping;
        else
            settings.thousandSeparator = ' ';
        unum_close(numberFormat);
    }
    return settings;
}

std::string TTableLocale::IcuLocaleName(std::uint32_t localeId) {
    if (localeId == 0)
        return {};
    UErrorCode status = U_ZERO_ERROR;
    char name[ULOC_FULLNAME_CAPACITY] = {};
    const int32_t length = uloc_getLocaleForLCID(localeId, name, sizeof name, &status);
    if (U_FAILURE(status) || length <= 0 || length >= static_cast<int32_t>(sizeof name))
        return {};
    return std::string(name, static_cast<std::size_t>(length));
}

void TTableLocale::Require(std::uint32_t localeId, const std::string& dataFileName) {
    if (!Exists(localeId))
        RaiseEngineError(kErrLanguageDriver, dataFileName);
}

TTableLocale::TTableLocale(std::uint32_t localeId, const std::string& dataFileName)
    : localeId_(localeId), icuLocale_(IcuLocaleName(localeId)) {
    if (icuLocale_.empty())
        RaiseEngineError(kErrLanguageDriver, dataFileName);
    try {
        collator_ = std::make_unique<TLocaleCollator>(localeId);
    } catch (const ETabulaEngineError&) {
        RaiseEngineError(kErrLanguageDriver, dataFileName);
    }
}

TTableLocale::~TTableLocale() = default;

const TFormatSettings& TTableLocale::Formats() const {
    if (!formats_)
        formats_ = CachedFormatSettings(icuLocale_);
    return *formats_;
}

int TTableLocale::Compare(const std::uint8_t* a, const std::uint8_t* b, std::size_t size) const {
    return collator_->Compare(a, b, size);
}

} // namespace tabula
