// TTableLocale: the locale of a table that carries a Windows locale
// identifier (language in bits 0..15, sort in bits 16..19).
//
// The identifier is mapped to an ICU locale. When ICU knows no locale for it
// the table's language driver is missing (kErrLanguageDriver). From the locale's data the
// object derives the format settings by which the table reads dates, times
// and numbers written as text (short date order and separator, time
// separator, AM and PM strings, decimal separator), and it compares texts
// with the locale's collation, case-sensitively (the index layer's
// TLocaleCollator, which also converts the single-byte text with the
// locale's ANSI code page).
//
// An instance does not change after construction (its format settings are
// derived when first asked for); it is used by one thread at a time, like
// the table that holds it.
#pragma once

#include "FormatSettings.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tabula {

class TLocaleCollator;

class TTableLocale {
public:
    // The ICU locale name for an identifier, empty when there is none.
    static std::string IcuLocaleName(std::uint32_t localeId);
    static bool Exists(std::uint32_t localeId) { return !IcuLocaleName(localeId).empty(); }
    // Raises kErrLanguageDriver (with the data file name as context) when the locale does not
    // exist.
    static void Require(std::uint32_t localeId, const std::string& dataFileName);

    // Raises kErrLanguageDriver when the locale does not exist.
    TTableLocale(std::uint32_t localeId, const std::string& dataFileName);
    ~TTableLocale();
    TTableLocale(const TTableLocale&) = delete;
    TTableLocale& operator=(const TTableLocale&) = delete;

    std::uint32_t LocaleId() const { return localeId_; }
    const std::string& IcuLocale() const { return icuLocale_; }
    // Derived on first use: most tables (every SELECT's answer table) never
    // read a date, time or number written as text.
    const TFormatSettings& Formats() const;
    // Case-sensitive comparison of two zero-terminated texts of at most
    // `size` bytes: negative, 0 or positive.
    int Compare(const std::uint8_t* a, const std::uint8_t* b, std::size_t size) const;

private:
    std::uint32_t localeId_;
    std::string icuLocale_;
    mutable std::optional<TFormatSettings> formats_;
    std::unique_ptr<TLocaleCollator> collator_;
};

// The format settings that ICU's data give for a locale name (exposed for tests).
TFormatSettings FormatSettingsOfIcuLocale(const std::string& icuLocale);

} // namespace tabula
