// Arbitrary bytes as standard input to the main menu's reader and to the
// frequency and bandwidth prompt: every word is answered (an item, refused or
// the end), the readers always reach the end of the input, and what the prompt
// leaves is positive or 0.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <streambuf>
#include <string>

#include "console/MainMenu.h"
#include "console/Prompts.h"

namespace {

class NullBuffer : public std::streambuf {
protected:
    int_type overflow(int_type c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
};

void Require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "FuzzMenu: %s\n", what);
    std::abort();
}

// Standard input and output redirected for one run.
class Redirect {
public:
    explicit Redirect(const std::string& input)
        : in(input), oldIn(std::cin.rdbuf(in.rdbuf())), oldOut(std::cout.rdbuf(&null)) {
        std::cin.clear();
    }
    ~Redirect() {
        std::cin.rdbuf(oldIn);
        std::cin.clear();
        std::cout.rdbuf(oldOut);
        std::cout.clear();
    }

private:
    std::istringstream in;
    NullBuffer null;
    std::streambuf* oldIn;
    std::streambuf* oldOut;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    {
        Redirect redirect(input);
        // Each call reads at least one word or ends, so this many calls always reach the end.
        bool ended = false;
        for (std::size_t i = 0; i <= size + 1 && !ended; ++i) {
            MenuChoice choice = ReadMenuChoice();
            switch (choice.kind) {
                case MenuChoice::Kind::EndOfInput:
                    ended = true;
                    break;
                case MenuChoice::Kind::Item:
                    Require((choice.item >= 1 && choice.item <= 4) || (choice.item >= 6 && choice.item <= 10),
                            "an item that is not on the menu");
                    break;
                case MenuChoice::Kind::OutOfRange:
                case MenuChoice::Kind::Invalid:
                    break;
            }
        }
        Require(ended, "the menu reader did not reach the end of the input");
    }
    {
        Redirect redirect(input);
        bool ended = false;
        for (std::size_t i = 0; i <= size + 1 && !ended; ++i) {
            int frequency = -1;
            int bandwidth = -1;
            PromptFrequencyAndBandwidth(frequency, bandwidth);
            Require(frequency >= 0 && bandwidth >= 0, "a negative frequency or bandwidth");
            Require(frequency > 0 || bandwidth == 0, "a bandwidth without a frequency");
            ended = bandwidth == 0;
        }
        Require(ended, "the prompt did not reach the end of the input");
    }
    return 0;
}
