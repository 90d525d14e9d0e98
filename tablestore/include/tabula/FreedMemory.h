// KeepFreedMemory: the allocation policy of the programs built on the
// engine, for them to set once at start.
//
// A statement allocates its working memory afresh and frees it when it is
// done: an ORDER BY of 100,000 rows uses some 40 MB for the gathered rows,
// their keys and sort keys and the answer table's pages. By default the C
// library hands freed memory back to the system as soon as enough of it
// lies at the top of its heap, and maps large blocks anew each time, so
// the next statement pays again for every page it touches first (with
// 100,000 rows, about a third of the ORDER BY's time) - or not, depending
// on which allocation happens to lie at the top of the heap. Kept in the
// process, the memory is reused by the next statement at once; the
// process's resident size then stays near its largest statement's.
//
// The engine itself never changes the policy: it belongs to the process.
#pragma once

namespace tabula {

// Keeps up to kKeptFreedBytes of freed memory in the process and serves
// blocks up to kLargestHeapBlock from the heap instead of mapping each
// anew. Does nothing where the C library has no such settings.
inline constexpr int kKeptFreedBytes = 256 << 20;
inline constexpr int kLargestHeapBlock = 32 << 20;
void KeepFreedMemory();

} // namespace tabula
