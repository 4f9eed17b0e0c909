#pragma once
// A DVB tune request: the tuning space it belongs to, a locator, and the
// network, transport-stream and service ids (-1 when not set).

#include "platform/ComObject.h"
#include "platform/ComPtr.h"
#include "platform/com/Tuning.h"

class DVBTuneRequest final : public ComObject<IDVBTuneRequest> {
public:
    explicit DVBTuneRequest(ITuningSpace* space) : tuningSpace(space) {}

    HRESULT get_TuningSpace(ITuningSpace** space) override;
    HRESULT Clone(ITuneRequest** copy) override;
    HRESULT get_Locator(ILocator** out) override;
    HRESULT put_Locator(ILocator* value) override;

    HRESULT get_ONID(long* id) override { return Get(id, onid); }
    HRESULT put_ONID(long id) override { return Put(onid, id); }
    HRESULT get_TSID(long* id) override { return Get(id, tsid); }
    HRESULT put_TSID(long id) override { return Put(tsid, id); }
    HRESULT get_SID(long* id) override { return Get(id, sid); }
    HRESULT put_SID(long id) override { return Put(sid, id); }

protected:
    void* QueryOtherInterface(REFIID riid) override {
        return riid == IID_ITuneRequest ? static_cast<ITuneRequest*>(this) : nullptr;
    }

private:
    static HRESULT Get(long* out, long value) {
        if (!out) return E_POINTER;
        *out = value;
        return S_OK;
    }
    static HRESULT Put(long& member, long value) {
        member = value;
        return S_OK;
    }

    ComPtr<ITuningSpace> tuningSpace;
    ComPtr<ILocator> locator;
    long onid = -1;
    long tsid = -1;
    long sid = -1;
};
