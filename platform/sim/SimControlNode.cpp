#include "platform/sim/SimControlNode.h"

#include "platform/sim/SimTunerFilter.h"

SimControlNode::SimControlNode(SimTunerFilter& owner, Kind nodeKind, bool hasStatistics)
    : tuner(owner), kind(nodeKind), statistics(hasStatistics) {
    tuner.AddRef();
}

SimControlNode::~SimControlNode() { tuner.Release(); }

HRESULT SimControlNode::QueryInterface(REFIID riid, void** object) {
    if (!statistics && riid == IID_IBDA_SignalStatistics) {
        if (!object) return E_POINTER;
        *object = nullptr;
        return E_NOINTERFACE;
    }
    return ComObject::QueryInterface(riid, object);
}

HRESULT SimControlNode::get_SignalStrength(LONG* strength) {
    if (!strength) return E_POINTER;
    int value = tuner.ReadLevels().Strength(tuner.NextReading(0));
    *strength = kind == Kind::Tuner ? value / 2 : value;
    return S_OK;
}

HRESULT SimControlNode::get_SignalQuality(LONG* quality) {
    if (!quality) return E_POINTER;
    int value = tuner.ReadLevels().Quality(tuner.NextReading(1));
    *quality = kind == Kind::Tuner ? 0 : value;
    return S_OK;
}

HRESULT SimControlNode::get_SignalPresent(BOOLEAN* present) {
    if (!present) return E_POINTER;
    *present = tuner.ReadLevels().Present() ? 1 : 0;
    return S_OK;
}

HRESULT SimControlNode::get_SignalLocked(BOOLEAN* locked) {
    if (!locked) return E_POINTER;
    *locked = kind == Kind::Demodulator && tuner.ReadLevels().Locked() ? 1 : 0;
    return S_OK;
}

HRESULT SimControlNode::get_SampleTime(LONG* sampleTimeMs) {
    if (!sampleTimeMs) return E_POINTER;
    *sampleTimeMs = tuner.ReadLevels().SampleTime();
    return S_OK;
}
