// The user's default language: the locale of a SELECT's answer tables,
// taken from the process locale and mapped to its Windows locale id.
//
// Which setting counts: the first non-empty one of the environment
// variables LC_ALL, LC_COLLATE and LANG, as the C library orders them.
// The name "language[_TERRITORY][.codeset][@modifier]" loses its codeset
// and modifier, and ICU maps the rest to a Windows locale id (de_DE ->
// 0x0407, fr_CA -> 0x0C0C, a bare "de" -> 0x0407 through ICU's likely
// territory). "C", "POSIX", no setting at all, and any name ICU does not
// know give kFallbackLocaleId, US English, the language of the
// C locale's messages and formats.
#pragma once

#include <cstdint>
#include <string_view>

namespace tabula {

inline constexpr std::uint32_t kFallbackLocaleId = 0x0409;

// The locale id of one POSIX locale name (kFallbackLocaleId when it has none).
std::uint32_t LocaleIdOfPosixName(std::string_view name);
// The locale id of the process's current settings.
std::uint32_t UserDefaultLocaleId();

} // namespace tabula
