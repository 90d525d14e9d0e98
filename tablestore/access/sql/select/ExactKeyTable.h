// TExactKeyTable: a hashed table from byte-string keys (the exact keys of
// DISTINCT rows and GROUP BY groups) to a number, each key stored once.
//
// Layout: the key bytes of every entry follow each other in one arena
// string; a slot holds an entry's hash, arena offset, length and number.
// The slot array is open-addressed with linear probing; its size is a
// power of two and at most kMaxLoadPercent per cent of it is in use, so a
// probe always ends at an empty slot. Entries are never removed.
//
// A lookup of a key already held costs one hash over its bytes and, for a
// slot of equal hash, one comparison of bytes; it allocates nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tabula {

// An exact key: for each value in turn, its type code, a null flag
// (kExactKeyNull or kExactKeyPresent), the value's bytes when it is not
// null, and kExactKeyEnd. Every writer of exact keys (the value lists of
// DISTINCT rows and GROUP BY groups, and the columns read from their
// stored bytes) writes this one layout, so that equal values meet.
inline constexpr char kExactKeyNull = '\0';
inline constexpr char kExactKeyPresent = '\1';
inline constexpr char kExactKeyEnd = '\xff';

class TExactKeyTable {
public:
    // The number held for key; when the key is new it is entered with
    // `number`, which is then answered, and `inserted` is set.
    std::size_t FindOrInsert(std::string_view key, std::size_t number, bool& inserted);
    std::size_t Size() const { return size_; }

private:
    static constexpr std::size_t kInitialSlots = 64;
    static constexpr std::size_t kMaxLoadPercent = 70;

    struct TSlot {
        std::uint64_t hash = 0;
        std::size_t offset = 0;
        std::size_t length = 0;
        std::size_t number = 0;
        bool used = false;
    };

    static std::uint64_t Hash(std::string_view key);
    void Grow();

    std::vector<TSlot> slots_;
    std::string arena_;
    std::size_t size_ = 0;
};

} // namespace tabula
