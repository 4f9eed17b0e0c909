#pragma once
// The system-call seam over the real operating system.

#include "platform/dvb/DvbSystemCalls.h"

class DvbOsSystemCalls final : public DvbSystemCalls {
public:
    int Open(const std::string& path, int flags) override;
    int Close(int fd) override;
    int Ioctl(int fd, unsigned long request, void* argument) override;
    int Poll(int fd, short events, int timeoutMs) override;
    long Read(int fd, void* buffer, std::size_t size) override;
    int ListDirectory(const std::string& path, std::vector<std::string>& names) override;
};
