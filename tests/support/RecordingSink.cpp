#include "RecordingSink.h"

#include "platform/TextConversion.h"

std::string RecordingSink::Recorded() const {
    std::string out;
    for (const auto& d : deliveries) {
        if (d.kind != 'W') continue;
        for (int i = 0; i < d.indent; ++i) out += "  ";
        out += WideToUtf8(d.text);
    }
    return out;
}

std::string RecordingSink::Shown() const {
    std::string out;
    for (const auto& d : deliveries)
        if (d.kind == 'S') out += WideToUtf8(d.text);
    return out;
}
