#pragma once
// The MPEG-2 sections and tables interfaces, in the shapes of the published
// DirectShow headers: IMpeg2Data hands out the sections of a table as an
// ISectionList. A section's two 16-bit header words (section length with its
// flags, and table_id_extension for long sections) are handed over in host
// byte order; every other byte is as broadcast.

#ifdef _WIN32
#include "platform/windows/Mpeg2Data.h"
#else

#include "platform/Kernel.h"
#include "platform/Unknown.h"

using PID = WORD;
using TID = BYTE;

#pragma pack(push, 1)
/// One section as handed out by ISectionList: table_id, the header word, then the rest.
struct SECTION {
    TID TableId;
    WORD Header;
    BYTE SectionData[1];
};
#pragma pack(pop)

/// Section filter of GetTable and GetSection; the raw filtering bits are not supported.
struct MPEG2_FILTER {
    BYTE bVersionNumber;
    WORD wFilterSize;
    BOOL fUseRawFilteringBits;
    BYTE Filter[16];
    BYTE Mask[16];
    BOOL fSpecifyTableIdExtension;
    WORD TableIdExtension;
    BOOL fSpecifyVersion;
    BYTE Version;
    BOOL fSpecifySectionNumber;
    BYTE SectionNumber;
    BOOL fSpecifyCurrentNext;
    BOOL fNext;
};
using PMPEG2_FILTER = MPEG2_FILTER*;

inline constexpr IID IID_IMpeg2Data = {0x9B396D40, 0xF380, 0x4E3C, {0xA5, 0x14, 0x1A, 0x82, 0xBF, 0x6E, 0xBF, 0xE6}};
inline constexpr IID IID_ISectionList = {0xAFEC1EB5, 0x2A64, 0x46C6, {0xBF, 0x4B, 0xAE, 0x3C, 0xCB, 0x6A, 0xFD, 0xB0}};

struct ISectionList : IUnknown {
    static constexpr const IID& iid = IID_ISectionList;

    virtual HRESULT GetNumberOfSections(WORD* count) = 0;
    /// The section stays owned by the list and is valid while the list is held.
    virtual HRESULT GetSectionData(WORD index, DWORD* rawPacketLength, SECTION** section) = 0;
    virtual HRESULT GetProgramIdentifier(PID* pid) = 0;
    virtual HRESULT GetTableIdentifier(TID* tableId) = 0;
};

struct IMpeg2Data : IUnknown {
    static constexpr const IID& iid = IID_IMpeg2Data;

    /// The first section that matches; fails once the time-out has passed without one.
    virtual HRESULT GetSection(PID pid, TID tableId, MPEG2_FILTER* filter, DWORD timeoutMs, ISectionList** list) = 0;
    /// Every section of a complete table; fails once the time-out has passed without one.
    virtual HRESULT GetTable(PID pid, TID tableId, MPEG2_FILTER* filter, DWORD timeoutMs, ISectionList** list) = 0;
};

#endif  // _WIN32
