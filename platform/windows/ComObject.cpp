#include "platform/windows/ComObject.h"

namespace {
std::atomic<long> liveObjects{0};
}

long ComLiveObjectCount() { return liveObjects.load(); }

namespace platform_detail {
void ComObjectCreated() { ++liveObjects; }
void ComObjectDestroyed() { --liveObjects; }
}  // namespace platform_detail
