#include "platform/Clock.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

std::int64_t SteadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

Clock::Mode ModeFromEnvironment() {
    const char* value = std::getenv("TUNEWRIGHT_CLOCK");
    if (value && std::strcmp(value, "virtual") == 0) return Clock::Mode::Virtual;
    if (value && std::strcmp(value, "real") == 0) return Clock::Mode::Real;
    return isatty(STDIN_FILENO) ? Clock::Mode::Real : Clock::Mode::Virtual;
}

}  // namespace

Clock& Clock::Instance() {
    static Clock clock;
    return clock;
}

Clock::Mode Clock::ConfiguredMode() { return ModeFromEnvironment(); }

Clock::Clock() : mode(ModeFromEnvironment()), realStart(SteadyMs()) {}

void Clock::SetMode(Mode newMode) {
    auto lock = Lock();
    mode = newMode;
}

std::int64_t Clock::NowMs() {
    auto lock = Lock();
    return NowLocked();
}

std::int64_t Clock::NowLocked() { return mode == Mode::Virtual ? virtualNow : SteadyMs() - realStart; }

void Clock::NotifyAll() {
    for (Waiter* w : waiters) {
        if (!w->runnable) {
            w->runnable = true;
            --blocked;
        }
    }
    changed.notify_all();
}

void Clock::AdvanceIfAllWaiting() {
    if (mode != Mode::Virtual || blocked < threads) return;
    std::int64_t earliest = kNoDeadline;
    for (Waiter* w : waiters)
        if (!w->runnable && w->deadline != kNoDeadline && (earliest == kNoDeadline || w->deadline < earliest))
            earliest = w->deadline;
    if (earliest == kNoDeadline) {
        // Every thread waits for ever: in real time this would hang too.
        std::fprintf(stderr, "virtual clock: every thread is waiting without a deadline (deadlock)\n");
        std::abort();
    }
    virtualNow = std::max(virtualNow, earliest);
    for (Waiter* w : waiters) {
        if (!w->runnable && w->deadline != kNoDeadline && w->deadline <= virtualNow) {
            w->runnable = true;
            --blocked;
        }
    }
    changed.notify_all();
}

bool Clock::WaitUntil(std::unique_lock<std::mutex>& lock, std::int64_t deadlineMs,
                      const std::function<bool()>& ready) {
    Waiter self{deadlineMs, true};
    waiters.push_back(&self);
    bool result = false;
    for (;;) {
        if (ready()) {
            result = true;
            break;
        }
        if (deadlineMs != kNoDeadline && NowLocked() >= deadlineMs) break;
        self.runnable = false;
        ++blocked;
        if (mode == Mode::Virtual) {
            AdvanceIfAllWaiting();
            changed.wait(lock, [&] { return self.runnable; });
        } else if (deadlineMs == kNoDeadline) {
            changed.wait(lock, [&] { return self.runnable; });
        } else {
            auto until = std::chrono::steady_clock::time_point(std::chrono::milliseconds(realStart + deadlineMs));
            changed.wait_until(lock, until, [&] { return self.runnable; });
            if (!self.runnable) {
                self.runnable = true;
                --blocked;
            }
        }
    }
    waiters.erase(std::find(waiters.begin(), waiters.end(), &self));
    return result;
}

void Clock::ThreadStarting() {
    auto lock = Lock();
    ++threads;
}

void Clock::ThreadEnded() {
    auto lock = Lock();
    --threads;
    AdvanceIfAllWaiting();
}
