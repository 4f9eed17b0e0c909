#pragma once
// The BDA and guide-data interfaces that the scan engine calls: the tuner's
// topology and signal statistics, and the TIF's guide-data event connection point.

#ifdef _WIN32
#include "platform/windows/WindowsDirectShow.h"
#else

#include "platform/com/OleAuto.h"
#include "platform/Unknown.h"

using BOOLEAN = unsigned char;

inline constexpr IID IID_IBDA_Topology = {0x79B56888, 0x7FEA, 0x4690, {0xB4, 0x5D, 0x38, 0xFD, 0x3C, 0x78, 0x49, 0xBE}};
inline constexpr IID IID_IBDA_SignalStatistics = {
    0x1347D106, 0xCF3A, 0x428A, {0xA5, 0xCB, 0xAC, 0x0D, 0x9A, 0x2A, 0x43, 0x38}};
inline constexpr IID IID_IGuideDataEvent = {
    0xEFDA0C80, 0xF395, 0x42C3, {0x9B, 0x3C, 0x56, 0xB3, 0x7D, 0xEC, 0x7B, 0xB7}};
inline constexpr IID IID_IConnectionPointContainer = {
    0xB196B284, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
inline constexpr IID IID_IConnectionPoint = {
    0xB196B286, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};

struct IBDA_Topology : IUnknown {
    static constexpr const IID& iid = IID_IBDA_Topology;
    /// The node types of the device's template topology, at most `maxCount` of them.
    virtual HRESULT GetNodeTypes(ULONG* count, ULONG maxCount, ULONG nodeTypes[]) = 0;
    /// The control object of a node type between an input and an output pin.
    virtual HRESULT GetControlNode(ULONG inputPinId, ULONG outputPinId, ULONG nodeType, IUnknown** controlNode) = 0;
};

struct IBDA_SignalStatistics : IUnknown {
    static constexpr const IID& iid = IID_IBDA_SignalStatistics;
    virtual HRESULT get_SignalStrength(LONG* strength) = 0;
    virtual HRESULT get_SignalQuality(LONG* quality) = 0;
    virtual HRESULT get_SignalPresent(BOOLEAN* present) = 0;
    virtual HRESULT get_SignalLocked(BOOLEAN* locked) = 0;
    virtual HRESULT get_SampleTime(LONG* sampleTimeMs) = 0;
};

struct IGuideDataEvent : IUnknown {
    static constexpr const IID& iid = IID_IGuideDataEvent;
    virtual HRESULT GuideDataAcquired() = 0;
    virtual HRESULT ProgramChanged(VARIANT programDescriptionId) = 0;
    virtual HRESULT ServiceChanged(VARIANT serviceDescriptionId) = 0;
    virtual HRESULT ScheduleEntryChanged(VARIANT scheduleEntryDescriptionId) = 0;
    virtual HRESULT ProgramDeleted(VARIANT programDescriptionId) = 0;
    virtual HRESULT ServiceDeleted(VARIANT serviceDescriptionId) = 0;
    virtual HRESULT ScheduleDeleted(VARIANT scheduleEntryDescriptionId) = 0;
};

struct IConnectionPoint;

struct IConnectionPointContainer : IUnknown {
    static constexpr const IID& iid = IID_IConnectionPointContainer;
    virtual HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** point) = 0;
};

struct IConnectionPoint : IUnknown {
    static constexpr const IID& iid = IID_IConnectionPoint;
    /// Holds a reference to the sink until Unadvise; the cookie names the connection.
    virtual HRESULT Advise(IUnknown* sink, DWORD* cookie) = 0;
    /// Returns once no call into the sink is in flight.
    virtual HRESULT Unadvise(DWORD cookie) = 0;
};

#endif  // _WIN32
