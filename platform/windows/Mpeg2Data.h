#pragma once
// The MPEG-2 sections and tables interfaces as the Windows SDK publishes them
// (mpeg2structs.idl, mpeg2data.idl). mingw-w64's mpeg2data.h lists the methods
// in the wrong order and has no IIDs, so it is never included: these are the
// published layouts, vtable order included.

#include "platform/windows/WindowsCom.h"

using PID = WORD;
using TID = BYTE;

enum MPEG_REQUEST_TYPE {
    MPEG_RQST_UNKNOWN = 0,
    MPEG_RQST_GET_SECTION,
    MPEG_RQST_GET_SECTION_ASYNC,
    MPEG_RQST_GET_TABLE,
    MPEG_RQST_GET_TABLE_ASYNC,
    MPEG_RQST_GET_SECTIONS_STREAM,
    MPEG_RQST_GET_PES_STREAM,
    MPEG_RQST_GET_TS_STREAM,
    MPEG_RQST_START_MPE_STREAM,
};

/// Passed through by the filter, never read by this project.
struct MPEG_CONTEXT;
using PMPEG_CONTEXT = MPEG_CONTEXT*;
struct MPEG_PACKET_LIST;
using PMPEG_PACKET_LIST = MPEG_PACKET_LIST*;

#pragma pack(push, 1)
/// One section: table_id at byte 0, the 16-bit header word at byte 1 (host byte order), then the rest.
/// Read it as bytes; the structure only names the first two fields.
struct SECTION {
    TID TableId;
    WORD Header;
    BYTE SectionData[1];
};
#pragma pack(pop)
using PSECTION = SECTION*;

struct DSMCC_FILTER_OPTIONS {
    BOOL fSpecifyProtocol;
    BYTE Protocol;
    BOOL fSpecifyType;
    BYTE Type;
    BOOL fSpecifyMessageId;
    WORD MessageId;
    BOOL fSpecifyTransactionId;
    BOOL fUseTrxIdMessageIdMask;
    DWORD TransactionId;
    BOOL fSpecifyModuleVersion;
    BYTE ModuleVersion;
    BOOL fSpecifyBlockNumber;
    WORD BlockNumber;
    BOOL fGetModuleCall;
    WORD NumberOfBlocksInModule;
};

struct ATSC_FILTER_OPTIONS {
    BOOL fSpecifyEtmId;
    DWORD EtmId;
};

/// Section filter of GetSection, GetTable and GetStreamOfSections (version 1 of the structure).
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
    BOOL fSpecifyDsmccOptions;
    DSMCC_FILTER_OPTIONS Dsmcc;
    BOOL fSpecifyAtscOptions;
    ATSC_FILTER_OPTIONS Atsc;
};
using PMPEG2_FILTER = MPEG2_FILTER*;

struct IMpeg2Data;
struct IMpeg2Stream;

/// {AFEC1EB5-2A64-46C6-BF4B-AE3CCB6AFDB0}
inline constexpr IID IID_ISectionList = {
    0xAFEC1EB5, 0x2A64, 0x46C6, {0xBF, 0x4B, 0xAE, 0x3C, 0xCB, 0x6A, 0xFD, 0xB0}};
/// {9B396D40-F380-4E3C-A514-1A82BF6EBFE6}
inline constexpr IID IID_IMpeg2Data = {
    0x9B396D40, 0xF380, 0x4E3C, {0xA5, 0x14, 0x1A, 0x82, 0xBF, 0x6E, 0xBF, 0xE6}};
/// The class of Microsoft's own MPEG-2 Sections and Tables filter, where one is installed.
inline constexpr CLSID CLSID_Mpeg2Data = {
    0xC666E115, 0xBB62, 0x4027, {0xA1, 0x13, 0x82, 0xD6, 0x43, 0xFE, 0x2D, 0x99}};

// Methods in the published vtable order, after IUnknown.
struct ISectionList : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Initialize(MPEG_REQUEST_TYPE requestType, IMpeg2Data* pMpeg2Data,
                                                 PMPEG_CONTEXT pContext, PID pid, TID tid, PMPEG2_FILTER pFilter,
                                                 DWORD timeout, HANDLE hDoneEvent) = 0;
    virtual HRESULT STDMETHODCALLTYPE InitializeWithRawSections(PMPEG_PACKET_LIST pmplSections) = 0;
    virtual HRESULT STDMETHODCALLTYPE CancelPendingRequest() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetNumberOfSections(WORD* pCount) = 0;
    /// The section stays owned by the list and is valid while the list is held.
    virtual HRESULT STDMETHODCALLTYPE GetSectionData(WORD sectionNumber, DWORD* pdwRawPacketLength,
                                                     PSECTION* ppSection) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetProgramIdentifier(PID* pPid) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTableIdentifier(TID* pTableId) = 0;
};
__CRT_UUID_DECL(ISectionList, 0xAFEC1EB5, 0x2A64, 0x46C6, 0xBF, 0x4B, 0xAE, 0x3C, 0xCB, 0x6A, 0xFD, 0xB0)

struct IMpeg2Data : public IUnknown {
    /// The first section that matches; fails once the time-out has passed without one.
    virtual HRESULT STDMETHODCALLTYPE GetSection(PID pid, TID tid, PMPEG2_FILTER pFilter, DWORD dwTimeout,
                                                 ISectionList** ppSectionList) = 0;
    /// Every section of a complete table; fails once the time-out has passed without one.
    virtual HRESULT STDMETHODCALLTYPE GetTable(PID pid, TID tid, PMPEG2_FILTER pFilter, DWORD dwTimeout,
                                               ISectionList** ppSectionList) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetStreamOfSections(PID pid, TID tid, PMPEG2_FILTER pFilter,
                                                          HANDLE hDataReadyEvent, IMpeg2Stream** ppMpegStream) = 0;
};
__CRT_UUID_DECL(IMpeg2Data, 0x9B396D40, 0xF380, 0x4E3C, 0xA5, 0x14, 0x1A, 0x82, 0xBF, 0x6E, 0xBF, 0xE6)
