#pragma once
// A failed system call of the backend as the platform's result code.

#include "platform/WinTypes.h"

class DvbResult {
public:
    /// negatedErrno as the seam returns it (< 0): E_INVALIDARG for EINVAL, the time-out code for
    /// ETIMEDOUT, E_OUTOFMEMORY for ENOMEM, E_FAIL for everything else (a device gone, busy or refused).
    static HRESULT FromErrno(int negatedErrno);
};
