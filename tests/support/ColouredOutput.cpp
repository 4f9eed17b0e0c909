#include "ColouredOutput.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <iostream>

#include "platform/Console.h"

namespace {

// Marks the place of an attribute call in the captured text.
constexpr char kMark = '\x1e';

}  // namespace

std::vector<WORD> ColouredOutput::calls;
void (*ColouredOutput::onAttribute)(WORD) = nullptr;

void ColouredOutput::Observe(WORD attributes) {
    calls.push_back(attributes);
    std::cout << kMark << static_cast<char>(attributes & 0xFF) << std::flush;
    if (onAttribute) onAttribute(attributes);
}

ColouredOutput::ColouredOutput() {
    calls.clear();
    std::cout.flush();
    testing::internal::CaptureStdout();
    SetConsoleAttributeObserverForTesting(&ColouredOutput::Observe);
}

ColouredOutput::~ColouredOutput() {
    if (!finished) Finish();
}

std::vector<ColouredOutput::Line> ColouredOutput::Finish() {
    finished = true;
    std::cout.flush();
    SetConsoleAttributeObserverForTesting(nullptr);
    onAttribute = nullptr;
    std::string raw = testing::internal::GetCapturedStdout();
    std::vector<Line> lines(1);
    char current = '-';
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == kMark && i + 1 < raw.size()) {
            current = Letter(static_cast<WORD>(static_cast<unsigned char>(raw[++i])));
        } else if (raw[i] == '\n') {
            lines.emplace_back();
        } else {
            lines.back().text += raw[i];
            lines.back().colours += current;
        }
    }
    return lines;
}

char ColouredOutput::Letter(WORD attributes) {
    switch (attributes) {
        case 0x0F: return 'n';
        case 0xF8: return 'f';
        case 0x70: return 'b';
        case 0xF0: return 't';
        case 0x66: return 'D';
        case 0xEE: return 'Y';
        case 0xAA: return 'G';
        default: return '?';
    }
}
