#pragma once
// Media-graph steps shared by the scan engine and the card discovery: adding
// filters by class, friendly name or device path, finding and connecting pins,
// taking a graph apart, publishing it, and making DVB-T tuning objects.
// Failures are reported on the toolkit's own hub with Write.

#include "logging/LogMessageCaller.h"
#include "platform/ComPtr.h"
#include "platform/com/DirectShow.h"
#include "platform/com/Tuning.h"

class FilterGraphTools : public LogMessageCaller {
public:
    /// Pin directions: PINDIR_INPUT (0), PINDIR_OUTPUT (1), or this for either.
    static constexpr int kAnyDirection = 2;

    /// Creates the class as a filter and adds it under the name; silent non-zero reports nothing.
    HRESULT AddFilter(IGraphBuilder* graph, REFCLSID clsid, ComPtr<IBaseFilter>& filter, LPCWSTR name, int silent);
    /// Adds the first device of the category whose friendly name matches exactly; S_OK or E_FAIL.
    HRESULT AddFilterByName(IGraphBuilder* graph, ComPtr<IBaseFilter>& filter, REFCLSID category,
                            LPCWSTR friendlyName);
    /// Adds the device's filter under the name, or under the device path when the name is null.
    HRESULT AddFilterByDevicePath(IGraphBuilder* graph, ComPtr<IBaseFilter>& filter, LPCWSTR devicePath,
                                  LPCWSTR name);

    HRESULT FindPinByName(IBaseFilter* filter, LPCWSTR pinName, ComPtr<IPin>& pin, int direction);
    HRESULT FindPinByMediaType(IBaseFilter* filter, REFGUID majorType, REFGUID subType, ComPtr<IPin>& pin,
                               int direction);

    HRESULT ConnectPins(IGraphBuilder* graph, IPin* output, IPin* input);
    /// Connects the first free output of upstream to the first free input of downstream that accepts it.
    HRESULT ConnectFilters(IGraphBuilder* graph, IBaseFilter* upstream, IBaseFilter* downstream);
    HRESULT DisconnectAllPins(IGraphBuilder* graph);
    HRESULT RemoveAllFilters(IGraphBuilder* graph);

    /// Publishes the graph in the running object table for a graph viewer.
    HRESULT AddToRot(IGraphBuilder* graph, DWORD& cookie);
    void RemoveFromRot(DWORD cookie);

    HRESULT CreateDVBTTuningSpace(ComPtr<ITuningSpace>& tuningSpace);
    HRESULT CreateDVBTTuneRequest(ComPtr<ITuningSpace> tuningSpace, ComPtr<ITuneRequest>& tuneRequest,
                                  int frequencyKHz, int bandwidthMHz);

    /// The running-object-table item name of a graph: identity and process id as 8 lowercase hex digits each.
    static void FormatRotItemName(const void* graph, DWORD processId, wchar_t (&name)[64]);

private:
    HRESULT ReportWrite(HRESULT result, const char* text);
};
