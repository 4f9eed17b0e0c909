#pragma once
// Captures standard output together with the console attribute in force for every
// character, as a user of a colour console would see it.

#include <string>
#include <vector>

#include "platform/WinTypes.h"

class ColouredOutput {
public:
    struct Line {
        std::string text;
        /// One letter per character of `text`: the attribute it was written in (see Letter).
        std::string colours;
    };

    /// Starts capturing standard output and observing the attribute calls.
    ColouredOutput();
    /// Stops, if Finish was not called.
    ~ColouredOutput();
    ColouredOutput(const ColouredOutput&) = delete;
    ColouredOutput& operator=(const ColouredOutput&) = delete;

    /// Stops capturing; the output split into lines (the text after the last newline is a line too).
    std::vector<Line> Finish();
    /// The attribute calls made, in order.
    const std::vector<WORD>& Calls() const { return calls; }

    /// n normal (bright white on black), f frame (dark grey on bright white), b box (black on light
    /// grey), t title (black on bright white), D dark yellow, Y bright yellow, G bright green blocks,
    /// - nothing set yet, ? any other attribute.
    static char Letter(WORD attributes);
    /// Called for every attribute set (the observer's hook for tests that act on it).
    static void (*onAttribute)(WORD attributes);

private:
    static void Observe(WORD attributes);
    static std::vector<WORD> calls;
    bool finished = false;
};
