#pragma once
// The link between long work on a worker thread and the window that waits for it: the work
// reports how far it is and looks at the cancel flag between bands of rows; the window reads
// the percentage and sets the flag. A work that sees the flag stops and returns nothing, so
// its caller keeps what it had.
#include <atomic>
#include <functional>

struct Progress {
    std::atomic<bool> cancel{false};
    std::atomic<int> percent{0};
    // Called from the working thread at every step (tests cancel at a chosen point through it).
    std::function<void(int percent)> onStep;

    // done of total finished; false when the work is to stop.
    bool step(long long done, long long total) {
        const int p = total > 0 ? int(done * 100 / total) : 0;
        percent.store(p < 0 ? 0 : p > 100 ? 100 : p);
        if (onStep) onStep(percent.load());
        return !cancel.load();
    }
    bool cancelled() const { return cancel.load(); }
};
