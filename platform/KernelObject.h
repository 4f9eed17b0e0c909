#pragma once
// What a HANDLE points at: an object that can be waited for.

#include <unistd.h>

#include "platform/WinTypes.h"

class KernelObject {
public:
    virtual ~KernelObject() = default;
    /// Waits up to timeoutMs (INFINITE for ever); returns WAIT_OBJECT_0, WAIT_ABANDONED, WAIT_TIMEOUT or WAIT_FAILED.
    virtual DWORD Wait(DWORD timeoutMs);
    /// Handles that stand for process-wide objects (standard handles) are never freed by CloseHandle.
    virtual bool Closable() const { return true; }

protected:
    /// Under the clock's lock: may the waiter go on now?
    virtual bool Signaled() { return false; }
    /// Under the clock's lock, once Signaled() said yes: take ownership (mutex) or nothing.
    virtual DWORD Acquire() { return WAIT_OBJECT_0; }
};
