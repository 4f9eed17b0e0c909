#pragma once
// A text read from a broadcast: its bytes as sent, stored with their length
// and a terminating zero, or absent. A zero byte inside the text ends it.

#include <string>

class BroadcastText {
public:
    /// The text, or null when absent.
    const char* Get() const { return present ? bytes.c_str() : nullptr; }
    /// The text, or "(null)" when absent: for printing.
    const char* Printable() const { return present ? bytes.c_str() : "(null)"; }
    int Length() const { return static_cast<int>(bytes.size()); }
    bool IsPresent() const { return present; }

    /// Stores the bytes up to the first zero byte (an empty text is stored, not absent).
    void Set(const unsigned char* data, int length);
    /// Stores a service or provider name: drops the character-table selector, cuts at the first zero
    /// byte, removes control codes (below 0x20 and 0x80..0x9F); a text left empty becomes absent.
    void SetCleaned(const unsigned char* data, int length);
    void Clear();

private:
    std::string bytes;
    bool present = false;
};
