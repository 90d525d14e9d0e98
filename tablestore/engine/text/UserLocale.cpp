// The user's default language from the process locale.
#include "UserLocale.h"

#include "TableLocale.h"

#include <cstdlib>
#include <string>
#include <unicode/uloc.h>

namespace tabula {

std::uint32_t LocaleIdOfPosixName(std::string_view name) {
    const std::size_t end = name.find_first_of(".@");
    std::string base(name.substr(0, end));
    if (base.empty() || base == "C" || base == "POSIX")
        return kFallbackLocaleId;
    // ICU wants a full locale for an id: a bare language gets its likely
    // territory first (de -> de_Latn_DE).
    UErrorCode status = U_ZERO_ERROR;
    char full[ULOC_FULLNAME_CAPACITY] = {};
    uloc_addLikelySubtags(base.c_str(), full, sizeof full, &status);
    if (U_FAILURE(status))
        return kFallbackLocaleId;
    char country[ULOC_COUNTRY_CAPACITY] = {};
    char language[ULOC_LANG_CAPACITY] = {};
    uloc_getLanguage(full, language, sizeof language, &status);
    uloc_getCountry(full, country, sizeof country, &status);
    if (U_FAILURE(status) || language[0] == '\0')
        return kFallbackLocaleId;
    std::string wanted = language;
    if (country[0] != '\0')
        wanted += std::string("_") + country;
    const std::uint32_t id = uloc_getLCID(wanted.c_str());
    // An id ICU cannot map back is one no table could use.
    if (id == 0 || !TTableLocale::Exists(id))
        return kFallbackLocaleId;
    return id;
}

std::uint32_t UserDefaultLocaleId() {
    for (const char* variable : {"LC_ALL", "LC_COLLATE", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && value[0] != '\0')
            return LocaleIdOfPosixName(value);
    }
    return kFallbackLocaleId;
}

} // namespace tabula
