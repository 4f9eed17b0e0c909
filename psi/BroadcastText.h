#pragma once
// A text read from a broadcast, decoded from its character table into UTF-8 once,
// when it is stored (with a terminating zero), or absent. A zero character ends it;
// control codes are removed.

#include <string>

class BroadcastText {
public:
    /// The text, or null when absent.
    const char* Get() const { return present ? bytes.c_str() : nullptr; }
    /// The text, or "(null)" when absent: for printing.
    const char* Printable() const { return present ? bytes.c_str() : "(null)"; }
    int Length() const { return static_cast<int>(bytes.size()); }
    bool IsPresent() const { return present; }

    /// Stores the text decoded (an empty text is stored, not absent).
    void Set(const unsigned char* data, int length);
    /// Stores a service or provider name decoded; a text left empty becomes absent.
    void SetCleaned(const unsigned char* data, int length);
    void Clear();

private:
    std::string bytes;
    bool present = false;
};
