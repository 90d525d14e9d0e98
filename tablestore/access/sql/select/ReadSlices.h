// TReadSlices: the read locks a canned SELECT holds on its source tables
// while it walks them.
//
// A shared table is read under the record manager's read lock. Taken and
// dropped around every single cursor operation (a positioning, a range, a
// record read), each costs lock calls and a look at the change counters;
// the walk instead holds the tables' shared read for a slice of time and
// renews it between two records of the outermost table, where other users'
// changes may come in, as they may between two operations. What the walk
// reads is therefore one of the outcomes the per-operation protocol allows;
// a writer waits at most one slice, far below a lock wait.
//
// With WITH LOCKS the statement asks for the shared read over its whole
// execution: it is taken once and never renewed.
//
// Code that the walk calls out to (the progress callback) runs between
// Pause and Resume without the slice's locks, so it may change the tables;
// once the walk is over the statement pauses for good.
//
// States (sliced):
//   Held --Step (slice over)--> renewed: Held
//   Held --Pause--> Paused --Resume--> Held
//   Held/Paused --destruction--> released
// Whole statement: Held --destruction--> released; Step, Pause and Resume
// change nothing.
#pragma once

#include <chrono>
#include <vector>

namespace tabula {

class TSourceDataFile;

// How long one slice of held read locks lasts.
inline constexpr std::chrono::milliseconds kReadSliceLength{20};
// The clock is read every this many steps only (a record step costs far
// less than a slice, so a slice overruns by a few microseconds at most).
inline constexpr int kReadSliceClockSteps = 64;

class TReadSlices {
public:
    TReadSlices(const std::vector<TSourceDataFile*>& sources, bool wholeStatement);
    ~TReadSlices();
    TReadSlices(const TReadSlices&) = delete;
    TReadSlices& operator=(const TReadSlices&) = delete;

    // Between two records of the outermost table: renews the slice when it
    // is over.
    void Step();
    void Pause();
    void Resume();

private:
    using TClock = std::chrono::steady_clock;
    void Take();
    // quiet: an unlock failure is dropped (destruction); else raised once
    // every table was released.
    void Release(bool quiet);

    const std::vector<TSourceDataFile*>& sources_;
    bool wholeStatement_;
    bool held_ = false;
    int stepsUntilClock_ = kReadSliceClockSteps;
    TClock::time_point sliceStart_;
};

} // namespace tabula
