#include "psi/BroadcastText.h"

#include "psi/CharacterTable.h"

void BroadcastText::Set(const unsigned char* data, int length) {
    bytes = CharacterTable::ToUtf8(data, length);
    present = true;
}

void BroadcastText::SetCleaned(const unsigned char* data, int length) {
    bytes = CharacterTable::ToUtf8(data, length);
    present = !bytes.empty();
}

void BroadcastText::Clear() {
    bytes.clear();
    present = false;
}
