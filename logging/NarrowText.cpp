#include "logging/NarrowText.h"

#include <vector>

#include "platform/Windows.h"

std::optional<std::string> ToNarrowText(const wchar_t* text) {
    if (!text) return std::nullopt;
    if (!*text) return std::string();
    int needed = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return std::nullopt;
    std::vector<char> buffer(static_cast<std::size_t>(needed));
    if (WideCharToMultiByte(CP_ACP, 0, text, -1, buffer.data(), needed, nullptr, nullptr) <= 0) return std::nullopt;
    return std::string(buffer.data());
}
