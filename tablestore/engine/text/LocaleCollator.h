// TLocaleCollator: the national-language services that index keys of a table
// with a locale need. A table's locale is a Windows locale identifier (language
// in the low 16 bits, sort in bits 16..19); it is mapped to an ICU locale, its
// ANSI code page converts the single-byte key text to Unicode, and an ICU
// collator compares texts in string-sort mode (punctuation is significant).
//
// An instance owns its ICU objects and is used by one thread at a time, like
// the index file that holds it. Its answers never change after
// construction; the half-width transform is opened on first need (a text
// with a character it could change), as opening ICU's first transform
// costs more than most statements, and the ASCII model is looked up on
// first need as well.
//
// Texts of printable ASCII alone, in a locale whose collation of them is a
// per-character model (TAsciiCollation), are compared and keyed without ICU;
// the model gives exactly ICU's order. Its sort keys (ESortKeyKind::kAscii)
// are ordered among themselves only, so a sort takes them for all its texts
// or for none.
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

class TAsciiCollation;

// The kind of sort key TLocaleCollator::AppendSortKey writes; keys of two
// kinds never compare.
enum class ESortKeyKind : std::uint8_t {
    kIcu,   // ICU's sort key: every text that converts has one
    kAscii, // the per-character model's: only texts of printable ASCII
};

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
    // `size` bytes) to `out`: unsigned byte order of two keys of one kind is
    // the order Compare gives the texts, and each key ends with its only 0
    // byte, so no key is a prefix of another. False (nothing appended) when
    // the text has no key of that kind: for kIcu a text that does not
    // convert (Compare then falls back to the raw bytes, which no sort key
    // can reproduce), for kAscii any text outside the model.
    bool AppendSortKey(const std::uint8_t* text, std::size_t size, std::vector<std::uint8_t>& out,
                       ESortKeyKind kind = ESortKeyKind::kIcu) const;
    // The kAscii sort key of such a text, written to `out`, which has room
    // for AsciiSortKeyLength bytes: its length, or 0 when the text has none.
    std::size_t WriteAsciiSortKey(const std::uint8_t* text, std::size_t size,
                                  std::uint8_t* out) const;
    // The length of that sort key, where the text has one.
    static std::size_t AsciiSortKeyLength(const std::uint8_t* text, std::size_t size);
    // Whether ASCII texts have kAscii sort keys (the locale's collation of
    // them is the per-character model).
    bool HasAsciiSortKeys() const { return Ascii() != nullptr; }

    // Whether the half-width transform may change the UTF-16 unit (any unit
    // from U+1100 up, except the punctuation, currency and letter-like
    // blocks that single-byte code pages carry).
    static bool WidthMapMayChange(std::uint16_t unit);

private:
    void* Halfwidth() const;
    const TAsciiCollation* Ascii() const;
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
    // The same for the printable bytes 0x20..0x7E alone.
    bool printableIdentity_ = false;
    // The per-character model of printable ASCII texts, shared by every
    // collator of the locale; null where it does not give ICU's order.
    // Looked up on first need: most collators of answer tables never
    // compare.
    mutable const TAsciiCollation* ascii_ = nullptr;
    mutable bool asciiLooked_ = false;
};

} // namespace tabula
