#include "platform/dvb/DvbSectionsSource.h"

#include "platform/sections/SectionList.h"

DvbSectionsSource::DvbSectionsSource(std::shared_ptr<DvbSystemCalls> systemCalls, std::string demuxPath)
    : calls(std::move(systemCalls)), reader(*calls, std::move(demuxPath)) {}

HRESULT DvbSectionsSource::GetTable(PID pid, TID tableId, MPEG2_FILTER* filter, DWORD timeoutMs, ISectionList** list) {
    if (!list) return E_POINTER;
    *list = nullptr;
    std::vector<std::vector<BYTE>> sections;
    HRESULT hr;
    {
        std::lock_guard<std::mutex> lock(mutex);
        hr = reader.ReadTable(pid, tableId, filter, timeoutMs, sections);
    }
    if (FAILED(hr)) return hr;
    *list = NewComObject<SectionList>(pid, tableId, std::move(sections));
    return S_OK;
}

HRESULT DvbSectionsSource::GetSection(PID pid, TID tableId, MPEG2_FILTER* filter, DWORD timeoutMs,
                                      ISectionList** list) {
    if (!list) return E_POINTER;
    *list = nullptr;
    std::vector<std::vector<BYTE>> sections;
    HRESULT hr;
    {
        std::lock_guard<std::mutex> lock(mutex);
        hr = reader.ReadTable(pid, tableId, filter, timeoutMs, sections);
    }
    if (FAILED(hr)) return hr;
    sections.resize(1);  // the first section of what came
    *list = NewComObject<SectionList>(pid, tableId, std::move(sections));
    return S_OK;
}
