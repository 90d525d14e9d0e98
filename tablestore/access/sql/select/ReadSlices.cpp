// TReadSlices: shared read locks over a SELECT's walk, renewed per slice.
#include "ReadSlices.h"

#include "SourceDataFile.h"

#include <exception>

namespace tabula {

TReadSlices::TReadSlices(const std::vector<TSourceDataFile*>& sources, bool wholeStatement)
    : sources_(sources), wholeStatement_(wholeStatement) {
    Take();
}

TReadSlices::~TReadSlices() {
    Release(true);
}

void TReadSlices::Take() {
    held_ = true;
    try {
        // A table open exclusively (or read-only on disk) takes no lock.
        for (TSourceDataFile* s : sources_)
            s->File().BeginSharedRead();
    } catch (...) {
        Release(true);
        throw;
    }
    sliceStart_ = TClock::now();
}

void TReadSlices::Release(bool quiet) {
    if (!held_)
        return;
    held_ = false;
    std::exception_ptr failure;
    for (TSourceDataFile* s : sources_) {
        try {
            // A table whose shared read was never taken ignores this.
            s->File().EndSharedRead();
        } catch (...) {
            // Every table is released first; on destruction the failure that
            // ended the execution is the one to see.
            if (!failure)
                failure = std::current_exception();
        }
    }
    if (failure && !quiet)
        std::rethrow_exception(failure);
}

void TReadSlices::Step() {
    if (wholeStatement_ || !held_ || --stepsUntilClock_ > 0)
        return;
    stepsUntilClock_ = kReadSliceClockSteps;
    if (TClock::now() - sliceStart_ < kReadSliceLength)
        return;
    Release(false);
    Take();
}

void TReadSlices::Pause() {
    if (!wholeStatement_)
        Release(false);
}

void TReadSlices::Resume() {
    if (!wholeStatement_ && !held_)
        Take();
}

} // namespace tabula
