#include "platform/sections/Mpeg2DataSource.h"

#include <algorithm>
#include <utility>

#include "platform/sections/SectionList.h"

Mpeg2DataSource::Mpeg2DataSource(std::shared_ptr<MultiplexSections> initial) : sections(std::move(initial)) {}

void Mpeg2DataSource::SetSections(std::shared_ptr<MultiplexSections> replacement) {
    std::lock_guard<std::mutex> lock(mutex);
    sections = std::move(replacement);
}

void Mpeg2DataSource::SetFinal(bool value) {
    std::lock_guard<std::mutex> lock(mutex);
    final = value;
}

std::shared_ptr<MultiplexSections> Mpeg2DataSource::GetSections() const {
    std::lock_guard<std::mutex> lock(mutex);
    return sections;
}

HRESULT STDMETHODCALLTYPE Mpeg2DataSource::GetSection(PID pid, TID tableId, MPEG2_FILTER* filter, DWORD timeoutMs, ISectionList** list) {
    return Wait(pid, tableId, filter, timeoutMs, list, false);
}

HRESULT STDMETHODCALLTYPE Mpeg2DataSource::GetTable(PID pid, TID tableId, MPEG2_FILTER* filter, DWORD timeoutMs, ISectionList** list) {
    return Wait(pid, tableId, filter, timeoutMs, list, true);
}

HRESULT Mpeg2DataSource::Wait(PID pid, TID tableId, MPEG2_FILTER* filter, DWORD timeoutMs, ISectionList** list,
                              bool wholeTable) {
    if (!list) return E_POINTER;
    *list = nullptr;
    const std::uint64_t deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (auto current = GetSections()) {
            auto found = wholeTable ? current->FindTable(pid, tableId, filter) : current->FindSection(pid, tableId, filter);
            if (!found.empty()) {
                *list = NewComObject<SectionList>(pid, tableId, std::move(found));
                return S_OK;
            }
        }
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (final) return HRESULT_TIMEOUT;
        }
        std::uint64_t now = GetTickCount64();
        if (now >= deadline) return HRESULT_TIMEOUT;
        Sleep(static_cast<DWORD>(std::min<std::uint64_t>(deadline - now, kPollMs)));
    }
}
