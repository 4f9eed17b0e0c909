#pragma once
// The DVB-T tuning model: tuning space, tune request, locator and the network
// provider's tuner interface, with the published identifiers.

#ifdef _WIN32
#include "platform/windows/WindowsDirectShow.h"
#else

#include "platform/com/OleAuto.h"

inline constexpr IID IID_ITuningSpace = {0x061C6E30, 0xE622, 0x11D2, {0x94, 0x93, 0x00, 0xC0, 0x4F, 0x72, 0xD9, 0x80}};
inline constexpr IID IID_IDVBTuningSpace = {
    0xADA0B268, 0x3B19, 0x4E5B, {0xAC, 0xC4, 0x49, 0xF8, 0x52, 0xBE, 0x13, 0xBA}};
inline constexpr IID IID_IDVBTuningSpace2 = {
    0x843188B4, 0xCE62, 0x43DB, {0x96, 0x6B, 0x81, 0x45, 0xA0, 0x94, 0xE0, 0x40}};
inline constexpr IID IID_ITuneRequest = {0x07DDC146, 0xFC3D, 0x11D2, {0x9D, 0x8C, 0x00, 0xC0, 0x4F, 0x72, 0xD9, 0x80}};
inline constexpr IID IID_IDVBTuneRequest = {
    0x0D6F567E, 0xA636, 0x42BB, {0x83, 0xBA, 0xCE, 0x4C, 0x17, 0x04, 0xAF, 0xA2}};
inline constexpr IID IID_ILocator = {0x286D7F89, 0x760C, 0x4F89, {0x80, 0xC4, 0x66, 0x84, 0x1D, 0x25, 0x07, 0xAA}};
inline constexpr IID IID_IDVBTLocator = {0x8664DA16, 0xDDA2, 0x42AC, {0x92, 0x6A, 0xC1, 0x8F, 0x91, 0x27, 0xC3, 0x02}};
inline constexpr IID IID_ITuner = {0x28C52640, 0x018A, 0x11D3, {0x9D, 0x8E, 0x00, 0xC0, 0x4F, 0x72, 0xD9, 0x80}};
inline constexpr IID IID_IScanningTuner = {
    0x1DFD0A5C, 0x0284, 0x11D3, {0x9D, 0x8E, 0x00, 0xC0, 0x4F, 0x72, 0xD9, 0x80}};

inline constexpr CLSID CLSID_DVBTuningSpace = {
    0xC6B14B32, 0x76AA, 0x4A86, {0xA7, 0xAC, 0x5C, 0x79, 0xAA, 0xF5, 0x8D, 0xA7}};
inline constexpr CLSID CLSID_DVBTLocator = {
    0x9CD64701, 0xBDF3, 0x4D14, {0x8E, 0x03, 0xF1, 0x29, 0x83, 0xD8, 0x66, 0x64}};
inline constexpr CLSID CLSID_DVBTNetworkProvider = {
    0x216C62DF, 0x6D7F, 0x4E9A, {0x85, 0x71, 0x05, 0xF1, 0x4E, 0xDB, 0x76, 0x6A}};

enum DVBSystemType { DVB_Cable = 0, DVB_Terrestrial = 1, DVB_Satellite = 2, ISDB_Terrestrial = 3, ISDB_Satellite = 4 };

enum ModulationType { BDA_MOD_NOT_SET = -1, BDA_MOD_NOT_DEFINED = 0, BDA_MOD_16QAM = 1, BDA_MOD_64QAM = 5 };
enum GuardInterval { BDA_GUARD_NOT_SET = -1, BDA_GUARD_NOT_DEFINED = 0 };
enum TransmissionMode { BDA_XMIT_MODE_NOT_SET = -1, BDA_XMIT_MODE_NOT_DEFINED = 0 };

struct ITuneRequest;
struct ILocator;

struct ITuningSpace : IUnknown {
    static constexpr const IID& iid = IID_ITuningSpace;
    virtual HRESULT get_UniqueName(BSTR* name) = 0;
    virtual HRESULT put_UniqueName(BSTR name) = 0;
    virtual HRESULT get_FriendlyName(BSTR* name) = 0;
    virtual HRESULT put_FriendlyName(BSTR name) = 0;
    virtual HRESULT get_CLSID(BSTR* clsid) = 0;
    /// The network provider's class id as braced text.
    virtual HRESULT get_NetworkType(BSTR* networkType) = 0;
    virtual HRESULT put_NetworkType(BSTR networkType) = 0;
    virtual HRESULT get__NetworkType(GUID* networkType) = 0;
    virtual HRESULT put__NetworkType(REFCLSID networkType) = 0;
    virtual HRESULT CreateTuneRequest(ITuneRequest** request) = 0;
    virtual HRESULT get_DefaultLocator(ILocator** locator) = 0;
    virtual HRESULT put_DefaultLocator(ILocator* locator) = 0;
    virtual HRESULT Clone(ITuningSpace** copy) = 0;
};

struct IDVBTuningSpace : ITuningSpace {
    static constexpr const IID& iid = IID_IDVBTuningSpace;
    virtual HRESULT get_SystemType(DVBSystemType* type) = 0;
    virtual HRESULT put_SystemType(DVBSystemType type) = 0;
};

struct IDVBTuningSpace2 : IDVBTuningSpace {
    static constexpr const IID& iid = IID_IDVBTuningSpace2;
    virtual HRESULT get_NetworkID(long* id) = 0;
    virtual HRESULT put_NetworkID(long id) = 0;
};

struct ILocator : IUnknown {
    static constexpr const IID& iid = IID_ILocator;
    /// In kHz; -1 when not set.
    virtual HRESULT get_CarrierFrequency(long* frequency) = 0;
    virtual HRESULT put_CarrierFrequency(long frequency) = 0;
    virtual HRESULT get_Modulation(ModulationType* modulation) = 0;
    virtual HRESULT put_Modulation(ModulationType modulation) = 0;
    virtual HRESULT get_SymbolRate(long* rate) = 0;
    virtual HRESULT put_SymbolRate(long rate) = 0;
    virtual HRESULT Clone(ILocator** copy) = 0;
};

struct IDVBTLocator : ILocator {
    static constexpr const IID& iid = IID_IDVBTLocator;
    /// In MHz; -1 when not set.
    virtual HRESULT get_Bandwidth(long* bandwidth) = 0;
    virtual HRESULT put_Bandwidth(long bandwidth) = 0;
    virtual HRESULT get_Guard(GuardInterval* guard) = 0;
    virtual HRESULT put_Guard(GuardInterval guard) = 0;
    virtual HRESULT get_Mode(TransmissionMode* mode) = 0;
    virtual HRESULT put_Mode(TransmissionMode mode) = 0;
    virtual HRESULT get_OtherFrequencyInUse(VARIANT_BOOL* inUse) = 0;
    virtual HRESULT put_OtherFrequencyInUse(VARIANT_BOOL inUse) = 0;
};

struct ITuneRequest : IUnknown {
    static constexpr const IID& iid = IID_ITuneRequest;
    virtual HRESULT get_TuningSpace(ITuningSpace** space) = 0;
    virtual HRESULT Clone(ITuneRequest** copy) = 0;
    virtual HRESULT get_Locator(ILocator** locator) = 0;
    virtual HRESULT put_Locator(ILocator* locator) = 0;
};

struct IDVBTuneRequest : ITuneRequest {
    static constexpr const IID& iid = IID_IDVBTuneRequest;
    virtual HRESULT get_ONID(long* id) = 0;
    virtual HRESULT put_ONID(long id) = 0;
    virtual HRESULT get_TSID(long* id) = 0;
    virtual HRESULT put_TSID(long id) = 0;
    virtual HRESULT get_SID(long* id) = 0;
    virtual HRESULT put_SID(long id) = 0;
};

struct ITuner : IUnknown {
    static constexpr const IID& iid = IID_ITuner;
    virtual HRESULT get_TuningSpace(ITuningSpace** space) = 0;
    virtual HRESULT put_TuningSpace(ITuningSpace* space) = 0;
    virtual HRESULT get_TuneRequest(ITuneRequest** request) = 0;
    /// Tunes the device the provider is connected to.
    virtual HRESULT put_TuneRequest(ITuneRequest* request) = 0;
    virtual HRESULT Validate(ITuneRequest* request) = 0;
    virtual HRESULT get_SignalStrength(long* strength) = 0;
    virtual HRESULT TriggerSignalEvents(long intervalMs) = 0;
};

struct IScanningTuner : ITuner {
    static constexpr const IID& iid = IID_IScanningTuner;
    virtual HRESULT SeekUp() = 0;
    virtual HRESULT SeekDown() = 0;
    virtual HRESULT ScanUp(long pauseMs) = 0;
    virtual HRESULT ScanDown(long pauseMs) = 0;
    virtual HRESULT AutoProgram() = 0;
};

#endif  // _WIN32
