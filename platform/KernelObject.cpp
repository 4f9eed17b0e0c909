#include "platform/KernelObject.h"

#include "platform/Clock.h"

DWORD KernelObject::Wait(DWORD timeoutMs) {
    Clock& clock = Clock::Instance();
    auto lock = clock.Lock();
    std::int64_t deadline =
        timeoutMs == INFINITE ? Clock::kNoDeadline : clock.NowMs(lock) + static_cast<std::int64_t>(timeoutMs);
    if (!clock.WaitUntil(lock, deadline, [this] { return Signaled(); })) return WAIT_TIMEOUT;
    return Acquire();
}
