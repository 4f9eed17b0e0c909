#include "psi/BroadcastText.h"

void BroadcastText::Set(const unsigned char* data, int length) {
    bytes.clear();
    for (int i = 0; i < length && data[i] != 0; ++i) bytes.push_back(static_cast<char>(data[i]));
    present = true;
}

void BroadcastText::SetCleaned(const unsigned char* data, int length) {
    // ETSI EN 300 468, annex A: a leading 0x10 selects a table with two more bytes,
    // 0x1F an encoding with one more byte. Their zero bytes must not end the name.
    int skip = 0;
    if (length >= 3 && data[0] == 0x10) skip = 3;
    else if (length >= 2 && data[0] == 0x1F) skip = 2;
    bytes.clear();
    for (int i = skip; i < length && data[i] != 0; ++i) {
        unsigned char c = data[i];
        if (c < 0x20 || (c >= 0x80 && c <= 0x9F)) continue;
        bytes.push_back(static_cast<char>(c));
    }
    present = !bytes.empty();
}

void BroadcastText::Clear() {
    bytes.clear();
    present = false;
}
