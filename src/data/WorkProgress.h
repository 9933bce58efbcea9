// WorkProgress: how far a long computation has come, and a request to stop
// it, shared between the thread that runs it and the one that watches it
// (the window's thread polls fraction() to draw a progress mark).
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>

class WorkProgress {
public:
    // Units of work in all; set by the worker before it starts counting.
    void setTotal(int64_t units) { total.store(std::max<int64_t>(units, 0)); }
    void advance(int64_t units) { done.fetch_add(units); }
    // Done share in [0, 1]; 0 until a total is known.
    double fraction() const {
        const int64_t all = total.load();
        return all > 0 ? std::clamp(static_cast<double>(done.load()) / static_cast<double>(all), 0.0, 1.0) : 0.0;
    }

    // The watcher no longer wants the result; the worker stops at its next check.
    void cancel() { cancelled.store(true); }
    bool isCancelled() const { return cancelled.load(); }

private:
    std::atomic<int64_t> total{0};
    std::atomic<int64_t> done{0};
    std::atomic<bool> cancelled{false};
};
