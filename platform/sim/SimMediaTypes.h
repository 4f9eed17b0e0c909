#pragma once
// The media types on the simulated cards' own pins. A card's filters are linked
// by a type of their own card and stage, so that a tuner connects only to its
// own card's next component, as drivers do through their mediums.

#include <vector>

#include "platform/com/BasePin.h"
#include "platform/sim/SimWorld.h"

class SimMediaTypes {
public:
    /// The link into stage 1 (after the tuner) or 2 (after the demodulator) of a card.
    static MediaTypeId CardLink(int cardIndex, int stage);
    /// What a card's last filter offers on its output.
    static std::vector<MediaTypeId> TransportOutput(SimCard::Output output);
};
