#include "platform/Version.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>

#include "platform/VersionConfig.h"

namespace {

// Block layout: "VS1\0", u32 total size, then entries of u16 name length, name,
// u16 value length, value; VerQueryValueA answers a name with a pointer into the block.
constexpr char kMagic[4] = {'V', 'S', '1', '\0'};

void PutU16(std::vector<std::uint8_t>& out, std::size_t v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

std::uint16_t GetU16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

std::vector<std::uint8_t> ProgramBlock() {
    std::string version = TUNEWRIGHT_FILE_VERSION;
    std::vector<std::uint8_t> versionBytes(version.begin(), version.end());
    versionBytes.push_back(0);
    return BuildVersionBlock({
        {"\\VarFileInfo\\Translation", {0x00, 0x08, 0xb0, 0x04}},
        {"\\StringFileInfo\\080004b0\\FileVersion", versionBytes},
        {"\\StringFileInfo\\080004b0\\ProductVersion", versionBytes},
    });
}

std::mutex blockMutex;
std::optional<std::vector<std::uint8_t>> testBlock;

std::vector<std::uint8_t> CurrentBlock() {
    std::lock_guard<std::mutex> lock(blockMutex);
    if (testBlock) return *testBlock;
    static const std::vector<std::uint8_t> block = ProgramBlock();
    return block;
}

// Only the program's own file carries the resource.
bool IsOwnFile(LPCSTR fileName) {
    if (!fileName || !*fileName) return false;
    char own[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", own, sizeof own - 1);
    if (n <= 0) return false;
    own[n] = '\0';
    char* resolved = realpath(fileName, nullptr);
    if (!resolved) return false;
    bool same = std::strcmp(resolved, own) == 0;
    std::free(resolved);
    return same;
}

}  // namespace

std::vector<std::uint8_t> BuildVersionBlock(
    const std::vector<std::pair<std::string, std::vector<std::uint8_t>>>& entries) {
    std::vector<std::uint8_t> out(kMagic, kMagic + 4);
    out.resize(8);
    for (const auto& [name, value] : entries) {
        PutU16(out, name.size());
        out.insert(out.end(), name.begin(), name.end());
        PutU16(out, value.size());
        out.insert(out.end(), value.begin(), value.end());
    }
    auto size = static_cast<std::uint32_t>(out.size());
    std::memcpy(&out[4], &size, 4);
    return out;
}

void SetVersionBlockForTesting(const std::vector<std::uint8_t>* block) {
    std::lock_guard<std::mutex> lock(blockMutex);
    if (block)
        testBlock = *block;
    else
        testBlock.reset();
}

DWORD GetFileVersionInfoSizeA(LPCSTR fileName, DWORD* handle) {
    if (handle) *handle = 0;
    if (!IsOwnFile(fileName)) return 0;
    return static_cast<DWORD>(CurrentBlock().size());
}

BOOL GetFileVersionInfoA(LPCSTR fileName, DWORD, DWORD length, LPVOID data) {
    if (!data || !IsOwnFile(fileName)) return FALSE;
    std::vector<std::uint8_t> block = CurrentBlock();
    if (length < block.size()) return FALSE;
    std::memcpy(data, block.data(), block.size());
    return TRUE;
}

BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, UINT* length) {
    if (!block || !subBlock || !buffer || !length) return FALSE;
    const auto* base = static_cast<const std::uint8_t*>(block);
    if (std::memcmp(base, kMagic, 4) != 0) return FALSE;
    std::uint32_t size = 0;
    std::memcpy(&size, base + 4, 4);
    std::size_t pos = 8;
    std::size_t wanted = std::strlen(subBlock);
    while (pos + 2 <= size) {
        std::size_t nameLength = GetU16(base + pos);
        pos += 2;
        if (pos + nameLength + 2 > size) return FALSE;
        const auto* name = reinterpret_cast<const char*>(base + pos);
        pos += nameLength;
        std::size_t valueLength = GetU16(base + pos);
        pos += 2;
        if (pos + valueLength > size) return FALSE;
        if (nameLength == wanted && strncasecmp(name, subBlock, wanted) == 0) {
            *buffer = const_cast<std::uint8_t*>(base + pos);
            *length = static_cast<UINT>(valueLength);
            return TRUE;
        }
        pos += valueLength;
    }
    return FALSE;
}
