#pragma once
// A capture file read piece by piece, never past the size it had when it was
// opened (a file that keeps growing is not followed), and the one line that
// says why it was read only in part: a read error, a file that became shorter
// or grew while it was read, or a last packet cut short.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>


class CaptureFile {
public:
    CaptureFile() = default;
    ~CaptureFile();
    CaptureFile(const CaptureFile&) = delete;
    CaptureFile& operator=(const CaptureFile&) = delete;

    /// Opens a regular file and notes its size. False, with the line that says why, when it cannot.
    bool Open(const std::string& path, std::string& why);
    /// Fills up to room bytes and returns how many: 0 at the size the file had when it was opened
    /// (or sooner, at its end), -1 after a read error, which stays.
    std::ptrdiff_t Read(std::uint8_t* buffer, std::size_t room);
    /// The system's text for the read error, or empty.
    std::string ErrorText() const;
    /// Once reading has stopped: why the capture was read only in part, or empty. cutBytes are
    /// the bytes of a last packet that the end of the file cut short.
    std::string Problem(std::uint64_t cutBytes);

private:
    std::string path;
    std::FILE* file = nullptr;
    std::uint64_t expected = 0;  // the size at opening
    std::uint64_t total = 0;     // bytes read
    int readError = 0;
};
