// TDataFileLayout: the header and field descriptors of a data file, read and
// checked for consistency when the file is opened.
//
// The checks run in this order; the first failure raises its code:
//   1. version byte not 3                                          kErrWrongVersion
//   2. the table has a locale that does not exist                  kErrLanguageDriver
//   3. protected table whose password is not available             kErrPasswordRequired
//   4. per descriptor, after recomputing its stored size: the
//      auto-increment field at offset 5, every other stored field at
//      the running offset (from 9, advancing by stored size + 1), a
//      calculated descriptor at offset 0, field number = position    kErrHeaderCorrupt
//   5. record size = final running offset, calculated area 0         kErrHeaderCorrupt
//   6. the data part (file length − 127 − 768 × fields) a whole
//      number of records, and that number + 1 = next record number   kErrHeaderCorrupt
//
// The bytes are untrusted, so some damage is caught before it can be used:
// a file shorter than the header, a password length byte above 15 (at step
// 3), a field count outside 1..1024 or a descriptor block reaching beyond
// the file (before step 4), a stored size above 255 (in step 4), and after
// step 6 a BLOB field count outside 0..32 or a free-chain head that names no
// record slot all fail with kErrHeaderCorrupt. Nothing is allocated before its size has
// been checked against the file length.
#pragma once

#include "DataHeader.h"
#include "FieldDescriptor.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace tabula {

class TFileHandler;

// Answers whether a protected table's (unscrambled) password is available.
// The record manager's version also asks the table's password callback.
using TPasswordCheck = std::function<bool(const std::string& password)>;

struct TDataFileLayout {
    TDataHeader header;
    std::vector<TFieldDescriptor> fields; // unscrambled, stored sizes recomputed

    // Checks 1 to 3 on the 127 header bytes. An empty passwordKnown looks the
    // password up in the current session's password list.
    static TDataHeader CheckHeader(std::span<const std::uint8_t> headerBytes,
                                   const std::string& dataFileName,
                                   const TPasswordCheck& passwordKnown = {});

    // Checks 4 to 6 on the descriptor block as stored (scrambled when the
    // table is protected) and the file length.
    static std::vector<TFieldDescriptor> CheckDescriptors(const TDataHeader& header,
                                                          std::span<const std::uint8_t> block,
                                                          std::uint64_t fileSize,
                                                          const std::string& dataFileName);

    // Every check over the file's leading bytes (header and descriptor block;
    // further bytes are ignored) and the file's length.
    static TDataFileLayout Check(std::span<const std::uint8_t> leadingBytes, std::uint64_t fileSize,
                                 const std::string& dataFileName,
                                 const TPasswordCheck& passwordKnown = {});

    // Reads the header and descriptors of an open data file through its
    // handler and runs every check.
    static TDataFileLayout Read(TFileHandler& file, const TPasswordCheck& passwordKnown = {});
};

} // namespace tabula
