#include "platform/sim/SimReceiverFilter.h"

#include "platform/sim/SimMediaTypes.h"

namespace {
constexpr CLSID kDemodClass = {0x6B2E0F45, 0x1D7C, 0x4A09, {0x8C, 0x52, 0xE3, 0x90, 0x1B, 0x6D, 0x22, 0xA4}};
constexpr CLSID kCaptureClass = {0x6B2E0F46, 0x1D7C, 0x4A09, {0x8C, 0x52, 0xE3, 0x90, 0x1B, 0x6D, 0x22, 0xA4}};
}  // namespace

const CLSID& SimReceiverFilter::ClassId(Role role) { return role == Role::Demod ? kDemodClass : kCaptureClass; }

SimReceiverFilter::SimReceiverFilter(const SimCard& card, int cardIndex, Role role)
    : BaseFilter(ClassId(role)),
      broken((role == Role::Demod && card.broken == SimCard::Broken::Demod) ||
             (role == Role::Capture && card.broken == SimCard::Broken::Capture)) {
    if (role == Role::Demod) {
        AddPin(L"Demod In", PINDIR_INPUT, {SimMediaTypes::CardLink(cardIndex, 1)});
        AddPin(L"Demod Out", PINDIR_OUTPUT, {SimMediaTypes::CardLink(cardIndex, 2)});
    } else {
        AddPin(L"Capture In", PINDIR_INPUT, {SimMediaTypes::CardLink(cardIndex, card.filters == 3 ? 2 : 1)});
        AddPin(L"Capture Out", PINDIR_OUTPUT, SimMediaTypes::TransportOutput(card.output));
    }
}
