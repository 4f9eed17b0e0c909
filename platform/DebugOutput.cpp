#include "platform/DebugOutput.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "platform/DebugOutputCapture.h"
#include "platform/TextConversion.h"

namespace {

std::mutex captureMutex;
int captures = 0;
std::string captured;

void Emit(const std::string& text) {
    {
        std::lock_guard<std::mutex> lock(captureMutex);
        if (captures > 0) captured += text;
    }
    static const bool visible = std::getenv("TUNEWRIGHT_DEBUG_OUTPUT") != nullptr;
    if (visible) std::fputs(text.c_str(), stderr);
}

}  // namespace

void OutputDebugStringA(LPCSTR text) {
    if (text) Emit(text);
}

void OutputDebugStringW(LPCWSTR text) {
    if (text) Emit(WideToUtf8(text));
}

DebugOutputCapture::DebugOutputCapture() {
    std::lock_guard<std::mutex> lock(captureMutex);
    if (captures++ == 0) captured.clear();
}

DebugOutputCapture::~DebugOutputCapture() {
    std::lock_guard<std::mutex> lock(captureMutex);
    --captures;
}

std::string DebugOutputCapture::Text() const {
    std::lock_guard<std::mutex> lock(captureMutex);
    return captured;
}

void DebugOutputCapture::Clear() {
    std::lock_guard<std::mutex> lock(captureMutex);
    captured.clear();
}
