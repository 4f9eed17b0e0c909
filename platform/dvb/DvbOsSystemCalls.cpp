#include "platform/dvb/DvbOsSystemCalls.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

int DvbOsSystemCalls::Open(const std::string& path, int flags) {
    for (;;) {
        int fd = ::open(path.c_str(), flags | O_CLOEXEC);
        if (fd >= 0) return fd;
        if (errno != EINTR) return -errno;
    }
}

int DvbOsSystemCalls::Close(int fd) {
    // Retrying close after EINTR could close a descriptor another thread has just been given.
    return ::close(fd) == 0 ? 0 : -errno;
}

int DvbOsSystemCalls::Ioctl(int fd, unsigned long request, void* argument) {
    for (;;) {
        int result = ::ioctl(fd, request, argument);
        if (result >= 0) return result;
        if (errno != EINTR) return -errno;
    }
}

int DvbOsSystemCalls::Poll(int fd, short events, int timeoutMs) {
    pollfd entry{};
    entry.fd = fd;
    entry.events = events;
    int result = ::poll(&entry, 1, timeoutMs);
    if (result < 0) return errno == EINTR ? 0 : -errno;
    return result == 0 ? 0 : entry.revents;
}

long DvbOsSystemCalls::Read(int fd, void* buffer, std::size_t size) {
    for (;;) {
        ssize_t result = ::read(fd, buffer, size);
        if (result >= 0) return static_cast<long>(result);
        if (errno != EINTR) return -errno;
    }
}

int DvbOsSystemCalls::ListDirectory(const std::string& path, std::vector<std::string>& names) {
    names.clear();
    DIR* directory = ::opendir(path.c_str());
    if (!directory) return -errno;
    while (const dirent* entry = ::readdir(directory)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
        names.emplace_back(entry->d_name);
    }
    ::closedir(directory);
    return 0;
}
