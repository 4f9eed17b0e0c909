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

    HRESULT GetNumberOfSections(WORD* count) override;
    HRESULT GetSectionData(WORD index, DWORD* rawPacketLength, SECTION** section) override;
    HRESULT GetProgramIdentifier(PID* result) override;
    HRESULT GetTableIdentifier(TID* result) override;

    /// Rewrites the two header words of a section from network to host byte order in place.
    static void HeaderToHostOrder(std::vector<BYTE>& section);

private:
    PID pid;
    TID tableId;
    std::vector<std::vector<BYTE>> sections;
};
