#pragma once
// Every system call of the Linux DVB backend goes through this one seam, so
// that the same code drives a real /dev/dvb and the fake kernel device of the
// tests. Results follow the kernel's own convention: a value >= 0 on success,
// else the negated errno (never the global errno, which threads would share).

#include <cstddef>
#include <string>
#include <vector>

class DvbSystemCalls {
public:
    virtual ~DvbSystemCalls() = default;

    /// A file descriptor, or -errno. flags are open(2)'s (O_RDONLY, O_RDWR, O_NONBLOCK).
    virtual int Open(const std::string& path, int flags) = 0;
    /// 0, or -errno.
    virtual int Close(int fd) = 0;
    /// ioctl(2): argument is the pointer (or, for requests that take a value, the value) the request expects.
    virtual int Ioctl(int fd, unsigned long request, void* argument) = 0;
    /// poll(2) on one descriptor: the events that are ready, 0 when the time-out passed, or -errno.
    virtual int Poll(int fd, short events, int timeoutMs) = 0;
    /// read(2): bytes read, or -errno.
    virtual long Read(int fd, void* buffer, std::size_t size) = 0;
    /// The names in a directory (without "." and ".."), or -errno.
    virtual int ListDirectory(const std::string& path, std::vector<std::string>& names) = 0;
};
