#include "platform/com/BindContext.h"

HRESULT BindContext::RegisterObjectBound(IUnknown* object) {
    if (!object) return E_INVALIDARG;
    bound.emplace_back(object);
    return S_OK;
}

HRESULT BindContext::RevokeObjectBound(IUnknown* object) {
    for (auto it = bound.begin(); it != bound.end(); ++it) {
        if (it->Get() == object) {
            bound.erase(it);
            return S_OK;
        }
    }
    return MK_E_NOOBJECT;
}

HRESULT BindContext::ReleaseBoundObjects() {
    bound.clear();
    return S_OK;
}

HRESULT BindContext::GetRunningObjectTable(IRunningObjectTable** table) { return ::GetRunningObjectTable(0, table); }
