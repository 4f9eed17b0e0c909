#pragma once
// Implementation base of the platform's filters: pins, state, graph membership.
// Extra lists further interfaces that a filter offers (a tuner interface, say).

#include <atomic>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "platform/ComObject.h"
#include "platform/com/BasePin.h"
#include "platform/com/ComEnumerator.h"
#include "platform/com/ComRuntime.h"

template <class... Extra>
class BaseFilter : public ComObject<IBaseFilter, Extra...> {
public:
    HRESULT GetClassID(CLSID* clsid) override {
        if (!clsid) return E_POINTER;
        *clsid = classId;
        return S_OK;
    }
    HRESULT Stop() override { return ChangeState(State_Stopped); }
    HRESULT Pause() override { return ChangeState(State_Paused); }
    HRESULT Run(REFERENCE_TIME) override { return ChangeState(State_Running); }
    HRESULT GetState(DWORD, FILTER_STATE* state) override {
        if (!state) return E_POINTER;
        *state = static_cast<FILTER_STATE>(currentState.load());
        return S_OK;
    }
    HRESULT EnumPins(IEnumPins** out) override {
        if (!out) return E_POINTER;
        std::vector<ComPtr<IPin>> snapshot;
        for (auto& pin : pins) snapshot.emplace_back(pin.get());
        *out = NewComObject<ComEnumerator<IEnumPins, IPin>>(std::move(snapshot));
        return S_OK;
    }
    HRESULT FindPin(LPCWSTR id, IPin** pin) override {
        if (!id || !pin) return E_POINTER;
        *pin = nullptr;
        for (auto& candidate : pins) {
            if (candidate->Name() == id) {
                *pin = candidate.get();
                (*pin)->AddRef();
                return S_OK;
            }
        }
        return VFW_E_NOT_FOUND;
    }
    HRESULT QueryFilterInfo(FILTER_INFO* info) override {
        if (!info) return E_POINTER;
        std::wcsncpy(info->achName, graphName.c_str(), MAX_FILTER_NAME - 1);
        info->achName[MAX_FILTER_NAME - 1] = L'\0';
        info->pGraph = graph;
        if (graph) graph->AddRef();
        return S_OK;
    }
    HRESULT JoinFilterGraph(IFilterGraph* newGraph, LPCWSTR name) override {
        if (newGraph) {
            HRESULT hr = CanJoinGraph();
            if (FAILED(hr)) return hr;
        }
        // The graph holds the filter, so the filter does not hold the graph.
        graph = newGraph;
        graphName = newGraph && name ? name : L"";
        return S_OK;
    }
    HRESULT QueryVendorInfo(LPWSTR* vendorInfo) override {
        if (vendorInfo) *vendorInfo = nullptr;
        return E_NOTIMPL;
    }

protected:
    explicit BaseFilter(REFCLSID clsid) : classId(clsid) {}

    BasePin& AddPin(std::wstring name, PIN_DIRECTION direction, std::vector<MediaTypeId> types) {
        pins.push_back(std::make_unique<BasePin>(*static_cast<IBaseFilter*>(this), std::move(name), direction,
                                                 std::move(types)));
        return *pins.back();
    }
    BasePin& PinAt(std::size_t index) { return *pins.at(index); }
    FILTER_STATE CurrentState() const { return static_cast<FILTER_STATE>(currentState.load()); }

    /// A filter whose driver is faulty refuses to join a graph.
    virtual HRESULT CanJoinGraph() { return S_OK; }
    /// Told after every change of state.
    virtual void StateChanged(FILTER_STATE) {}

    void* QueryOtherInterface(REFIID riid) override {
        if (riid == IID_IPersist || riid == IID_IMediaFilter) return static_cast<IBaseFilter*>(this);
        return nullptr;
    }

private:
    HRESULT ChangeState(FILTER_STATE state) {
        currentState = state;
        StateChanged(state);
        return S_OK;
    }

    const CLSID classId;
    std::vector<std::unique_ptr<BasePin>> pins;
    std::atomic<int> currentState{State_Stopped};
    IFilterGraph* graph = nullptr;
    std::wstring graphName;
};
