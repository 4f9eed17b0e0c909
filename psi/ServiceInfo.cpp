#include "psi/ServiceInfo.h"

#include <cstring>

void ServiceInfo::ClearStreams() {
    videoPid = 0;
    std::memset(audioPids, 0, sizeof audioPids);
    std::memset(audioLanguages, 0, sizeof audioLanguages);
    audioCount = 0;
    teletextPid = 0;
    ac3Pid = 0;
}
