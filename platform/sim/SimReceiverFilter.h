#pragma once
// A card's receiver component: the demodulator or the capture filter behind
// its tuner. A broken one refuses to join a graph, as a faulty driver does.

#include "platform/com/BaseFilter.h"
#include "platform/sim/SimWorld.h"

class SimReceiverFilter final : public BaseFilter<> {
public:
    enum class Role { Demod, Capture };

    SimReceiverFilter(const SimCard& card, int cardIndex, Role role);

    static const CLSID& ClassId(Role role);

protected:
    HRESULT CanJoinGraph() override { return broken ? E_FAIL : S_OK; }

private:
    bool broken;
};
