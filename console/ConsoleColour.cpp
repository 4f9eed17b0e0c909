#include "console/ConsoleColour.h"

#include "platform/Console.h"

namespace {

// Low four bits text, high four bits background; 1 blue, 2 green, 4 red, 8 bright.
constexpr WORD kAttributes[22] = {
    0x0F, 0x0C, 0x0A, 0x0E, 0x09, 0x0D, 0x0B, 0x80, 0xF8, 0xFC, 0xFA,
    0xFE, 0xF9, 0xFD, 0xFB, 0xFF, 0xAA, 0xEE, 0x66, 0xCC, 0x70, 0xF0,
};

}  // namespace

WORD ConsoleAttributeOf(unsigned int code) { return code < 22 ? kAttributes[code] : kAttributes[0]; }

void SetConsoleColour(unsigned int code) {
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    SetConsoleTextAttribute(output, ConsoleAttributeOf(code));
}
