#include "platform/dvb/DvbResult.h"

#include <cerrno>

HRESULT DvbResult::FromErrno(int negatedErrno) {
    switch (-negatedErrno) {
    case EINVAL: return E_INVALIDARG;
    case ETIMEDOUT: return HRESULT_TIMEOUT;
    case ENOMEM: return E_OUTOFMEMORY;
    default: return E_FAIL;
    }
}
