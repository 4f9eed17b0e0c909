#include "graph/FilterGraphTools.h"

#include <cstdint>
#include <cwchar>
#include <vector>

#include "platform/DebugOutput.h"
#include "platform/Kernel.h"
#include "platform/com/ComRuntime.h"
#include "platform/com/Moniker.h"

namespace {

bool DirectionFits(int wanted, PIN_DIRECTION actual) {
    return wanted == FilterGraphTools::kAnyDirection || wanted == static_cast<int>(actual);
}

// Reads a pin's direction through its information, releasing the owning filter it hands back.
HRESULT PinDirection(IPin* pin, PIN_DIRECTION& direction, const wchar_t** name, PIN_INFO& info) {
    HRESULT hr = pin->QueryPinInfo(&info);
    if (FAILED(hr)) return hr;
    if (info.pFilter) {
        info.pFilter->Release();
        info.pFilter = nullptr;
    }
    direction = info.dir;
    if (name) *name = info.achName;
    return hr;
}

// Whether the pin is free; a failure other than "not connected" is handed back.
HRESULT IsConnected(IPin* pin, bool& connected) {
    ComPtr<IPin> peer;
    HRESULT hr = pin->ConnectedTo(peer.ReleaseAndGetAddressOf());
    connected = SUCCEEDED(hr);
    if (SUCCEEDED(hr) || hr == VFW_E_NOT_CONNECTED) return S_OK;
    return hr;
}

}  // namespace

HRESULT FilterGraphTools::ReportWrite(HRESULT result, const char* text) {
    log << text;
    return log.Write(result);
}

HRESULT FilterGraphTools::AddFilter(IGraphBuilder* graph, REFCLSID clsid, ComPtr<IBaseFilter>& filter, LPCWSTR name,
                                    int silent) {
    HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                  filter.ReleaseAndGetAddressOfVoid());
    if (FAILED(hr)) {
        filter.Reset();
        if (!silent) {
            log << "Failed to load filter: " << name << "  error number " << hr;
            log << (hr == REGDB_E_CLASSNOTREG ? "\n\nThe filter is not registered.\n" : "\n");
            log.Write();
        }
        return hr;
    }
    hr = graph ? graph->AddFilter(filter.Get(), name) : E_POINTER;
    if (FAILED(hr)) {
        filter.Reset();
        if (!silent) {
            log << "Failed to add filter: " << name << "\n";
            log.Write();
        }
        return hr;
    }
    return S_OK;
}

HRESULT FilterGraphTools::AddFilterByName(IGraphBuilder* graph, ComPtr<IBaseFilter>& filter, REFCLSID category,
                                          LPCWSTR friendlyName) {
    filter.Reset();
    ComPtr<ICreateDevEnum> deviceEnumerator;
    HRESULT hr = CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_ALL, IID_ICreateDevEnum,
                                  deviceEnumerator.ReleaseAndGetAddressOfVoid());
    if (FAILED(hr)) return ReportWrite(E_FAIL, "AddFilterByName: Cannot CoCreate ICreateDevEnum\n");

    ComPtr<IEnumMoniker> monikers;
    hr = deviceEnumerator->CreateClassEnumerator(category, monikers.ReleaseAndGetAddressOf(), 0);
    if (hr == S_FALSE) return ReportWrite(E_FAIL, "AddFilterByName: Failed to create System Device Enumerator\n");
    if (hr == E_POINTER) return ReportWrite(E_FAIL, "AddFilterByName: Class Enumerator, NULL pointer argument\n");
    if (hr == E_OUTOFMEMORY)
        return ReportWrite(
            E_FAIL, "AddFilterByName: There is not enough memory available to create a class enumerator.\n");
    if (hr != S_OK || !monikers) return ReportWrite(E_FAIL, "AddFilterByName: Failed to find matching filter.\n");

    ComPtr<IMoniker> moniker;
    while (monikers->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
        ComPtr<IPropertyBag> properties;
        hr = moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, properties.ReleaseAndGetAddressOfVoid());
        if (FAILED(hr)) {
            log << "AddFilterByName: Cannot BindToStorage\n";
            log.Write();
            return ReportWrite(E_FAIL, "AddFilterByName: Failed to find matching filter.\n");
        }

        VARIANT name;
        VariantInit(&name);
        hr = properties->Read(L"FriendlyName", &name, nullptr);
        if (FAILED(hr)) {
            VariantClear(&name);
            ReportWrite(S_OK, "AddFilterByName: Failed to get name of filter\n");
            continue;
        }
        bool matches = name.vt == VT_BSTR && name.bstrVal && friendlyName && std::wcscmp(name.bstrVal, friendlyName) == 0;
        if (!matches) {
            VariantClear(&name);
            continue;
        }

        hr = moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.ReleaseAndGetAddressOfVoid());
        if (FAILED(hr)) {
            filter.Reset();
            VariantClear(&name);
            log << "AddFilterByName: Cannot BindToObject\n";
            log.Write();
            return ReportWrite(E_FAIL, "AddFilterByName: Failed to find matching filter.\n");
        }
        hr = graph ? graph->AddFilter(filter.Get(), name.bstrVal) : E_POINTER;
        VariantClear(&name);
        if (FAILED(hr)) {
            // The filter is gone, so the caller must not be told it has one.
            filter.Reset();
            return ReportWrite(E_FAIL, "AddFilterByName: Failed to add Filter\n");
        }
        return S_OK;
    }
    return ReportWrite(E_FAIL, "AddFilterByName: Failed to find matching filter.\n");
}

HRESULT FilterGraphTools::AddFilterByDevicePath(IGraphBuilder* graph, ComPtr<IBaseFilter>& filter, LPCWSTR devicePath,
                                                LPCWSTR name) {
    filter.Reset();
    ComPtr<IBindCtx> context;
    HRESULT hr = CreateBindCtx(0, context.ReleaseAndGetAddressOf());
    if (FAILED(hr)) return ReportWrite(hr, "AddFilterByDevicePath: Could not create bind context\n");

    ULONG eaten = 0;
    ComPtr<IMoniker> moniker;
    hr = MkParseDisplayName(context.Get(), devicePath, &eaten, moniker.ReleaseAndGetAddressOf());
    if (FAILED(hr) || !moniker) {
        log << "AddFilterByDevicePath: Could not create moniker from device path " << devicePath << "  ("
            << (name ? name : L"") << ")\n";
        // No moniker is a failure even when the parse claimed success.
        return log.Write(FAILED(hr) ? hr : E_FAIL);
    }

    LPCWSTR filterName = name ? name : devicePath;
    hr = moniker->BindToObject(context.Get(), nullptr, IID_IBaseFilter, filter.ReleaseAndGetAddressOfVoid());
    if (FAILED(hr)) {
        filter.Reset();
        log << "Could Not Create Filter: " << filterName << "\n";
        return log.Write(hr);
    }
    hr = graph ? graph->AddFilter(filter.Get(), filterName) : E_POINTER;
    if (FAILED(hr)) {
        filter.Reset();
        log << "Failed to add filter: " << filterName << "\n";
        return log.Write(hr);
    }
    return S_OK;
}

HRESULT FilterGraphTools::FindPinByName(IBaseFilter* filter, LPCWSTR pinName, ComPtr<IPin>& pin, int direction) {
    pin.Reset();
    if (!filter || !pinName) return E_FAIL;
    ComPtr<IEnumPins> pins;
    HRESULT hr = filter->EnumPins(pins.ReleaseAndGetAddressOf());
    if (FAILED(hr)) return hr;

    HRESULT result = E_FAIL;
    ComPtr<IPin> candidate;
    while (pins->Next(1, candidate.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
        PIN_INFO info{};
        PIN_DIRECTION pinDirection = PINDIR_INPUT;
        const wchar_t* name = nullptr;
        hr = PinDirection(candidate.Get(), pinDirection, &name, info);
        if (FAILED(hr)) {
            result = hr;
            continue;
        }
        result = E_FAIL;
        if (std::wcscmp(name, pinName) == 0 && DirectionFits(direction, pinDirection)) {
            pin = std::move(candidate);
            return S_OK;
        }
    }
    return result;
}

HRESULT FilterGraphTools::FindPinByMediaType(IBaseFilter* filter, REFGUID majorType, REFGUID subType,
                                             ComPtr<IPin>& pin, int direction) {
    pin.Reset();
    if (!filter) return E_FAIL;
    ComPtr<IEnumPins> pins;
    HRESULT hr = filter->EnumPins(pins.ReleaseAndGetAddressOf());
    if (FAILED(hr)) return hr;

    HRESULT result = E_FAIL;
    ComPtr<IPin> candidate;
    while (pins->Next(1, candidate.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
        PIN_INFO info{};
        PIN_DIRECTION pinDirection = PINDIR_INPUT;
        hr = PinDirection(candidate.Get(), pinDirection, nullptr, info);
        if (FAILED(hr)) {
            result = hr;
            continue;
        }
        result = E_FAIL;
        if (!DirectionFits(direction, pinDirection)) continue;

        ComPtr<IEnumMediaTypes> types;
        if (FAILED(candidate->EnumMediaTypes(types.ReleaseAndGetAddressOf())) || !types) continue;
        bool matches = false;
        AM_MEDIA_TYPE* type = nullptr;
        while (!matches && types->Next(1, &type, nullptr) == S_OK) {
            matches = type->majortype == majorType && type->subtype == subType;
            DeleteMediaType(type);
            type = nullptr;
        }
        if (matches) {
            pin = std::move(candidate);
            return S_OK;
        }
    }
    return result;
}

HRESULT FilterGraphTools::ConnectPins(IGraphBuilder* graph, IPin* output, IPin* input) {
    HRESULT hr = graph ? graph->ConnectDirect(output, input, nullptr) : E_POINTER;
    OutputDebugStringW(SUCCEEDED(hr) ? L"Pin connection - SUCCEEDED\n" : L"Pin connection - FAILED !!!\n");
    return hr;
}

HRESULT FilterGraphTools::ConnectFilters(IGraphBuilder* graph, IBaseFilter* upstream, IBaseFilter* downstream) {
    if (!upstream) return ReportWrite(E_FAIL, "Cannot Enumerate Pins on Upstream Filter\n");
    if (!downstream) return ReportWrite(E_FAIL, "Cannot enumerate pins on downstream filter!\n");
    ComPtr<IEnumPins> upstreamPins;
    if (FAILED(upstream->EnumPins(upstreamPins.ReleaseAndGetAddressOf())))
        return ReportWrite(E_FAIL, "Cannot Enumerate Pins on Upstream Filter\n");

    // The last attempt's code is returned only when nothing was looked at after it.
    HRESULT result = E_FAIL;
    ComPtr<IPin> output;
    while (upstreamPins->Next(1, output.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
        result = E_FAIL;
        PIN_INFO info{};
        PIN_DIRECTION direction = PINDIR_INPUT;
        if (FAILED(PinDirection(output.Get(), direction, nullptr, info)))
            return ReportWrite(E_FAIL, "Cannot Obtain Pin Info for Upstream Filter\n");
        if (direction != PINDIR_OUTPUT) continue;
        bool connected = false;
        if (FAILED(IsConnected(output.Get(), connected)))
            return ReportWrite(E_FAIL, "Failed to Determin if Upstream Ouput Pin is already connected\n");
        if (connected) continue;

        ComPtr<IEnumPins> downstreamPins;
        if (FAILED(downstream->EnumPins(downstreamPins.ReleaseAndGetAddressOf())))
            return ReportWrite(E_FAIL, "Cannot enumerate pins on downstream filter!\n");
        ComPtr<IPin> input;
        while (downstreamPins->Next(1, input.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
            result = E_FAIL;
            PIN_INFO inputInfo{};
            PIN_DIRECTION inputDirection = PINDIR_OUTPUT;
            if (FAILED(PinDirection(input.Get(), inputDirection, nullptr, inputInfo)))
                return ReportWrite(E_FAIL, "Cannot Obtain Pin Info for Downstream Filter\n");
            if (inputDirection != PINDIR_INPUT) continue;
            bool inputConnected = false;
            if (FAILED(IsConnected(input.Get(), inputConnected)))
                return ReportWrite(E_FAIL, "Failed to Find if Downstream Input Pin is already connected\n");
            if (inputConnected) continue;
            HRESULT hr = ConnectPins(graph, output.Get(), input.Get());
            if (SUCCEEDED(hr)) return S_OK;
            result = hr;
        }
    }
    return result;
}

HRESULT FilterGraphTools::DisconnectAllPins(IGraphBuilder* graph) {
    if (!graph) return E_FAIL;
    ComPtr<IEnumFilters> filters;
    HRESULT hr = graph->EnumFilters(filters.ReleaseAndGetAddressOf());
    if (FAILED(hr)) return hr;
    ComPtr<IBaseFilter> filter;
    while (filters->Next(1, filter.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
        ComPtr<IEnumPins> pins;
        hr = filter->EnumPins(pins.ReleaseAndGetAddressOf());
        if (FAILED(hr)) continue;
        ComPtr<IPin> pin;
        while (pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
            hr = pin->Disconnect();
            if (hr == VFW_E_NOT_STOPPED) ReportWrite(hr, "Could not disconnect pin. The filter is active\n");
        }
    }
    return hr;
}

HRESULT FilterGraphTools::RemoveAllFilters(IGraphBuilder* graph) {
    if (!graph) return E_FAIL;
    ComPtr<IEnumFilters> filters;
    HRESULT hr = graph->EnumFilters(filters.ReleaseAndGetAddressOf());
    if (hr != S_OK || !filters)
        return ReportWrite(hr == S_OK ? E_FAIL : hr, "Error removing filters. Can't enumerate graph\n");

    // Removing while enumerating would disturb the walk: collect first.
    filters->Reset();
    std::vector<ComPtr<IBaseFilter>> collected;
    ComPtr<IBaseFilter> filter;
    while (filters->Next(1, filter.ReleaseAndGetAddressOf(), nullptr) == S_OK) collected.push_back(std::move(filter));
    for (ComPtr<IBaseFilter>& each : collected) {
        graph->RemoveFilter(each.Get());
        each.Reset();
    }
    return S_OK;
}

void FilterGraphTools::FormatRotItemName(const void* graph, DWORD processId, wchar_t (&name)[64]) {
    // Only the low 32 bits of the identity fit the published item name.
    auto identity = static_cast<unsigned int>(reinterpret_cast<std::uintptr_t>(graph) & 0xFFFFFFFFu);
    std::swprintf(name, 64, L"FilterGraph %08x pid %08x", identity, static_cast<unsigned int>(processId));
}

HRESULT FilterGraphTools::AddToRot(IGraphBuilder* graph, DWORD& cookie) {
    if (!graph) return E_POINTER;
    ComPtr<IRunningObjectTable> table;
    if (FAILED(GetRunningObjectTable(0, table.ReleaseAndGetAddressOf()))) return E_FAIL;
    wchar_t itemName[64];
    FormatRotItemName(graph, GetCurrentProcessId(), itemName);
    ComPtr<IMoniker> moniker;
    HRESULT hr = CreateItemMoniker(L"!", itemName, moniker.ReleaseAndGetAddressOf());
    if (FAILED(hr)) return hr;
    return table->Register(ROTFLAGS_REGISTRATIONKEEPSALIVE, graph, moniker.Get(), &cookie);
}

void FilterGraphTools::RemoveFromRot(DWORD cookie) {
    ComPtr<IRunningObjectTable> table;
    if (SUCCEEDED(GetRunningObjectTable(0, table.ReleaseAndGetAddressOf()))) table->Revoke(cookie);
}

HRESULT FilterGraphTools::CreateDVBTTuningSpace(ComPtr<ITuningSpace>& tuningSpace) {
    HRESULT hr = CoCreateInstance(CLSID_DVBTuningSpace, nullptr, CLSCTX_ALL, IID_ITuningSpace,
                                  tuningSpace.ReleaseAndGetAddressOfVoid());
    if (FAILED(hr)) {
        tuningSpace.Reset();
        return ReportWrite(hr, "Could not create DVBTuningSpace\n");
    }
    ComPtr<IDVBTuningSpace2> dvbTuningSpace;
    if (FAILED(tuningSpace.As(dvbTuningSpace))) {
        tuningSpace.Reset();
        return ReportWrite(E_FAIL, "Could not QI TuningSpace\n");
    }
    hr = dvbTuningSpace->put_SystemType(DVB_Terrestrial);
    if (FAILED(hr)) {
        tuningSpace.Reset();
        return ReportWrite(hr, "Could not put SystemType\n");
    }
    BSTR networkType = SysAllocString(L"{216C62DF-6D7F-4E9A-8571-05F14EDB766A}");
    hr = networkType ? dvbTuningSpace->put_NetworkType(networkType) : E_OUTOFMEMORY;
    SysFreeString(networkType);
    if (FAILED(hr)) {
        tuningSpace.Reset();
        return ReportWrite(hr, "Could not put NetworkType\n");
    }
    return S_OK;
}

HRESULT FilterGraphTools::CreateDVBTTuneRequest(ComPtr<ITuningSpace> tuningSpace, ComPtr<ITuneRequest>& tuneRequest,
                                                int frequencyKHz, int bandwidthMHz) {
    if (!tuningSpace) return ReportWrite(E_FAIL, "Tuning Space is NULL\n");
    ComPtr<IDVBTuningSpace2> dvbTuningSpace;
    if (FAILED(tuningSpace.As(dvbTuningSpace)))
        return ReportWrite(E_FAIL, "Can't Query Interface for an IDVBTuningSpace2\n");
    HRESULT hr = dvbTuningSpace->CreateTuneRequest(tuneRequest.ReleaseAndGetAddressOf());
    if (FAILED(hr)) {
        tuneRequest.Reset();
        return ReportWrite(hr, "Failed to create Tune Request\n");
    }
    ComPtr<IDVBTuneRequest> dvbTuneRequest;
    if (FAILED(tuneRequest.As(dvbTuneRequest))) {
        tuneRequest.Reset();
        return ReportWrite(E_FAIL, "Can't Query Interface for an IDVBTuneRequest.\n");
    }

    ComPtr<IDVBTLocator> locator;
    hr = CoCreateInstance(CLSID_DVBTLocator, nullptr, CLSCTX_ALL, IID_IDVBTLocator, locator.ReleaseAndGetAddressOfVoid());
    if (FAILED(hr)) {
        tuneRequest.Reset();
        if (hr == CLASS_E_NOAGGREGATION)
            log << "The DVBTLocator class can't be created as part of an aggregate.\n";
        else if (hr == REGDB_E_CLASSNOTREG)
            log << "The DVBTLocator class isn't registered in the registration database.\n";
        return log.Write(hr);
    }

    hr = locator->put_CarrierFrequency(frequencyKHz);
    if (FAILED(hr)) {
        log << "Can't set Frequency on Locator.\n";
    } else {
        hr = locator->put_Bandwidth(bandwidthMHz);
        if (FAILED(hr)) {
            log << "Can't set Bandwidth on Locator.\n";
        } else {
            hr = tuneRequest->put_Locator(locator.Get());
            if (FAILED(hr)) log << "Cannot put the locator on DVB Tune Request\n";
        }
    }
    if (FAILED(hr)) {
        tuneRequest.Reset();
        return log.Write(hr);
    }
    return S_OK;
}
