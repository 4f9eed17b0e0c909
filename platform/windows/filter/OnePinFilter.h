#pragma once
// What a filter of one pin does like any other: its run state, the graph it
// has joined and its name there, the reference clock it is given, and its pin
// found by id. The filter itself says what the state changes do and which
// other interfaces it offers.

#include <cwchar>
#include <mutex>
#include <string>
#include <vector>

#include "platform/windows/ComObject.h"
#include "platform/windows/WindowsDirectShow.h"
#include "platform/windows/filter/PinEnumerator.h"

template <class... Others>
class OnePinFilter : public ComObject<IBaseFilter, Others...> {
public:
    FILTER_STATE CurrentState() {
        std::lock_guard<std::mutex> lock(mutex);
        return state;
    }

    // IMediaFilter.
    HRESULT STDMETHODCALLTYPE Pause() override {
        SetState(State_Paused);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetState(DWORD, FILTER_STATE* current) override {
        if (!current) return E_POINTER;
        *current = CurrentState();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock* newClock) override {
        std::lock_guard<std::mutex> lock(mutex);
        if (newClock) newClock->AddRef();
        if (clock) clock->Release();
        clock = newClock;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock** current) override {
        if (!current) return E_POINTER;
        std::lock_guard<std::mutex> lock(mutex);
        *current = clock;
        if (clock) clock->AddRef();
        return S_OK;
    }
    // IBaseFilter.
    HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins** pins) override {
        if (!pins) return E_POINTER;
        *pins = NewComObject<PinEnumerator>(std::vector<IPin*>{OnlyPin()});
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR id, IPin** found) override {
        if (!id || !found) return E_POINTER;
        *found = nullptr;
        if (std::wcscmp(id, pinId) != 0) return VFW_E_NOT_FOUND;
        *found = OnlyPin();
        (*found)->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO* info) override {
        if (!info) return E_POINTER;
        std::lock_guard<std::mutex> lock(mutex);
        std::wcsncpy(info->achName, name.c_str(), MAX_FILTER_NAME);
        info->achName[MAX_FILTER_NAME - 1] = L'\0';
        info->pGraph = graph;
        if (graph) graph->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph* newGraph, LPCWSTR newName) override {
        std::lock_guard<std::mutex> lock(mutex);
        graph = newGraph;
        name = newName ? newName : L"";
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR* vendorInfo) override {
        if (vendorInfo) *vendorInfo = nullptr;
        return E_NOTIMPL;
    }

protected:
    explicit OnePinFilter(const wchar_t* onlyPinId) : pinId(onlyPinId) {}
    ~OnePinFilter() override {
        if (clock) clock->Release();
    }
    void* QueryOtherInterface(REFIID riid) override {
        if (riid == IID_IPersist || riid == IID_IMediaFilter) return static_cast<IBaseFilter*>(this);
        return nullptr;
    }
    /// The filter's pin, a member of its own.
    virtual IPin* OnlyPin() = 0;
    void SetState(FILTER_STATE newState) {
        std::lock_guard<std::mutex> lock(mutex);
        state = newState;
    }

    std::mutex mutex;  // the state, graph, name and clock; the filter may guard more of its own with it

private:
    const wchar_t* pinId;
    FILTER_STATE state = State_Stopped;
    IFilterGraph* graph = nullptr;  // not counted: the graph holds the filter
    std::wstring name;
    IReferenceClock* clock = nullptr;
};
