#include "platform/sections/SectionList.h"

#include <cstring>
#include <utility>

SectionList::SectionList(PID listPid, TID listTableId, std::vector<std::vector<BYTE>> listSections)
    : pid(listPid), tableId(listTableId), sections(std::move(listSections)) {
    for (auto& section : sections) HeaderToHostOrder(section);
}

void SectionList::HeaderToHostOrder(std::vector<BYTE>& section) {
    for (std::size_t at : {std::size_t{1}, std::size_t{3}}) {
        if (section.size() < at + 2) return;
        WORD word = static_cast<WORD>((section[at] << 8) | section[at + 1]);
        std::memcpy(section.data() + at, &word, sizeof word);
    }
}

HRESULT STDMETHODCALLTYPE SectionList::GetNumberOfSections(WORD* count) {
    if (!count) return E_POINTER;
    *count = static_cast<WORD>(sections.size());
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SectionList::GetSectionData(WORD index, DWORD* rawPacketLength, SECTION** section) {
    if (!rawPacketLength || !section) return E_POINTER;
    if (index >= sections.size() || sections[index].empty()) return E_INVALIDARG;
    *rawPacketLength = static_cast<DWORD>(sections[index].size());
    *section = reinterpret_cast<SECTION*>(sections[index].data());
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SectionList::GetProgramIdentifier(PID* result) {
    if (!result) return E_POINTER;
    *result = pid;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SectionList::GetTableIdentifier(TID* result) {
    if (!result) return E_POINTER;
    *result = tableId;
    return S_OK;
}
