#include "platform/com/FilterGraph.h"

#include <cwchar>

#include "platform/com/ComEnumerator.h"
#include "platform/com/InjectedFaults.h"

FilterGraph::~FilterGraph() {
    SetAllStates(State_Stopped);
    for (Member& member : members) {
        DisconnectFilter(member.filter.Get());
        member.filter->JoinFilterGraph(nullptr, nullptr);
    }
}

void* FilterGraph::QueryOtherInterface(REFIID riid) {
    if (riid == IID_IFilterGraph) return static_cast<IFilterGraph*>(static_cast<IGraphBuilder*>(this));
    return nullptr;
}

bool FilterGraph::Contains(IBaseFilter* filter) const {
    for (const Member& member : members)
        if (member.filter.Get() == filter) return true;
    return false;
}

bool FilterGraph::PinInGraph(IPin* pin) const {
    PIN_INFO info{};
    if (FAILED(pin->QueryPinInfo(&info))) return false;
    bool inGraph = Contains(info.pFilter);
    if (info.pFilter) info.pFilter->Release();
    return inGraph;
}

std::wstring FilterGraph::NameOfOwner(IPin* pin) const {
    PIN_INFO info{};
    if (FAILED(pin->QueryPinInfo(&info))) return std::wstring();
    std::wstring name;
    for (const Member& member : members)
        if (member.filter.Get() == info.pFilter) name = member.name;
    if (info.pFilter) info.pFilter->Release();
    return name;
}

bool FilterGraph::NameTaken(const std::wstring& name) const {
    for (const Member& member : members)
        if (member.name == name) return true;
    return false;
}

// Breaks every connection of the filter from both ends.
void FilterGraph::DisconnectFilter(IBaseFilter* filter) {
    ComPtr<IEnumPins> pins;
    if (FAILED(filter->EnumPins(pins.ReleaseAndGetAddressOf()))) return;
    ComPtr<IPin> pin;
    while (pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
        ComPtr<IPin> peer;
        if (SUCCEEDED(pin->ConnectedTo(peer.ReleaseAndGetAddressOf())) && peer) peer->Disconnect();
        pin->Disconnect();
    }
}

HRESULT FilterGraph::AddFilter(IBaseFilter* filter, LPCWSTR name) {
    if (!filter) return E_POINTER;
    if (Contains(filter)) return E_INVALIDARG;
    HRESULT injected = InjectedFaults::Check(InjectedFaults::Point::AddFilter, name);
    if (FAILED(injected)) return injected;
    std::wstring given = name ? name : L"Filter";
    std::wstring unique = given;
    HRESULT result = S_OK;
    for (int suffix = 1; NameTaken(unique); ++suffix) {
        wchar_t number[16];
        std::swprintf(number, 16, L" %04d", suffix);
        unique = given + number;
        result = VFW_S_DUPLICATE_NAME;
    }
    HRESULT hr = filter->JoinFilterGraph(static_cast<IFilterGraph*>(static_cast<IGraphBuilder*>(this)), unique.c_str());
    if (FAILED(hr)) return hr;
    members.push_back(Member{ComPtr<IBaseFilter>(filter), unique});
    return injected != S_OK ? injected : result;
}

HRESULT FilterGraph::RemoveFilter(IBaseFilter* filter) {
    for (auto it = members.begin(); it != members.end(); ++it) {
        if (it->filter.Get() != filter) continue;
        Member removed = std::move(*it);
        members.erase(it);
        removed.filter->Stop();
        DisconnectFilter(removed.filter.Get());
        removed.filter->JoinFilterGraph(nullptr, nullptr);
        return S_OK;
    }
    return VFW_E_NOT_FOUND;
}

HRESULT FilterGraph::EnumFilters(IEnumFilters** filters) {
    if (!filters) return E_POINTER;
    std::vector<ComPtr<IBaseFilter>> snapshot;
    for (const Member& member : members) snapshot.push_back(member.filter);
    *filters = NewComObject<ComEnumerator<IEnumFilters, IBaseFilter>>(std::move(snapshot));
    return S_OK;
}

HRESULT FilterGraph::FindFilterByName(LPCWSTR name, IBaseFilter** filter) {
    if (!name || !filter) return E_POINTER;
    *filter = nullptr;
    for (const Member& member : members)
        if (member.name == name) return member.filter.CopyTo(filter);
    return VFW_E_NOT_FOUND;
}

HRESULT FilterGraph::ConnectDirect(IPin* output, IPin* input, const AM_MEDIA_TYPE* type) {
    if (!output || !input) return E_POINTER;
    if (graphState != State_Stopped) return VFW_E_NOT_STOPPED;
    if (!PinInGraph(output) || !PinInGraph(input)) return VFW_E_NOT_IN_GRAPH;
    HRESULT injected = InjectedFaults::Check(InjectedFaults::Point::Connect, NameOfOwner(input).c_str());
    if (FAILED(injected)) return injected;
    HRESULT hr = output->Connect(input, type);
    return hr == S_OK ? injected : hr;
}

HRESULT FilterGraph::Reconnect(IPin*) { return E_NOTIMPL; }

HRESULT FilterGraph::Disconnect(IPin* pin) {
    if (!pin) return E_POINTER;
    return pin->Disconnect();
}

HRESULT FilterGraph::SetDefaultSyncSource() { return S_OK; }

// There is no intelligent connection: only what connects directly.
HRESULT FilterGraph::Connect(IPin* output, IPin* input) { return ConnectDirect(output, input, nullptr); }
HRESULT FilterGraph::Render(IPin*) { return E_NOTIMPL; }
HRESULT FilterGraph::RenderFile(LPCWSTR, LPCWSTR) { return E_NOTIMPL; }
HRESULT FilterGraph::AddSourceFilter(LPCWSTR, LPCWSTR, IBaseFilter** filter) {
    if (filter) *filter = nullptr;
    return E_NOTIMPL;
}
HRESULT FilterGraph::SetLogFile(std::uintptr_t) { return S_OK; }
HRESULT FilterGraph::Abort() { return S_OK; }
HRESULT FilterGraph::ShouldOperationContinue() { return S_OK; }

HRESULT FilterGraph::SetAllStates(FILTER_STATE state) {
    HRESULT result = S_OK;
    for (Member& member : members) {
        HRESULT hr = state == State_Running  ? member.filter->Run(0)
                     : state == State_Paused ? member.filter->Pause()
                                             : member.filter->Stop();
        if (FAILED(hr)) result = hr;
    }
    graphState = state;
    return result;
}

HRESULT FilterGraph::Run() {
    HRESULT injected = InjectedFaults::Check(InjectedFaults::Point::Run);
    if (FAILED(injected)) return injected;
    HRESULT hr = SetAllStates(State_Running);
    return hr == S_OK ? injected : hr;
}
HRESULT FilterGraph::Pause() { return SetAllStates(State_Paused); }
HRESULT FilterGraph::Stop() { return SetAllStates(State_Stopped); }
HRESULT FilterGraph::StopWhenReady() { return Stop(); }

HRESULT FilterGraph::GetState(LONG, OAFilterState* state) {
    if (!state) return E_POINTER;
    *state = graphState;
    return S_OK;
}
