#pragma once
// The filter graph manager: holds the filters added to it, connects pins
// directly, and runs and stops them together. Releasing it takes the graph
// apart, so connected filters never keep each other alive.

#include <string>
#include <vector>

#include "platform/ComObject.h"
#include "platform/ComPtr.h"
#include "platform/com/DirectShow.h"

class FilterGraph final : public ComObject<IGraphBuilder, IMediaControl> {
public:
    FilterGraph() = default;
    ~FilterGraph() override;

    HRESULT AddFilter(IBaseFilter* filter, LPCWSTR name) override;
    HRESULT RemoveFilter(IBaseFilter* filter) override;
    HRESULT EnumFilters(IEnumFilters** filters) override;
    HRESULT FindFilterByName(LPCWSTR name, IBaseFilter** filter) override;
    HRESULT ConnectDirect(IPin* output, IPin* input, const AM_MEDIA_TYPE* type) override;
    HRESULT Reconnect(IPin* pin) override;
    HRESULT Disconnect(IPin* pin) override;
    HRESULT SetDefaultSyncSource() override;

    HRESULT Connect(IPin* output, IPin* input) override;
    HRESULT Render(IPin* output) override;
    HRESULT RenderFile(LPCWSTR file, LPCWSTR playList) override;
    HRESULT AddSourceFilter(LPCWSTR file, LPCWSTR name, IBaseFilter** filter) override;
    HRESULT SetLogFile(std::uintptr_t file) override;
    HRESULT Abort() override;
    HRESULT ShouldOperationContinue() override;

    HRESULT Run() override;
    HRESULT Pause() override;
    HRESULT Stop() override;
    HRESULT StopWhenReady() override;
    HRESULT GetState(LONG timeoutMs, OAFilterState* state) override;

protected:
    void* QueryOtherInterface(REFIID riid) override;

private:
    struct Member {
        ComPtr<IBaseFilter> filter;
        std::wstring name;
    };

    bool Contains(IBaseFilter* filter) const;
    bool PinInGraph(IPin* pin) const;
    bool NameTaken(const std::wstring& name) const;
    /// The graph's name for the filter that owns the pin; empty when it is not a member.
    std::wstring NameOfOwner(IPin* pin) const;
    static void DisconnectFilter(IBaseFilter* filter);
    HRESULT SetAllStates(FILTER_STATE state);

    std::vector<Member> members;
    FILTER_STATE graphState = State_Stopped;
};
