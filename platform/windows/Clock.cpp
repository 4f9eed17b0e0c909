#include "platform/windows/Clock.h"

Clock& Clock::Instance() {
    static Clock clock;
    return clock;
}
