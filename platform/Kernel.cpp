#include "platform/Kernel.h"

#include <unistd.h>

#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/Clock.h"
#include "platform/KernelObject.h"

namespace {

std::atomic<DWORD> nextThreadId{2};
thread_local DWORD currentThreadId = 0;

class EventObject : public KernelObject {
public:
    EventObject(bool manual, bool initial) : manualReset(manual), state(initial) {}
    void Set() {
        auto lock = Clock::Instance().Lock();
        state = true;
        Clock::Instance().NotifyAll();
    }
    void Reset() {
        auto lock = Clock::Instance().Lock();
        state = false;
    }

protected:
    bool Signaled() override { return state; }
    DWORD Acquire() override {
        if (!manualReset) state = false;
        return WAIT_OBJECT_0;
    }

private:
    bool manualReset;
    bool state;
};

class MutexObject;
std::vector<MutexObject*>& AllMutexes() {
    static std::vector<MutexObject*> mutexes;
    return mutexes;
}

class MutexObject : public KernelObject {
public:
    explicit MutexObject(bool initialOwner) {
        auto lock = Clock::Instance().Lock();
        if (initialOwner) {
            owner = GetCurrentThreadId();
            depth = 1;
        }
        AllMutexes().push_back(this);
    }
    ~MutexObject() override {
        auto lock = Clock::Instance().Lock();
        auto& all = AllMutexes();
        for (auto it = all.begin(); it != all.end(); ++it)
            if (*it == this) {
                all.erase(it);
                break;
            }
    }
    bool Release() {
        auto lock = Clock::Instance().Lock();
        if (owner != GetCurrentThreadId() || depth == 0) return false;
        if (--depth == 0) {
            owner = 0;
            Clock::Instance().NotifyAll();
        }
        return true;
    }
    // Under the lock: a thread that ends while it owns the mutex abandons it.
    void OwnerEnded(DWORD thread) {
        if (owner == thread) {
            owner = 0;
            depth = 0;
            abandoned = true;
        }
    }

protected:
    bool Signaled() override { return owner == 0 || owner == GetCurrentThreadId(); }
    DWORD Acquire() override {
        owner = GetCurrentThreadId();
        ++depth;
        if (abandoned) {
            abandoned = false;
            return WAIT_ABANDONED;
        }
        return WAIT_OBJECT_0;
    }

private:
    DWORD owner = 0;
    int depth = 0;
    bool abandoned = false;
};

class ThreadObject : public KernelObject {
public:
    bool finished = false;
    DWORD exitCode = 259;  // STILL_ACTIVE
    std::atomic<int> references{2};  // the handle and the running thread

    void Drop() {
        if (--references == 0) delete this;
    }

protected:
    bool Signaled() override { return finished; }
};

}  // namespace

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCSTR) {
    return new EventObject(manualReset != 0, initialState != 0);
}

BOOL SetEvent(HANDLE event) {
    auto* e = dynamic_cast<EventObject*>(event);
    if (!e) return FALSE;
    e->Set();
    return TRUE;
}

BOOL ResetEvent(HANDLE event) {
    auto* e = dynamic_cast<EventObject*>(event);
    if (!e) return FALSE;
    e->Reset();
    return TRUE;
}

HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES, BOOL initialOwner, LPCSTR) { return new MutexObject(initialOwner != 0); }

BOOL ReleaseMutex(HANDLE mutex) {
    auto* m = dynamic_cast<MutexObject*>(mutex);
    return m && m->Release() ? TRUE : FALSE;
}

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, std::size_t, LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD,
                    DWORD* threadId) {
    if (!start) return nullptr;
    auto* object = new ThreadObject;
    DWORD id = nextThreadId++;
    if (threadId) *threadId = id;
    Clock::Instance().ThreadStarting();
    try {
        std::thread([object, start, parameter, id] {
            currentThreadId = id;
            DWORD code = start(parameter);
            Clock& clock = Clock::Instance();
            {
                auto lock = clock.Lock();
                for (MutexObject* m : AllMutexes()) m->OwnerEnded(id);
                object->exitCode = code;
                object->finished = true;
                clock.NotifyAll();
            }
            clock.ThreadEnded();
            object->Drop();
        }).detach();
    } catch (const std::exception&) {
        Clock::Instance().ThreadEnded();
        delete object;
        return nullptr;
    }
    return object;
}

BOOL GetExitCodeThread(HANDLE thread, DWORD* exitCode) {
    auto* t = dynamic_cast<ThreadObject*>(thread);
    if (!t || !exitCode) return FALSE;
    auto lock = Clock::Instance().Lock();
    *exitCode = t->exitCode;
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD timeoutMs) {
    if (!handle) return WAIT_FAILED;
    return handle->Wait(timeoutMs);
}

BOOL CloseHandle(HANDLE handle) {
    if (!handle) return FALSE;
    if (!handle->Closable()) return TRUE;
    if (auto* t = dynamic_cast<ThreadObject*>(handle)) {
        t->Drop();
        return TRUE;
    }
    delete handle;
    return TRUE;
}

void Sleep(DWORD milliseconds) {
    Clock& clock = Clock::Instance();
    auto lock = clock.Lock();
    if (milliseconds == 0) {
        lock.unlock();
        std::this_thread::yield();
        return;
    }
    std::int64_t deadline =
        milliseconds == INFINITE ? Clock::kNoDeadline : clock.NowMs(lock) + static_cast<std::int64_t>(milliseconds);
    clock.WaitUntil(lock, deadline, [] { return false; });
}

std::uint64_t GetTickCount64() { return static_cast<std::uint64_t>(Clock::Instance().NowMs()); }

DWORD GetCurrentThreadId() {
    if (currentThreadId == 0) currentThreadId = 1;  // threads not started through the platform: the main thread
    return currentThreadId;
}

DWORD GetCurrentProcessId() { return static_cast<DWORD>(getpid()); }
