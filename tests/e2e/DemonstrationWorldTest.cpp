#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "ProgramRun.h"

namespace {

bool Has(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }

// A newcomer's first run: the built-in world, a UK scan, then Exit.
TEST(DemonstrationWorld, UkScanFindsItsServicesAndWritesASortedSummary) {
    ProgramRun program(TW_PROGRAM_PATH);
    ProgramResult r = program.Run("1\n10\n");
    ASSERT_EQ(r.status, 0);
    EXPECT_TRUE(Has(r.log, "Found BDA device: "));
    // The offset multiplex is found by the +166 kHz retry and scanned at the tuned frequency.
    EXPECT_TRUE(Has(r.log, "Frequency (Scanned) = 530166kHz\n"));
    for (const char* label : {"Mux 1", "Mux 2", "Mux A"})
        EXPECT_TRUE(Has(r.log, std::string("\nMultiplex           = ") + label)) << label;
    EXPECT_TRUE(Has(r.log, "#Network_1(\"Harbourline Digital\", 698000, 8, 1)\n"));
    EXPECT_TRUE(Has(r.log, "* TV station found = 'Harbour One[1]'\n"));
    EXPECT_TRUE(Has(r.log, "* Radio station found = 'Harbour Radio[700]'\n"));
    EXPECT_TRUE(Has(r.log, "* Other station found = 'Harbour Text[0]'\n"));
    EXPECT_TRUE(Has(r.log, "* TV station found = 'Lantern HD[50]'\n")) << "an H.264 HD service is television";
    EXPECT_TRUE(Has(r.log, "Frequency=554000kHz  Strength=35  Quality=45%\n"));
    EXPECT_TRUE(Has(r.log, "Timeout getting table (pid=0000, tid=00)\n")) << "one multiplex sends no tables";
    EXPECT_TRUE(Has(r.output, "Harbour Two AC3     ,     , 4162,  513,  A516, 4162    #\n"));

    std::regex line("CH:([0-9]+) [^\n]*#:([^\n]*)\n");
    std::vector<int> numbers;
    std::vector<std::string> names;
    for (auto it = std::sregex_iterator(r.log.begin(), r.log.end(), line); it != std::sregex_iterator(); ++it) {
        numbers.push_back(std::stoi((*it)[1]));
        names.push_back((*it)[2]);
    }
    ASSERT_EQ(numbers.size(), 10u) << r.log;
    EXPECT_TRUE(std::is_sorted(numbers.begin(), numbers.end()));
    // The two services numbered 7 stay in the order they were found.
    auto kids = std::find(names.begin(), names.end(), "Kestrel Kids");
    auto fellside = std::find(names.begin(), names.end(), "Fellside TV");
    EXPECT_LT(kids, fellside);
    EXPECT_TRUE(Has(r.log, "CH:20 onid:12033 tsid:12290 sid:12306 frq:530166000 band:8 ctrl:3 #:Fellside Premiere\n"));
    EXPECT_TRUE(Has(r.log, " 10 Channel(s) found\n\n"));
}

}  // namespace
