// TTableRepair: puts a damaged table back into a state that opens and that
// the consistency check (TableVerifier.h) accepts, keeping every record that
// can be read.
//
// The data file's record slots are the truth. The repair, on the table
// opened exclusively:
//   - counts the slots from the data file's length (a trailing partial slot
//     is cut off) and sets the next record number from them;
//   - keeps every slot whose deleted flag is 0 as a live record (its link
//     set to its own number) and every slot whose flag is 1 as deleted; a
//     slot with any other flag is dropped (made deleted);
//   - checks each live record's BLOB chains: a chain that is broken, owned
//     by another record or shares a block with a chain kept before is
//     dropped (the field becomes empty); a free-block chain that is broken
//     or shares blocks with a kept chain is abandoned (its blocks stay
//     unused);
//   - rebuilds every index from the live records (a record whose key is
//     already taken in a unique index is dropped), "Sys Deleted" from every
//     slot, the record count, and the free-record chain from the deleted
//     slots;
//   - commits. A write that fails during the repair rolls the files back
//     to how they were before it.
// The index definitions come from the index file's header; a table whose
// data header, descriptors or index header cannot be read is not repaired
// (the engine error of the failed open is raised).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tabula {

struct TRepairReport {
    std::int64_t recordSlots = 0;     // record slots after the repair
    std::int64_t keptRecords = 0;     // live records kept
    std::int64_t droppedRecords = 0;  // slots that were live or unreadable and are now deleted
    std::int64_t droppedBlobs = 0;    // BLOB values emptied
    std::vector<std::string> actions; // one line per thing dropped or rebuilt
};

class TTableRepair {
public:
    static TRepairReport Repair(const std::string& tablePath, bool inMemory = false);
};

} // namespace tabula
