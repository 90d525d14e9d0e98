// TTableVerifier: a read-only consistency check of one table, reporting
// every finding as a line of text (an empty list means the table is sound).
//
// Checked, under a shared read lock so that writers cannot change the table
// half-way through the check:
//   - every record slot: deleted flag 0 or 1, a live record's link (bytes
//     1..4) equal to its own number;
//   - the index file's record count equals the number of live records;
//   - every live record has exactly one entry in every index (primary with
//     key fields and each secondary): its key is found and names it, and
//     each index holds as many entries as there are live records;
//   - "Sys Deleted" (tables whose primary index has key fields) holds one
//     entry per slot matching the slot's deleted flag and auto-increment
//     value; in a table in physical order it is empty;
//   - the structure of every B+-tree (order, subtree counts, links, page
//     kinds) and of every free-page chain, with every page of the index file
//     claimed exactly once;
//   - the free-record chain: only deleted slots, no loop, and in keyed tables
//     every deleted slot on it; in tables in physical order every deleted
//     slot's link is 0;
//   - BLOBs: every BLOB chain of a live record is well formed and owned by
//     that record, no block is claimed by two chains or by a chain and the
//     free-block chain, and the free-block chain is well formed.
// Nothing is written; the table is opened shared and read-only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tabula {

class TDataFile;

struct TVerifyReport {
    std::vector<std::string> findings;
    std::int64_t recordSlots = 0; // physical record slots
    std::int64_t liveRecords = 0; // slots not marked deleted
    std::int64_t blobChains = 0;  // BLOB chains walked
    bool Clean() const { return findings.empty(); }
};

class TTableVerifier {
public:
    // Opens the table at path (shared, read-only), checks it and closes it.
    // Open failures raise the engine error.
    static TVerifyReport Verify(const std::string& tablePath, bool inMemory = false);
    // Checks an open table.
    static TVerifyReport Verify(TDataFile& table);
};

} // namespace tabula
