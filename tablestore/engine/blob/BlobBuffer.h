// TBlobBuffer: one BLOB value held whole in memory while it is read or
// written.
//
// A record image carries the negated handle of the buffer in the BLOB
// field's 4 value bytes while the buffer is open (a stored BLOB carries its
// first block number, a field without BLOB carries 0). The buffer knows the
// chain it was loaded from (firstBlock, 0 when the BLOB has no blocks yet)
// and the record that owns it; saving writes the data back into that chain.
//
// States (per buffer, managed by TBlobFile):
//   open, unmodified --Write/Truncate--> open, modified
//   open, modified --save--> open, unmodified (firstBlock now names the chain)
//   open --free--> gone (unsaved data lost; the handle is never reused while
//                        other handles are open)
#pragma once

#include <cstdint>
#include <vector>

namespace tabula {

class TBlobFile;

struct TBlobBuffer {
    TBlobFile* owner = nullptr;
    bool modified = false;
    std::int32_t recordNumber = 0; // owner record of the chain
    int fieldNumber = 0;
    std::int32_t firstBlock = 0; // 0 while the BLOB has no blocks
    std::vector<std::uint8_t> data;
    int mode = 0; // blobfmt::kOpenForDelete when opened for a delete

    std::uint32_t Length() const { return static_cast<std::uint32_t>(data.size()); }
};

} // namespace tabula
