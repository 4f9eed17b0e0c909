#pragma once
// A bind context: holds the objects bound through it until it is released.

#include <vector>

#include "platform/ComObject.h"
#include "platform/ComPtr.h"
#include "platform/com/Moniker.h"

class BindContext final : public ComObject<IBindCtx> {
public:
    HRESULT RegisterObjectBound(IUnknown* object) override;
    HRESULT RevokeObjectBound(IUnknown* object) override;
    HRESULT ReleaseBoundObjects() override;
    HRESULT GetRunningObjectTable(IRunningObjectTable** table) override;

private:
    std::vector<ComPtr<IUnknown>> bound;
};
