#pragma once
// IGuideDataEvent, the transport information filter's outgoing interface
// (bdatif.h in the SDK, which mingw-w64 does not ship). Its IID is in libstrmiids.

#include "platform/windows/WindowsCom.h"

extern "C" const IID IID_IGuideDataEvent;

// Methods in the published vtable order, after IUnknown.
struct IGuideDataEvent : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GuideDataAcquired() = 0;
    virtual HRESULT STDMETHODCALLTYPE ProgramChanged(VARIANT varProgramDescriptionID) = 0;
    virtual HRESULT STDMETHODCALLTYPE ServiceChanged(VARIANT varServiceDescriptionID) = 0;
    virtual HRESULT STDMETHODCALLTYPE ScheduleEntryChanged(VARIANT varScheduleEntryDescriptionID) = 0;
    virtual HRESULT STDMETHODCALLTYPE ProgramDeleted(VARIANT varProgramDescriptionID) = 0;
    virtual HRESULT STDMETHODCALLTYPE ServiceDeleted(VARIANT varServiceDescriptionID) = 0;
    virtual HRESULT STDMETHODCALLTYPE ScheduleDeleted(VARIANT varScheduleEntryDescriptionID) = 0;
};
__CRT_UUID_DECL(IGuideDataEvent, 0xEFDA0C80, 0xF395, 0x42C3, 0x9B, 0x3C, 0x56, 0xB3, 0x7D, 0xEC, 0x7B, 0xB7)
