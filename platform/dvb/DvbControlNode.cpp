#include "platform/dvb/DvbControlNode.h"

#include "platform/dvb/DvbTunerFilter.h"

DvbControlNode::DvbControlNode(DvbTunerFilter& owner, bool hasStatistics) : tuner(owner), statistics(hasStatistics) {
    tuner.AddRef();
}

DvbControlNode::~DvbControlNode() { tuner.Release(); }

HRESULT DvbControlNode::QueryInterface(REFIID riid, void** object) {
    if (!statistics && riid == IID_IBDA_SignalStatistics) {
        if (!object) return E_POINTER;
        *object = nullptr;
        return E_NOINTERFACE;
    }
    return ComObject::QueryInterface(riid, object);
}

HRESULT DvbControlNode::get_SignalStrength(LONG* strength) {
    if (!strength) return E_POINTER;
    return tuner.Frontend().ReadStrength(strength);
}

HRESULT DvbControlNode::get_SignalQuality(LONG* quality) {
    if (!quality) return E_POINTER;
    return tuner.Frontend().ReadQuality(quality);
}

HRESULT DvbControlNode::get_SignalPresent(BOOLEAN* present) {
    if (!present) return E_POINTER;
    bool locked = false;
    bool signal = false;
    HRESULT hr = tuner.Frontend().ReadStatus(&locked, &signal);
    if (FAILED(hr)) return hr;
    *present = signal ? 1 : 0;
    return S_OK;
}

HRESULT DvbControlNode::get_SignalLocked(BOOLEAN* locked) {
    if (!locked) return E_POINTER;
    bool lock = false;
    bool signal = false;
    HRESULT hr = tuner.Frontend().ReadStatus(&lock, &signal);
    if (FAILED(hr)) return hr;
    *locked = lock ? 1 : 0;
    if (lock) tuner.LockSeen();
    return S_OK;
}

HRESULT DvbControlNode::get_SampleTime(LONG* sampleTimeMs) {
    if (!sampleTimeMs) return E_POINTER;
    return E_NOTIMPL;
}
