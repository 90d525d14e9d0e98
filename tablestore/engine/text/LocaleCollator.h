// TLocaleCollator: the national-language services that index keys of a table
// with a locale need. A table's locale is a Windows locale identifier (language
// in the low 16 bits, sort in bits 16..19); it is mapped to an ICU locale, its
// ANSI code page converts the single-byte key text to Unicode, and an ICU
// collator compares texts in string-sort mode (punctuation is significant).
//
// An instance owns its ICU objects and is used by one thread at a time, like
// the index file that holds it. Its answers never change after
// construction; the half-width transform alone is opened on first need (a
// text with a character it could change), as opening ICU's first
// transform costs more than most statements.
//
// Invariant: a text whose characters all lie where the half-width transform
// changes nothing (WidthMapMayChange is false for each) maps the same with
// or without it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct UCollator;
struct UConverter;

namespace tabula {

class TLocaleCollator {
public:
    // Throws the engine's "language driver not available" error (kErrLanguageDriver) when
    // ICU knows no locale or collation for the identifier.
    explicit TLocaleCollator(std::uint32_t localeId);
    ~TLocaleCollator();
    TLocaleCollator(const TLocaleCollator&) = delete;
    TLocaleCollator& operator=(const TLocaleCollator&) = delete;

    std::uint32_t LocaleId() const { return localeId_; }
    const std::string& IcuLocale() const { return icuLocale_; }

    // Maps a zero-terminated text of at most `slotSize` bytes to half-width
    // characters (and to upper case when asked) in the locale's code page and
    // writes it into `out`, zero-filled to `slotSize` bytes. The last byte of
    // the slot is always the terminator.
    void MapKeyText(const std::uint8_t* text, std::size_t slotSize, bool upperCase,
                    std::uint8_t* out) const;
    // Compares two zero-terminated texts (each at most `size` bytes) with the
    // locale's collation: negative, 0 or positive.
    int Compare(const std::uint8_t* a, const std::uint8_t* b, std::size_t size) const;
    // Appends the collation sort key of a zero-terminated text (at most
    // `size` bytes) to `out`: unsigned byte order of two such keys is the
    // order Compare gives the texts, and each key ends with its only 0 byte,
    // so no key is a prefix of another. False (nothing appended) when the
    // text does not convert: Compare then falls back to the raw bytes,
    // which no sort key can reproduce.
    bool AppendSortKey(const std::uint8_t* text, std::size_t size,
                       std::vector<std::uint8_t>& out) const;

    // Whether the half-width transform may change the UTF-16 unit (any unit
    // from U+1100 up, except the punctuation, currency and letter-like
    // blocks that single-byte code pages carry).
    static bool WidthMapMayChange(std::uint16_t unit);

private:
    void* Halfwidth() const;
    std::uint32_t localeId_;
    std::string icuLocale_;
    UCollator* collator_ = nullptr;
    UConverter* converter_ = nullptr;
    // ICU transliterator (an opaque handle in its C API), opened on first need.
    mutable void* halfwidth_ = nullptr;
    mutable bool halfwidthOpened_ = false;
    // The code page maps every byte 0x01..0x7F to the same code point, so an
    // ASCII text is its own UTF-8.
    bool asciiIdentity_ = false;
};

} // namespace tabula
