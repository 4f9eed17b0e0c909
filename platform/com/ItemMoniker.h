#pragma once
// An item moniker: a delimiter and an item name, as graphs are published under.

#include <string>

#include "platform/ComObject.h"
#include "platform/com/Moniker.h"

class ItemMoniker final : public ComObject<IMoniker> {
public:
    ItemMoniker(std::wstring delimiterText, std::wstring itemText) : name(std::move(delimiterText) + itemText) {}

    HRESULT BindToObject(IBindCtx* context, IMoniker* left, REFIID riid, void** object) override;
    HRESULT BindToStorage(IBindCtx* context, IMoniker* left, REFIID riid, void** object) override;
    HRESULT GetDisplayName(IBindCtx* context, IMoniker* left, LPOLESTR* displayName) override;
    HRESULT IsEqual(IMoniker* other) override;

private:
    std::wstring name;
};
