#pragma once
// ISectionList over copies of sections. Sections are given as broadcast and
// handed out with their two header words in host byte order.

#include <vector>

#include "platform/ComObject.h"
#include "platform/sections/Mpeg2Data.h"

class SectionList : public ComObject<ISectionList> {
public:
    /// Sections in network byte order, as broadcast (shorter than 5 bytes: handed out unchanged).
    SectionList(PID pid, TID tableId, std::vector<std::vector<BYTE>> sections);

#ifdef _WIN32
    // A list is filled when it is made; nobody else initialises it and nothing stays pending.
    HRESULT STDMETHODCALLTYPE Initialize(MPEG_REQUEST_TYPE, IMpeg2Data*, PMPEG_CONTEXT, PID, TID, PMPEG2_FILTER, DWORD,
                                         HANDLE) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE InitializeWithRawSections(PMPEG_PACKET_LIST) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CancelPendingRequest() override { return S_OK; }
#endif
    HRESULT STDMETHODCALLTYPE GetNumberOfSections(WORD* count) override;
    HRESULT STDMETHODCALLTYPE GetSectionData(WORD index, DWORD* rawPacketLength, SECTION** section) override;
    HRESULT STDMETHODCALLTYPE GetProgramIdentifier(PID* result) override;
    HRESULT STDMETHODCALLTYPE GetTableIdentifier(TID* result) override;

    /// Rewrites the two header words of a section from network to host byte order in place.
    static void HeaderToHostOrder(std::vector<BYTE>& section);

private:
    PID pid;
    TID tableId;
    std::vector<std::vector<BYTE>> sections;
};
