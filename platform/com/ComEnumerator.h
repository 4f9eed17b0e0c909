#pragma once
// An enumerator over a snapshot of interface references (pins, filters, monikers),
// taken when it is made, so that changes to the source do not disturb a walk.

#include <vector>

#include "platform/ComObject.h"
#include "platform/ComPtr.h"

template <class Enumerator, class Item>
class ComEnumerator final : public ComObject<Enumerator> {
public:
    explicit ComEnumerator(std::vector<ComPtr<Item>> snapshot, std::size_t start = 0)
        : items(std::move(snapshot)), position(start) {}

    HRESULT Next(ULONG count, Item** out, ULONG* fetched) override {
        if (!out) return E_POINTER;
        if (count != 1 && !fetched) return E_POINTER;
        ULONG taken = 0;
        while (taken < count && position < items.size()) items[position++].CopyTo(&out[taken++]);
        if (fetched) *fetched = taken;
        return taken == count ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG count) override {
        std::size_t left = items.size() - position;
        if (count > left) {
            position = items.size();
            return S_FALSE;
        }
        position += count;
        return S_OK;
    }
    HRESULT Reset() override {
        position = 0;
        return S_OK;
    }
    HRESULT Clone(Enumerator** copy) override {
        if (!copy) return E_POINTER;
        *copy = NewComObject<ComEnumerator>(items, position);
        return S_OK;
    }

private:
    std::vector<ComPtr<Item>> items;
    std::size_t position;
};
