#pragma once
// The platform's clock and the one place where threads wait.
//
// Real mode: waits last as long as they say. Virtual mode: time moves only when
// every thread started through the platform (and the main thread) is waiting,
// and then jumps straight to the earliest deadline, so a run goes through the
// same sequence of events as in real time without waiting for it.

#ifdef _WIN32
#include "platform/windows/Clock.h"
#else

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

class Clock {
public:
    enum class Mode { Real, Virtual };
    static constexpr std::int64_t kNoDeadline = -1;

    /// The one clock of the process; it starts in the configured mode, and the platform's backend may set another.
    static Clock& Instance();
    /// The mode that TUNEWRIGHT_CLOCK asks for, else real when stdin is a terminal and virtual when it is not.
    static Mode ConfiguredMode();

    Mode GetMode() const { return mode; }
    /// Tests switch modes between runs; no thread may be waiting.
    void SetMode(Mode newMode);

    /// Milliseconds since the clock started (virtual or real).
    std::int64_t NowMs();

    /// The same, for a caller that holds the lock.
    std::int64_t NowMs(const std::unique_lock<std::mutex>&) { return NowLocked(); }

    /// The lock that guards every kernel object of the platform and the clock itself.
    std::unique_lock<std::mutex> Lock() { return std::unique_lock<std::mutex>(mutex); }

    /// Waits, with the lock held, until ready() is true or the deadline passes.
    /// Returns true when ready() became true. Any state change that could make
    /// a waiter ready must be followed by NotifyAll() under the lock.
    bool WaitUntil(std::unique_lock<std::mutex>& lock, std::int64_t deadlineMs, const std::function<bool()>& ready);
    /// Wakes every waiter to test its condition again (lock held).
    void NotifyAll();

    /// Threads started through the platform that have not finished yet.
    int RunningPlatformThreads() {
        auto lock = Lock();
        return threads - 1;
    }

    /// A platform thread is about to start (called by its creator, lock not held).
    void ThreadStarting();
    /// A platform thread has finished its work (lock not held).
    void ThreadEnded();

private:
    struct Waiter {
        std::int64_t deadline;
        bool runnable;
    };

    Clock();
    std::int64_t NowLocked();
    void AdvanceIfAllWaiting();

    Mode mode;
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<Waiter*> waiters;
    int threads = 1;  // the main thread
    int blocked = 0;
    std::int64_t virtualNow = 0;
    std::int64_t realStart = 0;
};

#endif  // _WIN32
