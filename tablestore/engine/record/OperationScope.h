// TOperationScope: brackets one public operation of a TDataFile.
//
// Operations nest (an append re-finds its cursor, a lock request runs a
// read); only the outermost scope acts. With StrictChangeDetection a reading
// operation takes the read lock on entry (which detects other users'
// changes first). On leaving the outermost scope, a plain read lock taken
// anywhere inside - on entry, by a record fetch from disk, or by LockRecord -
// is released; a read lock the caller took with BeginRead before the
// operation, and shared-read, write, table and record locks, are left alone.
// The outermost scope also keeps the table whole after a refused write: on
// entry a rollback still owed is tried again (kErrTableDamaged when it fails),
// on exit a table whose files were rolled back is reloaded from them.
#pragma once

#include "DataFile.h"

namespace tabula {

class TOperationScope {
public:
    explicit TOperationScope(TDataFile& file, bool reading = true) : file_(file) {
        const bool outermost = file_.scopeDepth_ == 0;
        if (outermost)
            file_.readHeldByCaller_ = file_.readHeld_;
        ++file_.scopeDepth_;
        if (outermost && file_.IsOpen()) {
            try {
                file_.RequireIntactFiles();
            } catch (...) {
                Leave();
                throw;
            }
        }
        if (outermost && reading && file_.strict_ && file_.IsOpen()) {
            try {
                file_.BeginRead();
            } catch (...) {
                Leave();
                throw;
            }
        }
    }
    ~TOperationScope() { Leave(); }
    TOperationScope(const TOperationScope&) = delete;
    TOperationScope& operator=(const TOperationScope&) = delete;

private:
    void Leave() {
        // A write refused inside (an eviction of an exclusive table, say)
        // rolled the files back: reload before anybody reads the caches.
        if (file_.scopeDepth_ == 1 && file_.IsOpen() && file_.journal_.Fenced())
            file_.RecoverQuietly();
        if (--file_.scopeDepth_ == 0 && file_.readHeld_ && !file_.readHeldByCaller_) {
            try {
                file_.EndRead();
            } catch (...) {
                // An unlock failure on the way out must not replace the
                // operation's own result or error; the lock dies with the handle.
            }
        }
    }

    TDataFile& file_;
};

} // namespace tabula
