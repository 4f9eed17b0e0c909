#include "platform/sections/CaptureFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

CaptureFile::~CaptureFile() {
    if (file) std::fclose(file);
}

bool CaptureFile::Open(const std::string& name, std::string& why) {
    namespace fs = std::filesystem;
    path = name;
    std::error_code error;
    fs::file_status status = fs::status(path, error);
    if (error) {
        why = path + ": " + error.message();
        return false;
    }
    // A pipe or a device would block or never end; only a file has a known size to read.
    if (!fs::is_regular_file(status)) {
        why = path + " is not a regular file";
        return false;
    }
    expected = fs::file_size(path, error);
    if (error) {
        why = path + ": " + error.message();
        return false;
    }
    file = std::fopen(path.c_str(), "rb");
    if (!file) {
        why = path + ": " + std::strerror(errno);
        return false;
    }
    // The pieces are large: read straight into them, with no copy through a buffer of stdio's.
    std::setvbuf(file, nullptr, _IONBF, 0);
    return true;
}

std::ptrdiff_t CaptureFile::Read(std::uint8_t* buffer, std::size_t room) {
    if (readError) return -1;
    if (!file || total >= expected) return 0;
    room = static_cast<std::size_t>(std::min<std::uint64_t>(room, expected - total));
    std::size_t n = std::fread(buffer, 1, room, file);
    if (n == 0 && std::ferror(file)) {
        readError = errno ? errno : EIO;
        return -1;
    }
    total += n;
    return static_cast<std::ptrdiff_t>(n);
}

std::string CaptureFile::ErrorText() const { return readError ? std::strerror(readError) : std::string(); }

std::string CaptureFile::Problem(std::uint64_t cutBytes) {
    if (readError)
        return path + " could not be read after byte " + std::to_string(total) + ": " + std::strerror(readError);
    if (total < expected)
        return path + " became shorter while it was read: " + std::to_string(total) + " of " +
               std::to_string(expected) + " bytes read";
    if (file && std::fgetc(file) != EOF)
        return path + " grew while it was read: only its first " + std::to_string(expected) + " bytes were read";
    if (cutBytes)
        return path + " ends in the middle of a packet: its last " + std::to_string(cutBytes) +
               " bytes are not a whole packet";
    return std::string();
}
