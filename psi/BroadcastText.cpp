#include "psi/BroadcastText.h"

#include "psi/CharacterTable.h"

void BroadcastText::Set(const unsigned char* data, int length) {
    CharacterTable::ToUtf8(data, length, bytes);
    present = true;
}

void BroadcastText::SetCleaned(const unsigned char* data, int length) {
    CharacterTable::ToUtf8(data, length, bytes);
    present = !bytes.empty();
}

void BroadcastText::Clear() {
    bytes.clear();
    present = false;
}
